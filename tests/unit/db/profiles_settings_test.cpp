#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/profile_database.h"
#include "db_fixture.h"

namespace vantora {
namespace {

using ProfileTableTest = test::DatabaseTest;

TEST_F(ProfileTableTest, NewDatabaseGetsThreeDefaultProfilesAndNineSettings) {
    std::vector<ProfileItem> profiles;
    ASSERT_EQ(db_.ListProfilesCreatingDefaults(profiles, "Profile"), 3);
    EXPECT_EQ(profiles[0].profile, 1);
    EXPECT_EQ(profiles[0].name, "Profile 1");
    EXPECT_EQ(profiles[0].status, 1);
    EXPECT_EQ(profiles[1].profile, 2);
    EXPECT_EQ(profiles[1].name, "Profile 2");
    EXPECT_EQ(profiles[1].status, 0);
    EXPECT_EQ(profiles[2].name, "Profile 3");
    EXPECT_EQ(profiles[2].status, 0);
    EXPECT_EQ(db_.GetActiveProfile(), 1);

    EXPECT_EQ(Query("SELECT count(*) FROM t_config_data WHERE profile = 1"), 9);
    EXPECT_EQ(Query("SELECT count(*) FROM t_config_data"), 9);
    std::string value;
    EXPECT_TRUE(db_.GetConfig("version", value));
    EXPECT_EQ(value, "1.0.1");
    EXPECT_TRUE(db_.GetConfig("lightmode", value));
    EXPECT_EQ(value, "1");
    for (const char* key : {"fn_layer", "sleep_light", "userlight", "disable_gamemode", "disable_win",
                            "disable_alttab", "disable_altf4"}) {
        EXPECT_TRUE(db_.GetConfig(key, value)) << key;
        EXPECT_EQ(value, "0") << key;
    }
    // The settings rows were inserted in their fixed order, after profile 1.
    EXPECT_EQ(Query("SELECT config_id FROM t_config_data WHERE key = 'version'"), 1);
    EXPECT_EQ(Query("SELECT config_id FROM t_config_data WHERE key = 'disable_altf4'"), 9);

    // A second load finds the profiles and adds nothing.
    ASSERT_EQ(db_.ListProfilesCreatingDefaults(profiles, "Profile"), 3);
    EXPECT_EQ(Query("SELECT count(*) FROM t_config_data"), 9);
}

TEST_F(ProfileTableTest, DefaultNamesUseTheWordGiven) {
    std::vector<ProfileItem> profiles;
    ASSERT_EQ(db_.ListProfilesCreatingDefaults(profiles, "配置方案"), 3);
    EXPECT_EQ(profiles[1].name, "配置方案 2");
}

TEST_F(ProfileTableTest, DefaultsAfterEveryProfileWasDeletedActivateTheNewFirstProfile) {
    const int a = db_.AddProfile("a");
    ASSERT_TRUE(db_.DeleteProfile(a));
    std::vector<ProfileItem> profiles;
    ASSERT_EQ(db_.ListProfilesCreatingDefaults(profiles, "Profile"), 3);
    EXPECT_EQ(profiles[0].profile, 2);
    EXPECT_EQ(db_.GetActiveProfile(), 2);
}

TEST_F(ProfileTableTest, NonAsciiNamesRoundTrip) {
    const std::string chinese = "我的配置 🎮";
    const std::string mixed = "Ünïcödé – тест";
    const int id = db_.AddProfile(chinese);
    ASSERT_EQ(id, 1);
    std::vector<ProfileItem> profiles;
    ASSERT_EQ(db_.ListProfiles(profiles), 1);
    EXPECT_EQ(profiles[0].name, chinese);
    EXPECT_EQ(profiles[0].status, 0);
    EXPECT_TRUE(db_.RenameProfile(id, mixed));
    ASSERT_EQ(db_.ListProfiles(profiles), 1);
    EXPECT_EQ(profiles[0].name, mixed);
    EXPECT_TRUE(db_.RenameProfile(id, ""));
    ASSERT_EQ(db_.ListProfiles(profiles), 1);
    EXPECT_EQ(profiles[0].name, "");
}

TEST_F(ProfileTableTest, ListReplacesWhatTheListHeld) {
    std::vector<ProfileItem> profiles{{9, "stale", 1}, {10, "stale", 0}};
    db_.AddProfile("only");
    ASSERT_EQ(db_.ListProfiles(profiles), 1);
    EXPECT_EQ(profiles[0].name, "only");
}

TEST_F(ProfileTableTest, DeletedIdsAreNeverReusedAndTheirKeysStay) {
    for (const char* name : {"a", "b", "c"}) {
        db_.AddProfile(name);
    }
    KeyAssignment key;
    key.profile = 2;
    key.key_code = 4;
    key.macro_type = 2;
    key.macro_value = 5;
    ASSERT_NE(db_.SaveKeyAssignment(key), 0);
    EXPECT_TRUE(db_.DeleteProfile(2));
    EXPECT_EQ(db_.AddProfile("d"), 4);
    std::vector<ProfileItem> profiles;
    ASSERT_EQ(db_.ListProfiles(profiles), 3);
    EXPECT_EQ(profiles[0].profile, 1);
    EXPECT_EQ(profiles[1].profile, 3);
    EXPECT_EQ(profiles[2].profile, 4);
    EXPECT_EQ(Query("SELECT count(*) FROM t_key_macro_data WHERE profile = 2"), 1);
    // Deleting a missing profile still runs and reports success.
    EXPECT_TRUE(db_.DeleteProfile(42));
}

TEST_F(ProfileTableTest, ExactlyOneProfileIsActiveAfterASelection) {
    for (const char* name : {"a", "b", "c"}) {
        db_.AddProfile(name);
    }
    EXPECT_EQ(db_.GetActiveProfile(), 0);
    EXPECT_TRUE(db_.SetActiveProfile(3));
    EXPECT_EQ(db_.GetActiveProfile(), 3);
    EXPECT_TRUE(db_.SetActiveProfile(2));
    EXPECT_EQ(db_.GetActiveProfile(), 2);
    EXPECT_EQ(Query("SELECT count(*) FROM t_profile_data WHERE status = 1"), 1);
    // A missing id leaves no profile active; the update itself ran.
    EXPECT_TRUE(db_.SetActiveProfile(99));
    EXPECT_EQ(db_.GetActiveProfile(), 0);
}

// The rules' table appears with the first rule; rules keep the order they
// were added in, go with their profile and with the factory reset.
TEST_F(ProfileTableTest, RulesAreKeptInOrderAndGoWithTheirProfileAndTheReset) {
    const int kept = Query("SELECT count(*) FROM sqlite_master");
    std::vector<ProfileRule> rules;
    EXPECT_EQ(db_.ListProfileRules(rules), 0);
    EXPECT_TRUE(db_.DeleteProfile(7));
    EXPECT_EQ(Query("SELECT count(*) FROM sqlite_master"), kept);
    const int a = db_.AddProfile("a");
    const int b = db_.AddProfile("b");
    const int first = db_.AddProfileRule({0, "Firefox", "", b, 0});
    const int second = db_.AddProfileRule({0, "steam_app_1", "*Editor*", a, 0});
    const int third = db_.AddProfileRule({0, "kate", "", b, 0});
    ASSERT_EQ(db_.ListProfileRules(rules), 3);
    EXPECT_EQ(rules[0].rule_id, first);
    EXPECT_EQ(rules[0].app_id, "Firefox");
    EXPECT_EQ(rules[1].rule_id, second);
    EXPECT_EQ(rules[1].title_pattern, "*Editor*");
    EXPECT_EQ(rules[1].profile, a);
    EXPECT_LT(rules[1].position, rules[2].position);
    EXPECT_TRUE(db_.RemoveProfileRule(first));
    EXPECT_TRUE(db_.DeleteProfile(b));
    ASSERT_EQ(db_.ListProfileRules(rules), 1);
    EXPECT_EQ(rules[0].rule_id, second);
    EXPECT_NE(third, 0);
    EXPECT_TRUE(db_.WipeAllTables());
    EXPECT_EQ(db_.ListProfileRules(rules), 0);
}

using SettingsTableTest = test::DatabaseTest;

TEST_F(SettingsTableTest, MissingRowIsNotCreatedBySetConfig) {
    std::string value = "stale";
    EXPECT_FALSE(db_.GetConfig("disable_win", value));
    EXPECT_EQ(value, "");
    EXPECT_TRUE(db_.SetConfig("disable_win", "1"));
    EXPECT_EQ(Query("SELECT count(*) FROM t_config_data"), 0);
    EXPECT_FALSE(db_.GetConfig("disable_win", value));
}

TEST_F(SettingsTableTest, SettingsAreReadAndWrittenUnderProfileOne) {
    db_.InsertDefaultConfig();
    db_.AddProfile("a");
    db_.AddProfile("b");
    db_.SetActiveProfile(2);
    EXPECT_TRUE(db_.SetConfig("disable_win", "1"));
    std::string value;
    EXPECT_TRUE(db_.GetConfig("disable_win", value));
    EXPECT_EQ(value, "1");
    EXPECT_EQ(Query("SELECT count(*) FROM t_config_data WHERE profile = 1 AND key = 'disable_win' AND value "
                    "= '1'"),
              1);
    // Keys are matched exactly.
    EXPECT_FALSE(db_.GetConfig("DISABLE_WIN", value));
    EXPECT_FALSE(db_.GetConfig("", value));
}

}  // namespace
}  // namespace vantora
