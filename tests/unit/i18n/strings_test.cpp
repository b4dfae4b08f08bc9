#include "i18n/strings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace vantora {
namespace {

class LanguageScope {
public:
    explicit LanguageScope(int language) : saved_(CurrentUiLanguage.load()) { CurrentUiLanguage = language; }
    ~LanguageScope() { CurrentUiLanguage = saved_; }

private:
    int saved_;
};

std::set<int> Range(int first, int last) {
    std::set<int> ids;
    for (int id = first; id <= last; ++id) {
        ids.insert(id);
    }
    return ids;
}

std::set<int> Join(std::initializer_list<std::set<int>> parts) {
    std::set<int> all;
    for (const auto& part : parts) {
        all.insert(part.begin(), part.end());
    }
    return all;
}

struct LanguageRow {
    int langId;
    const char* tag;
    std::set<int> extra;
    std::set<int> missing;
};

// The languages, their tags, the ids they add to the English set and the
// English ids they lack.
std::vector<LanguageRow> Languages() {
    const std::set<int> knobsAndLights = Join({{35, 232, 530, 531, 532, 623}, Range(550, 567)});
    return {
        {1033, "ENG", {232}, {}},
        {2052, "\xE4\xB8\xAD\xE6\x96\x87", {232, 623}, {626}},
        {1028, "Traditional", knobsAndLights, {}},
        {1049, "Russian", {232}, {}},
        {1036, "French", {232}, {92, 93, 94, 624, 625}},
        {1054, "Thai", {232, 623}, {92, 93, 94}},
        {1055, "Turkish", {232, 623}, {}},
        {1025, "Arabic", {232, 623}, {}},
        {1040, "Italian", knobsAndLights, {}},
        {3082, "Spanish", knobsAndLights, {}},
        {2070, "Portuguese", knobsAndLights, {}},
    };
}

const StringTable* Table(int langId) {
    for (const auto& table : AllStringTables()) {
        if (table.langId == langId) {
            return &table;
        }
    }
    return nullptr;
}

std::set<int> EnglishSet() {
    std::set<int> ids;
    for (const auto& [id, text] : Table(1033)->entries) {
        ids.insert(id);
    }
    ids.erase(232);
    return ids;
}

TEST(StringTables, EveryShippedFileParses) {
    EXPECT_EQ(EmbeddedStringFiles().size(), 11u);
    for (const auto& file : EmbeddedStringFiles()) {
        StringTable table;
        std::string error;
        EXPECT_TRUE(ParseStringTable(file.text, table, error)) << file.name << ": " << error;
    }
    EXPECT_EQ(AllStringTables().size(), 11u);
}

// The 182 texts of the original tables, and ours from 690 on (the music
// page's capture messages), which every language has.
TEST(StringTables, EnglishHasItsTextsAndThe232Message) {
    ASSERT_NE(Table(1033), nullptr);
    // 23: the rules dialog (1100-1122); 3: where recording takes keys from (1210-1212)
    EXPECT_EQ(EnglishSet().size(), 182u + 2u + 58u + 23u + 3u + 5u);  // 23: the rules dialog, 5: the OpenRGB server
    EXPECT_TRUE(EnglishSet().contains(690) && EnglishSet().contains(691));
    EXPECT_FALSE(GetUiString(232, 1033).empty());
    EXPECT_NE(GetUiString(232, 1033), "ENG");
}

TEST(StringTables, EachLanguageHasExactlyTheEnglishSetWithItsGapsAndExtras) {
    const std::set<int> english = EnglishSet();
    for (const auto& row : Languages()) {
        SCOPED_TRACE(row.langId);
        const StringTable* table = Table(row.langId);
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(table->tag, row.tag);
        std::set<int> expected = english;
        for (int id : row.missing) {
            expected.erase(id);
        }
        expected.insert(row.extra.begin(), row.extra.end());
        std::set<int> actual;
        for (const auto& [id, text] : table->entries) {
            actual.insert(id);
            EXPECT_GE(id, 1);
            EXPECT_LE(id, 1999);
        }
        EXPECT_EQ(actual, expected);
    }
}

TEST(StringTables, TranslationsAreRealTexts) {
    // Apart from the texts that are empty on purpose, every text is filled in,
    // and most differ from English (names like "OK" may stay the same).
    for (const auto& row : Languages()) {
        if (row.langId == 1033) {
            continue;
        }
        SCOPED_TRACE(row.langId);
        ASSERT_NE(Table(row.langId), nullptr);
        int sameAsEnglish = 0;
        int compared = 0;
        for (const auto& [id, text] : Table(row.langId)->entries) {
            if (id == 1 || id == 381) {
                continue;
            }
            EXPECT_FALSE(text.empty()) << "id " << id;
            if (const std::string* english = Table(1033)->Find(id)) {
                ++compared;
                sameAsEnglish += *english == text ? 1 : 0;
            }
        }
        EXPECT_LT(sameAsEnglish * 4, compared);
    }
}

TEST(GetUiString, EnglishLookupsAndTheTag) {
    LanguageScope english(1033);
    EXPECT_EQ(GetUiString(2), "Please connect the device!");
    EXPECT_EQ(GetUiString(4), "ENG");
    EXPECT_EQ(GetUiString(1), "Keyboard Driver");
    EXPECT_EQ(GetUiString(110), "Profile");
    EXPECT_EQ(GetUiString(380), "This operation will clear all saved data, do you want to continue?");
    EXPECT_EQ(GetUiString(626), "UserDefine");
    EXPECT_EQ(GetUiString(606), "Wave_ horiz");
}

TEST(GetUiString, UnknownLanguageAnswersEnglish) {
    LanguageScope japanese(1041);
    for (const auto& [id, text] : Table(1033)->entries) {
        EXPECT_EQ(GetUiString(id), text);
    }
    EXPECT_EQ(GetUiString(4), "ENG");
}

TEST(GetUiString, UndefinedIdsAnswerTheLanguageTag) {
    LanguageScope french(1036);
    EXPECT_EQ(GetUiString(92), "French");
    EXPECT_EQ(GetUiString(625), "French");
    CurrentUiLanguage = 2052;
    EXPECT_EQ(GetUiString(626), "\xE4\xB8\xAD\xE6\x96\x87");
    EXPECT_NE(GetUiString(623), "\xE4\xB8\xAD\xE6\x96\x87");
}

TEST(GetUiString, IdsOutsideTheRangeAnswerTheTag) {
    for (const auto& row : Languages()) {
        EXPECT_EQ(GetUiString(0, row.langId), row.tag);
        EXPECT_EQ(GetUiString(700, row.langId), row.tag);
        EXPECT_EQ(GetUiString(-1, row.langId), row.tag);
        EXPECT_EQ(GetUiString(100000, row.langId), row.tag);
    }
}

TEST(GetUiString, EmptyTextsAndTheTitle) {
    for (const auto& row : Languages()) {
        SCOPED_TRACE(row.langId);
        EXPECT_EQ(GetUiString(381, row.langId), "");
        if (row.langId == 1033 || row.langId == 1049) {
            EXPECT_EQ(GetUiString(1, row.langId), "Keyboard Driver");
        } else {
            EXPECT_EQ(GetUiString(1, row.langId), "");
        }
    }
}

TEST(GetUiString, Id232IsDefinedInEveryLanguage) {
    for (const auto& row : Languages()) {
        EXPECT_NE(GetUiString(232, row.langId), row.tag) << row.langId;
    }
}

TEST(FormatUiString, FillsPlaceholdersInTheLanguagesOrderOnce) {
    LanguageScope russian(1049);
    // "клавиша %1 «%2»: %3"; an argument's own "%1" stays as it is.
    EXPECT_EQ(FormatUiString(1032, {"4", "%1", "x"}), "клавиша 4 «%1»: x");
    CurrentUiLanguage = 1033;
    EXPECT_EQ(FormatUiString(1032, {"4"}), "key 4 \u201c%2\u201d: %3");
}

TEST(GetUiString, ReturnsTheSameStorageEveryTime) {
    EXPECT_EQ(&GetUiString(2, 1033), &GetUiString(2, 1033));
}

TEST(ParseStringTable, AcceptsCommentsEscapesAndCarriageReturns) {
    StringTable table;
    std::string error;
    ASSERT_TRUE(
        ParseStringTable("# c\r\n@langid\t9\r\n@tag\tT\r\n5\ta\\nb\\t\\\\c\r\n3\t\r\n\r\n", table, error))
        << error;
    EXPECT_EQ(table.langId, 9);
    EXPECT_EQ(table.tag, "T");
    ASSERT_EQ(table.entries.size(), 2u);
    EXPECT_EQ(table.entries[0], (std::pair<int, std::string>(3, "")));
    EXPECT_EQ(table.entries[1], (std::pair<int, std::string>(5, "a\nb\t\\c")));
    EXPECT_EQ(table.Find(4), nullptr);
}

TEST(ParseStringTable, RejectsMalformedFilesWithTheLine) {
    const std::map<std::string, std::string> bad = {
        {"@langid\t1\n@tag\tT\n2000\tx\n", "outside"},
        {"@langid\t1\n@tag\tT\n0\tx\n", "outside"},
        {"@langid\t1\n@tag\tT\n5\tx\n5\ty\n", "twice"},
        {"@langid\t1\n@tag\tT\n5 x\n", "line 3"},
        {"@langid\t1\n@tag\tT\nfive\tx\n", "unknown"},
        {"@tag\tT\n5\tx\n", "@langid"},
        {"@langid\t1\n5\tx\n", "@tag"},
        {"@langid\tone\n@tag\tT\n", "positive"},
    };
    for (const auto& [text, why] : bad) {
        StringTable table;
        std::string error;
        EXPECT_FALSE(ParseStringTable(text, table, error)) << text;
        EXPECT_NE(error.find(why), std::string::npos) << error;
    }
}

}  // namespace
}  // namespace vantora
