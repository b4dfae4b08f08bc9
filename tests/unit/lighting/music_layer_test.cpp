#include "lighting/music_layer.h"

#include "lighting_fixture.h"

namespace vantora::test {
namespace {

using MusicLayerTest = LightingTest;

TEST_F(MusicLayerTest, TheFirstLoadLeavesTheDefaultRowAndSettingsAreStoredInIt) {
    EXPECT_FALSE(StoreMusicSetting(db, 1, MusicSetting::kForeMode, 2));  // no row yet
    EXPECT_EQ(LoadMusicLayerSettings(db, 1), MusicSettings{});
    EXPECT_EQ(LoadMusicLayerSettings(db, 1), MusicSettings{});
    EXPECT_EQ(db.CountMusicLayers(), 1);  // made once
    MusicLayer row;
    ASSERT_TRUE(db.GetMusicLayer(1, row));
    EXPECT_EQ(row.name, kMusicLayerName);

    EXPECT_TRUE(StoreMusicSetting(db, 1, MusicSetting::kForeMode, 17));
    EXPECT_TRUE(StoreMusicSetting(db, 1, MusicSetting::kAmplitude, 450));
    EXPECT_TRUE(StoreMusicSetting(db, 1, MusicSetting::kBackMode, 3));
    EXPECT_TRUE(StoreMusicSetting(db, 1, MusicSetting::kBackBrightness, 40));
    EXPECT_EQ(LoadMusicLayerSettings(db, 1),
              (MusicSettings{.foreMode = 17, .amplitude = 450, .backMode = 3, .backBrightness = 40}));
    // A layer id without a row reads as the defaults.
    EXPECT_EQ(LoadMusicLayerSettings(db, 7), MusicSettings{});
}

}  // namespace
}  // namespace vantora::test
