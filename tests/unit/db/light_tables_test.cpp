#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/profile_database.h"
#include "db_fixture.h"

namespace vantora {
namespace {

using LightTablesTest = test::DatabaseTest;

LightMode Mode(int mode, const std::string& name) {
    LightMode record;
    record.profile = 1;
    record.name = name;
    record.mode = mode;
    record.brightness = 4;
    record.speed = 3;
    record.direction = 1;
    record.colorful = 1;
    record.colorindex = 7;
    record.color_value = 0x0000FF;
    record.config_func = 0x1F;
    record.reserved = 200 + mode;
    return record;
}

std::vector<KeyColour> ColourSet(int mode, int keys, int rgb) {
    std::vector<KeyColour> set;
    for (int i = 0; i < keys; ++i) {
        set.push_back(KeyColour{0, 1, mode, 4 + i, rgb + i});
    }
    return set;
}

TEST_F(LightTablesTest, ModesAreAddedCountedReadAndListed) {
    EXPECT_EQ(db_.CountLightModes(1), 0);
    for (int mode = 1; mode <= 22; ++mode) {
        EXPECT_EQ(db_.AddLightMode(Mode(mode, "Mode " + std::to_string(mode))), mode);
    }
    EXPECT_TRUE(db_.SetActiveLightMode(1, 1));
    EXPECT_EQ(db_.CountLightModes(1), 22);
    EXPECT_EQ(db_.CountLightModes(2), 0);
    EXPECT_EQ(Query("SELECT count(*) FROM t_light_data WHERE status = 1"), 1);
    EXPECT_EQ(db_.GetActiveLightMode(), 1);

    LightMode read;
    ASSERT_TRUE(db_.GetLightMode(5, read));
    EXPECT_EQ(read.light_id, 5);
    EXPECT_EQ(read.profile, 1);
    EXPECT_EQ(read.name, "Mode 5");
    EXPECT_EQ(read.brightness, 4);
    EXPECT_EQ(read.speed, 3);
    EXPECT_EQ(read.direction, 1);
    EXPECT_EQ(read.colorful, 1);
    EXPECT_EQ(read.colorindex, 7);
    EXPECT_EQ(read.color_value, 0x0000FF);
    EXPECT_EQ(read.config_func, 0x1F);
    EXPECT_EQ(read.reserved, 205);
    EXPECT_EQ(read.status, 0);
    EXPECT_FALSE(db_.GetLightMode(23, read));

    std::vector<LightMode> list(1);
    ASSERT_EQ(db_.ListLightModes(list), 22);
    EXPECT_EQ(list.front().mode, 1);
    EXPECT_EQ(list.front().status, 1);
    EXPECT_EQ(list.back().mode, 22);
}

TEST_F(LightTablesTest, UpdateChangesTheParametersOnly) {
    db_.AddLightMode(Mode(3, "Wave"));
    LightMode changed = Mode(3, "ignored");
    changed.brightness = 0;
    changed.speed = 5;
    changed.direction = 2;
    changed.colorful = 0;
    changed.colorindex = 1;
    changed.color_value = 0xFF0000;  // pure blue
    changed.config_func = 3;
    changed.reserved = 9;
    changed.status = 1;
    EXPECT_TRUE(db_.UpdateLightMode(3, changed));
    LightMode read;
    ASSERT_TRUE(db_.GetLightMode(3, read));
    EXPECT_EQ(read.name, "Wave");
    EXPECT_EQ(read.brightness, 0);
    EXPECT_EQ(read.speed, 5);
    EXPECT_EQ(read.direction, 2);
    EXPECT_EQ(read.colorful, 0);
    EXPECT_EQ(read.colorindex, 1);
    EXPECT_EQ(read.color_value, 16711680);
    EXPECT_EQ(read.config_func, 3);
    EXPECT_EQ(read.reserved, 9);
    EXPECT_EQ(read.status, 0);
}

TEST_F(LightTablesTest, ActivatingAMissingModeLeavesNoModeActive) {
    db_.AddLightMode(Mode(1, "a"));
    db_.AddLightMode(Mode(2, "b"));
    db_.SetActiveLightMode(1, 2);
    EXPECT_EQ(db_.GetActiveLightMode(), 2);
    EXPECT_TRUE(db_.SetActiveLightMode(1, 40));
    EXPECT_EQ(Query("SELECT count(*) FROM t_light_data WHERE status <> 0"), 0);
    EXPECT_EQ(db_.GetActiveLightMode(), 0);
}

TEST_F(LightTablesTest, ReplacingTheColoursOfAModeLeavesOneSet) {
    EXPECT_EQ(db_.AddKeyColours(ColourSet(0, 104, 0x10)), 104);
    db_.AddKeyColours(ColourSet(2, 3, 0x20));
    EXPECT_TRUE(db_.DeleteKeyColours(0));
    EXPECT_EQ(db_.AddKeyColours(ColourSet(0, 104, 0x30)), 104);
    std::vector<KeyColour> list;
    ASSERT_EQ(db_.ListKeyColours(0, list), 104);
    EXPECT_EQ(list.front().key_code, 4);
    EXPECT_EQ(list.front().key_rgb, 0x30);
    EXPECT_EQ(list.front().profile, 1);
    EXPECT_EQ(list.front().light_id, 0);
    EXPECT_EQ(list.back().key_rgb, 0x30 + 103);
    EXPECT_GT(list.front().keylight_id, 104);
    EXPECT_EQ(db_.ListKeyColours(2, list), 3);
    EXPECT_EQ(db_.ListKeyColours(9, list), 0);
    EXPECT_EQ(db_.AddKeyColours({}), 0);
}

TEST_F(LightTablesTest, ColoursKeepRedInTheLowestByte) {
    db_.AddKeyColours(
        {KeyColour{0, 1, 0, 4, 255}, KeyColour{0, 1, 0, 5, 16711680}, KeyColour{0, 1, 0, 6, 0xFFFFFF}});
    EXPECT_EQ(Query("SELECT key_rgb FROM t_key_light_data WHERE key_code = 4"), 255);
    EXPECT_EQ(Query("SELECT key_rgb FROM t_key_light_data WHERE key_code = 5"), 16711680);
    std::vector<KeyColour> list;
    ASSERT_EQ(db_.ListKeyColours(0, list), 3);
    EXPECT_EQ(list[2].key_rgb, 0xFFFFFF);
}

TEST_F(LightTablesTest, ColourSetCommitsAsOneTransaction) {
    int begins = 0;
    int ends = 0;
    int inserts = 0;
    db_.SetStatementObserver([&](const char* sql) {
        const std::string text(sql);
        begins += text == "BEGIN IMMEDIATE";
        ends += text == "COMMIT";
        inserts += text.rfind("INSERT INTO t_key_light_data", 0) == 0;
    });
    db_.AddKeyColours(ColourSet(0, 104, 1));
    EXPECT_EQ(begins, 1);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(inserts, 104);
}

// The map is replaced whole or not at all: a refused insert (a trigger
// here) leaves the stored set as it was.
TEST_F(LightTablesTest, ReplacingAColourSetIsAllOrNothing) {
    db_.AddKeyColours(ColourSet(2, 3, 7));
    ASSERT_TRUE(db_.ReplaceKeyColours(0, ColourSet(0, 5, 1)));
    ASSERT_TRUE(db_.ReplaceKeyColours(0, ColourSet(0, 4, 2)));
    std::vector<KeyColour> list;
    EXPECT_EQ(db_.ListKeyColours(0, list), 4);
    EXPECT_EQ(db_.ListKeyColours(2, list), 3);  // other modes keep theirs

    ASSERT_TRUE(
        test::ExecOnFile(db_.DatabasePath(),
                         "CREATE TRIGGER refuse BEFORE INSERT ON t_key_light_data WHEN NEW.key_code = 103 "
                         "BEGIN SELECT RAISE(ABORT, 'refused'); END;"));
    EXPECT_FALSE(db_.ReplaceKeyColours(0, ColourSet(0, 104, 3)));
    ASSERT_EQ(db_.ListKeyColours(0, list), 4);
    EXPECT_EQ(list.front().key_rgb, 2);
    // The connection is usable afterwards (no transaction left open).
    EXPECT_TRUE(db_.ReplaceKeyColours(0, ColourSet(0, 2, 4)));
    EXPECT_EQ(db_.ListKeyColours(0, list), 2);
}

TEST_F(LightTablesTest, MusicLayerDefaultsAndUpdates) {
    EXPECT_EQ(db_.CountMusicLayers(), 0);
    ASSERT_EQ(db_.AddMusicLayer("音乐律动"), 1);
    EXPECT_EQ(db_.CountMusicLayers(), 1);
    MusicLayer layer;
    ASSERT_TRUE(db_.GetMusicLayer(1, layer));
    EXPECT_EQ(layer.layer_id, 1);
    EXPECT_EQ(layer.profile, 1);
    EXPECT_EQ(layer.name, "音乐律动");
    EXPECT_EQ(layer.deviceindex, 0);
    EXPECT_EQ(layer.foremode, 13);
    EXPECT_EQ(layer.fore_amplitude, 300);
    EXPECT_EQ(layer.backmode, 0);
    EXPECT_EQ(layer.backb_right, 100);
    EXPECT_EQ(Query("SELECT sel FROM t_musiclayer_data"), 0);

    layer.foremode = 2;
    layer.fore_amplitude = 150;
    layer.backmode = 1;
    layer.backb_right = 40;
    layer.name = "not written";
    EXPECT_TRUE(db_.UpdateMusicLayer(1, layer));
    MusicLayer read;
    ASSERT_TRUE(db_.GetMusicLayer(1, read));
    EXPECT_EQ(read.name, "音乐律动");
    EXPECT_EQ(read.foremode, 2);
    EXPECT_EQ(read.fore_amplitude, 150);
    EXPECT_EQ(read.backmode, 1);
    EXPECT_EQ(read.backb_right, 40);
    EXPECT_FALSE(db_.GetMusicLayer(2, read));
}

}  // namespace
}  // namespace vantora
