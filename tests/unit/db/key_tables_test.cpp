#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/profile_database.h"
#include "db_fixture.h"

namespace vantora {
namespace {

using KeyTablesTest = test::DatabaseTest;

KeyAssignment Key(int profile, int layer, int keyCode, int type, int value, const std::string& desc = "") {
    KeyAssignment record;
    record.profile = profile;
    record.fn_layer = layer;
    record.key_code = keyCode;
    record.macro_type = type;
    record.macro_value = value;
    record.macro_desc = desc;
    return record;
}

TEST_F(KeyTablesTest, EveryFieldRoundTrips) {
    KeyAssignment record = Key(1, 1, 0x04, 2, 0x05, "Shift + B ✓");
    record.layout_value = 17;
    record.layout_desc = "布局";
    record.macro_value2 = 0xE1;
    record.macro_value3 = -3;
    const int id = db_.SaveKeyAssignment(record);
    ASSERT_EQ(id, 1);
    KeyAssignment read;
    ASSERT_TRUE(db_.GetKeyAssignment(1, 1, 0x04, read));
    EXPECT_EQ(read.key_id, id);
    EXPECT_EQ(read.profile, 1);
    EXPECT_EQ(read.fn_layer, 1);
    EXPECT_EQ(read.key_code, 0x04);
    EXPECT_EQ(read.layout_value, 17);
    EXPECT_EQ(read.layout_desc, "布局");
    EXPECT_EQ(read.macro_type, 2);
    EXPECT_EQ(read.macro_value, 0x05);
    EXPECT_EQ(read.macro_value2, 0xE1);
    EXPECT_EQ(read.macro_value3, -3);
    EXPECT_EQ(read.macro_desc, "Shift + B ✓");
}

TEST_F(KeyTablesTest, SavingAKeyTwiceLeavesOneRowWithANewId) {
    const int first = db_.SaveKeyAssignment(Key(1, 0, 0x04, 2, 0x05));
    const int second = db_.SaveKeyAssignment(Key(1, 0, 0x04, 5, 0x01, "Left"));
    EXPECT_GT(second, first);
    EXPECT_EQ(Query("SELECT count(*) FROM t_key_macro_data"), 1);
    KeyAssignment read;
    ASSERT_TRUE(db_.GetKeyAssignment(1, 0, 0x04, read));
    EXPECT_EQ(read.key_id, second);
    EXPECT_EQ(read.macro_type, 5);
}

// The delete and the insert are one change: a refused insert keeps the key's row.
TEST_F(KeyTablesTest, AnInsertTheDatabaseRefusesKeepsTheOldRow) {
    const int old = db_.SaveKeyAssignment(Key(1, 0, 0x04, 2, 0x05, "B"));
    ASSERT_TRUE(test::ExecOnFile(db_.DatabasePath(),
                                 "CREATE TRIGGER refuse BEFORE INSERT ON t_key_macro_data BEGIN SELECT "
                                 "RAISE(ABORT, 'refused'); END"));
    EXPECT_EQ(db_.SaveKeyAssignment(Key(1, 0, 0x04, 5, 0x01, "Left")), 0);
    KeyAssignment read;
    ASSERT_TRUE(db_.GetKeyAssignment(1, 0, 0x04, read));
    EXPECT_EQ(read.key_id, old);
    EXPECT_EQ(read.macro_desc, "B");
}

TEST_F(KeyTablesTest, KeyCodeZeroChangesNothing) {
    db_.SaveKeyAssignment(Key(1, 0, 0x04, 2, 0x05));
    EXPECT_EQ(db_.SaveKeyAssignment(Key(1, 0, 0, 2, 0x05)), 0);
    EXPECT_EQ(Query("SELECT count(*) FROM t_key_macro_data"), 1);
}

TEST_F(KeyTablesTest, DefaultFunctionOnlyDeletes) {
    // No row yet: nothing changes.
    EXPECT_EQ(db_.SaveKeyAssignment(Key(1, 0, 0x04, 0, 0)), 0);
    EXPECT_EQ(Query("SELECT count(*) FROM t_key_macro_data"), 0);
    // A row of the same key on the other layer and profile stays.
    db_.SaveKeyAssignment(Key(1, 0, 0x04, 2, 0x05));
    db_.SaveKeyAssignment(Key(1, 1, 0x04, 2, 0x06));
    db_.SaveKeyAssignment(Key(2, 0, 0x04, 2, 0x07));
    EXPECT_EQ(db_.SaveKeyAssignment(Key(1, 0, 0x04, 0, 0)), 0);
    KeyAssignment read;
    EXPECT_FALSE(db_.GetKeyAssignment(1, 0, 0x04, read));
    EXPECT_TRUE(db_.GetKeyAssignment(1, 1, 0x04, read));
    EXPECT_TRUE(db_.GetKeyAssignment(2, 0, 0x04, read));
    EXPECT_EQ(Query("SELECT count(*) FROM t_key_macro_data WHERE macro_value = 0"), 0);
}

TEST_F(KeyTablesTest, ListsFilterByProfileAndLayerInTableOrder) {
    db_.SaveKeyAssignment(Key(1, 0, 0x06, 2, 1));
    db_.SaveKeyAssignment(Key(1, 1, 0x04, 2, 2));
    db_.SaveKeyAssignment(Key(2, 0, 0x04, 2, 3));
    db_.SaveKeyAssignment(Key(1, 0, 0x05, 2, 4));
    std::vector<KeyAssignment> list(3);
    ASSERT_EQ(db_.ListKeyAssignments(1, 0, list), 2);
    EXPECT_EQ(list[0].key_code, 0x06);
    EXPECT_EQ(list[1].key_code, 0x05);
    ASSERT_EQ(db_.ListKeyAssignments(1, 1, list), 1);
    EXPECT_EQ(list[0].macro_value, 2);
    ASSERT_EQ(db_.ListAllKeyAssignments(1, list), 3);
    EXPECT_EQ(list[0].macro_value, 1);
    EXPECT_EQ(list[1].macro_value, 2);
    EXPECT_EQ(list[2].macro_value, 4);
    EXPECT_EQ(db_.ListAllKeyAssignments(9, list), 0);
    EXPECT_TRUE(list.empty());
}

TEST_F(KeyTablesTest, TenSendTextSavesLeaveTenOtherDataRows) {
    int lastId = 0;
    for (int i = 0; i < 10; ++i) {
        const std::string text = "text " + std::to_string(i);
        lastId = db_.AddOtherData(text, "", 10);
        EXPECT_EQ(lastId, i + 1);
        db_.SaveKeyAssignment(Key(1, 0, 0x04, 10, lastId, "Send Text"));
    }
    EXPECT_EQ(Query("SELECT count(*) FROM t_key_macro_data"), 1);
    EXPECT_EQ(Query("SELECT count(*) FROM t_key_otherdata"), 10);
    KeyAssignment read;
    ASSERT_TRUE(db_.GetKeyAssignment(1, 0, 0x04, read));
    EXPECT_EQ(read.macro_value, lastId);
    std::string desc, param;
    int type = 0;
    EXPECT_TRUE(db_.GetOtherData(lastId, desc, param, type));
    EXPECT_EQ(desc, "text 9");
    EXPECT_EQ(param, "");
    EXPECT_EQ(type, 10);
}

TEST_F(KeyTablesTest, ChangingAWebsiteKeyToMouseKeepsTheOldOtherDataRow) {
    const int site = db_.AddOtherData("https://例子.example/路径?q=1", "", 9);
    db_.SaveKeyAssignment(Key(1, 0, 0x04, 9, site, "Website"));
    db_.SaveKeyAssignment(Key(1, 0, 0x04, 5, 1, "Left"));
    std::string desc, param;
    int type = 0;
    EXPECT_TRUE(db_.GetOtherData(site, desc, param, type));
    EXPECT_EQ(desc, "https://例子.example/路径?q=1");
    EXPECT_EQ(type, 9);
}

TEST_F(KeyTablesTest, ApplicationKeepsItsPathAndMissingIdsLeaveOutputsAlone) {
    const int app = db_.AddOtherData("editor", "/usr/bin/editor --new", 8);
    std::string desc, param;
    int type = 0;
    EXPECT_TRUE(db_.GetOtherData(app, desc, param, type));
    EXPECT_EQ(desc, "editor");
    EXPECT_EQ(param, "/usr/bin/editor --new");
    EXPECT_EQ(type, 8);

    desc = "", param = "", type = 0;
    EXPECT_TRUE(db_.GetOtherData(app + 1, desc, param, type));
    EXPECT_EQ(desc, "");
    EXPECT_EQ(param, "");
    EXPECT_EQ(type, 0);
}

}  // namespace
}  // namespace vantora
