// The window in Russian: every control of every page and every message a
// workflow shows speaks the language of the string tables. A text not taken
// from the tables shows as Latin words that no Russian table text holds
// (names, numbers and paths the test itself chose aside).
#include "main_window_fixture.h"

#include <QLineEdit>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "keys/function_catalogue.h"
#include "ui/pages/key_page.h"
#include "ui/pages/macro_page.h"
#include "ui/pages/own_texts.h"

namespace vantora::test {
namespace {

constexpr int kRussian = 1049;

std::set<std::string> LatinWords(const std::string& text) {
    static const std::regex word("[A-Za-z]{2,}");
    std::set<std::string> words;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), word); it != std::sregex_iterator(); ++it) {
        words.insert(it->str());
    }
    return words;
}

class LanguagesTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        CurrentUiLanguage = kRussian;
        for (const StringTable& table : AllStringTables()) {
            if (table.langId == kRussian) {
                for (const auto& [id, text] : table.entries) {
                    const std::set<std::string> words = LatinWords(text);
                    allowed.insert(words.begin(), words.end());
                }
            }
        }
        Allow(dir.path());
        Allow("VANTORA");  // the program's name in the title, from config.ini
        OpenConnected();
    }

    // Names and paths the test chose may show in any language.
    void Allow(const std::string& chosen) {
        const std::set<std::string> words = LatinWords(chosen);
        allowed.insert(words.begin(), words.end());
    }

    // The Latin words of `text` that no Russian table text holds.
    std::set<std::string> Foreign(const std::string& text) const {
        std::set<std::string> foreign;
        for (const std::string& word : LatinWords(text)) {
            if (!allowed.contains(word)) {
                foreign.insert(word);
            }
        }
        return foreign;
    }

    void ExpectShownControlsInRussian(const char* page) {
        for (MControl* control : window->findChildren<MControl*>()) {
            if (!control->IsShownInTree()) {
                continue;
            }
            for (const std::string& text : {control->GetTitle(), control->toolTip().toStdString()}) {
                EXPECT_TRUE(Foreign(text).empty())
                    << page << ", control " << control->GetId() << ": " << text;
            }
        }
    }

    void ExpectBoxInRussian(const char* what) {
        ASSERT_TRUE(boxText.has_value()) << what;
        EXPECT_TRUE(Foreign(*boxText).empty()) << what << ": " << *boxText;
    }

    std::set<std::string> allowed;
};

TEST_F(LanguagesTest, EveryPageShowsTheTablesTexts) {
    ExpectShownControlsInRussian("HOME");
    Click(VisibleTab(kTabDevice));
    ExpectShownControlsInRussian("KEY");
    Click(Control(kTabLight));
    ExpectShownControlsInRussian("LIGHT");
    Click(VisibleTab(kTabMacro));
    ExpectShownControlsInRussian("MACRO");
    Click(VisibleTab(kTabMusic));
    ExpectShownControlsInRussian("MUSIC");
    Click(VisibleTab(kTabSetting));
    ExpectShownControlsInRussian("SETTING");
}

TEST_F(LanguagesTest, MessagesOfTheKeyAndMacroPagesAreInTheUsersLanguage) {
    const std::string notAFile = dir.path() + "plain.xml";
    std::ofstream(notAFile) << "<other/>";
    chosenFile = notAFile;

    Click(VisibleTab(kTabDevice));
    auto* picture = Control<KeyboardCtrl>(kIdKeyPicture);
    QTest::mouseClick(picture, Qt::LeftButton, {}, picture->KeyRect(4).center());
    Choose(kIdFunctionType, kFunctionKeyboard);
    AnswerNextBox(33);
    Click(Control(kIdSaveKey));
    ExpectBoxInRussian("nothing captured");
    Choose(kIdFunctionType, kFunctionWebsite);
    auto* field = Control<MEdit>(kIdFunctionText);
    field->GetEditHwnd()->setFocus();
    QTest::keyClicks(field->GetEditHwnd(), "javascript:alert(1)");
    Allow("javascript:alert(1)");
    AnswerNextBox(33);
    Click(Control(kIdSaveKey));
    ExpectBoxInRussian("web address");
    AnswerNextBox(33);
    Click(Control(kIdImportProfile));
    ExpectBoxInRussian("profile import");

    // Macros the keyboard cannot hold are listed in the page's hint.
    for (int i = 0; i < 33; ++i) {
        window->Database().AddMacro("M" + std::to_string(i));
    }
    Allow("M");
    window->OnMacrosLoaded(window->Session().LoadMacros());
    Click(VisibleTab(kTabMacro));
    const std::string hint = Control(kIdMemoryHint)->GetTitle();
    EXPECT_FALSE(hint.empty());
    EXPECT_TRUE(Foreign(hint).empty()) << hint;
    AnswerNextBox(33);
    Click(Control(kIdImportMacro));
    ExpectBoxInRussian("macro import");
}

}  // namespace
}  // namespace vantora::test
