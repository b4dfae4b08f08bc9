// Which profile the rules pick for the application in front.
#include "session/app_rules.h"

#include <gtest/gtest.h>

#include "unit/db/db_fixture.h"

namespace vantora {
namespace {

using AppRulesTest = test::DatabaseTest;

TEST_F(AppRulesTest, TheFirstMatchingRuleWinsThenTheDefaultThenTheCurrentProfile) {
    const int game = db_.AddProfile("game");
    const int code = db_.AddProfile("code");
    const int gone = db_.AddProfile("gone");
    db_.AddProfileRule({0, "steam_app_42", "", gone, 0});
    db_.AddProfileRule({0, "Code", "*.cpp - *", code, 0});
    db_.AddProfileRule({0, "code", "", game, 0});
    db_.AddProfileRule({0, "steam_app_42", "", game, 0});
    ASSERT_TRUE(db_.DeleteProfile(gone));
    db_.AddProfileRule({0, "broken", "", gone, 0});

    // The application id ignores case; the title is a glob on the whole title.
    EXPECT_EQ(ChooseProfile(db_, {"CODE", "main.cpp - project"}), code);
    EXPECT_EQ(ChooseProfile(db_, {"code", "main.cpp"}), game);
    EXPECT_EQ(ChooseProfile(db_, {"steam_app_42", ""}), game);
    // No rule, no default: keep; a default that exists is taken; none in front: keep.
    EXPECT_EQ(ChooseProfile(db_, {"other", "x"}), 0);
    ASSERT_TRUE(StoreAppProfileDefault(db_, code));
    EXPECT_EQ(ChooseProfile(db_, {"other", "x"}), code);
    EXPECT_EQ(ChooseProfile(db_, {"", ""}), 0);
    ASSERT_TRUE(StoreAppProfileDefault(db_, gone));
    EXPECT_EQ(ChooseProfile(db_, {"broken", ""}), 0);

    const std::vector<ListedRule> rules = ListRules(db_);
    ASSERT_EQ(rules.size(), 4u);  // the first went with its profile
    EXPECT_FALSE(rules[0].broken);
    EXPECT_TRUE(rules[3].broken);
    EXPECT_TRUE(LoadAppProfileSettings(db_).enabled);
    ASSERT_TRUE(StoreAppProfileEnabled(db_, false));
    EXPECT_FALSE(LoadAppProfileSettings(db_).enabled);
}

TEST(GlobTest, StarsAndQuestionMarksMatchTheWholeTextIgnoringAsciiCase) {
    EXPECT_TRUE(GlobMatches("", ""));
    EXPECT_TRUE(GlobMatches("*", "anything"));
    EXPECT_TRUE(GlobMatches("*ed?tor*", "The EDITOR window"));
    EXPECT_TRUE(GlobMatches("a*b*c", "aXbYbZc"));
    EXPECT_FALSE(GlobMatches("a*b", "aXbY"));
    EXPECT_FALSE(GlobMatches("?", ""));
    EXPECT_FALSE(GlobMatches("doom", "doom eternal"));
}

}  // namespace
}  // namespace vantora
