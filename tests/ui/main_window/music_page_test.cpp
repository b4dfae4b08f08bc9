// The MUSIC page: reachable with MUSIC=1 (the shipped config.ini), its
// settings stored in the music layer, and out of reach with MUSIC=0.
#include "main_window_fixture.h"

#include <QElapsedTimer>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>

#include "device/key_index.h"
#include "lighting/light_parameters.h"
#include "sim/keyboard_firmware.h"

#include "ui/pages/music_page.h"

namespace vantora::test {
namespace {

using MusicPageTest = MainWindowTest;

TEST_F(MusicPageTest, TheTabOpensThePageWhoseSettingsAreStoredInTheMusicLayer) {
    OpenConnected();
    // The first start left the music layer row, shown on the page.
    MusicLayer row;
    QTRY_VERIFY_WITH_TIMEOUT(window->Database().GetMusicLayer(1, row), 10000);
    EXPECT_EQ(row.foremode, 13);
    Click(VisibleTab(kTabMusic));
    EXPECT_EQ(window->CurrentPageId(), kTabMusic);
    EXPECT_TRUE(window->MusicActive());
    EXPECT_TRUE(Control(kPageMusic)->IsShownInTree());
    EXPECT_EQ(Control(kPageMusic)->GetRect(), Control(kPageMacro)->GetRect());

    Choose(kIdForegroundScheme, 17);
    Choose(kIdBackgroundScheme, 3);
    ASSERT_TRUE(window->Database().GetMusicLayer(1, row));
    EXPECT_EQ(row.foremode, 17);
    EXPECT_EQ(row.backmode, 3);

    // The picture of this page (id 65 as on the KEY page) selects no key
    // of the KEY editor.
    auto* picture = Control<KeyboardCtrl>(kIdKeyPicture, 1);
    ASSERT_TRUE(picture->IsShownInTree());
    QTest::mouseClick(picture, Qt::LeftButton, {}, picture->KeyRect(4).center());
    EXPECT_EQ(window->CurrentSelection().selectedKey.load(), 0);

    Click(VisibleTab(kTabMacro));
    EXPECT_FALSE(window->MusicActive());
}

// Restore Factory stores the default music layer again and shows it, so
// the page's next change is stored (and reaches the analyser).
TEST_F(MusicPageTest, AfterRestoreFactoryThePageShowsAndStoresTheDefaultLayer) {
    OpenConnected();
    Click(VisibleTab(kTabMusic));
    Choose(kIdForegroundScheme, 17);
    Click(VisibleTab(kTabSetting));
    AnswerNextBox(33);
    Click(Control(kIdRestoreFactory));
    MusicLayer row;
    QTRY_VERIFY_WITH_TIMEOUT(window->Database().GetMusicLayer(1, row), 15000);
    EXPECT_EQ(row.foremode, 13);
    Click(VisibleTab(kTabMusic));
    QTRY_COMPARE(Control<MComboBox>(kIdForegroundScheme)->GetCurData(), 13);
    Choose(kIdBackgroundScheme, 3);
    ASSERT_TRUE(window->Database().GetMusicLayer(1, row));
    EXPECT_EQ(row.backmode, 3);
}

// A tone played while the page is shown lights the keyboard's keys and the
// page's picture alike; silence darkens both (one dark frame, which the
// keyboard keeps); leaving the page corks the capture and the keyboard
// returns to its light mode.
TEST_F(MusicPageTest, TheKeysAndThePictureFollowTheSoundWhileThePageIsShown) {
    OpenConnected();
    ASSERT_NE(audio, nullptr);
    EXPECT_TRUE(audio->IsStarted());
    EXPECT_FALSE(audio->IsActive());  // corked until the page is shown
    audio->SetState(AudioCaptureState::kNoServer);
    QTRY_COMPARE(Control(kIdMusicStatus)->GetTitle(), GetUiString(690));
    audio->SetState(AudioCaptureState::kCapturing);
    QTRY_COMPARE(Control(kIdMusicStatus)->GetTitle(), std::string());

    Click(VisibleTab(kTabMusic));
    ASSERT_TRUE(audio->IsActive());
    auto* picture = Control<KeyboardCtrl>(kIdKeyPicture, 1);
    ASSERT_TRUE(picture->IsShownInTree());
    const auto& codeToIndex = window->LayoutCodeToIndex();
    // Keys of the picture lit, and those whose colour differs from the keyboard's frame.
    const auto compare = [&](int& lit, int& differing) {
        const auto frame = keyboard->WithFirmware([](sim::KeyboardFirmware& f) { return f.MusicFrame(); });
        lit = differing = 0;
        for (const KeyItemInfo& key : picture->GetKeyItems()) {
            const int index = LookupKeyIndex(codeToIndex, key.code);
            if (index < 0) {
                continue;
            }
            const auto at = static_cast<std::size_t>(3 * index);
            const std::uint32_t shown = picture->DisplayedColor(key.code);
            lit += shown != 0 ? 1 : 0;
            differing += shown != PackColour(frame[at], frame[at + 1], frame[at + 2]) ? 1 : 0;
        }
    };
    std::vector<float> packet(960);
    int sample = 0;
    int lit = 0;
    int differing = -1;
    // A steady tone: the keyboard's frame and the picture settle on the same bars.
    QElapsedTimer timer;
    timer.start();
    while ((lit == 0 || differing != 0) && timer.elapsed() < 10000) {
        for (std::size_t i = 0; i < packet.size(); i += 2, ++sample) {
            packet[i] = packet[i + 1] =
                0.8f * std::sin(2 * std::numbers::pi_v<float> * 1000 * sample / 48000);
        }
        audio->Feed(packet);
        QTest::qWait(10);
        compare(lit, differing);
    }
    EXPECT_GT(lit, 0);
    EXPECT_EQ(differing, 0);
    EXPECT_TRUE(window->Session().Status().musicStreaming);

    // Silence: the picture goes dark and so does the keyboard, which keeps
    // the dark frame.
    std::fill(packet.begin(), packet.end(), 0.0f);
    timer.restart();
    while ((lit != 0 || differing != 0) && timer.elapsed() < 10000) {
        audio->Feed(packet);
        QTest::qWait(10);
        compare(lit, differing);
    }
    EXPECT_EQ(lit, 0);
    EXPECT_EQ(differing, 0);
    EXPECT_TRUE(keyboard->WithFirmware([](sim::KeyboardFirmware& f) { return f.ShowsMusicFrame(); }));

    Click(VisibleTab(kTabHome));
    EXPECT_FALSE(audio->IsActive());
    EXPECT_FALSE(window->Session().Status().musicStreaming);
    QTRY_VERIFY_WITH_TIMEOUT(
        !keyboard->WithFirmware([](sim::KeyboardFirmware& f) { return f.ShowsMusicFrame(); }), 10000);
}

TEST_F(MusicPageTest, WithMusicOffTheTabCannotBeReached) {
    programFolder = dir.path() + "program/";
    std::filesystem::create_directories(programFolder);
    std::filesystem::create_directory_symlink(std::string(VANTORA_BIN_DIR) + "layouts",
                                              programFolder + "layouts");
    std::ifstream in(std::string(VANTORA_BIN_DIR) + "config.ini");
    std::stringstream text;
    text << in.rdbuf();
    std::string config = text.str();
    const std::size_t at = config.find("\nMUSIC=1");
    ASSERT_NE(at, std::string::npos);
    config.replace(at, 8, "\nMUSIC=0");
    std::ofstream(programFolder + "config.ini") << config;

    OpenConnected();
    EXPECT_EQ(audio, nullptr);  // no capture is ever opened
    for (MControl* tab : window->GetControls(kTabMusic)) {
        EXPECT_TRUE(tab->GetRect().IsEmpty());
        EXPECT_FALSE(tab->IsShownInTree());
        EXPECT_EQ(tab->focusPolicy(), Qt::NoFocus);
    }
    // The other tabs keep their four places.
    EXPECT_EQ(Control(kTabSetting)->GetRect().top, 120 + 3 * 65);
    EXPECT_EQ(VisibleTab(kTabMusic), nullptr);
}

}  // namespace
}  // namespace vantora::test
