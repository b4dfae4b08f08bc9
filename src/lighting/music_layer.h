#pragma once

#include "db/profile_database.h"

namespace vantora {

// The MUSIC page's settings as the analyser takes them.
struct MusicSettings {
    int foreMode = 13;
    int amplitude = 300;  // the slider's position times kAmplitudeStep
    int backMode = 0;
    int backBrightness = 100;
    bool operator==(const MusicSettings&) const = default;
};

// The amplitude slider moves in steps of this many amplitude units.
inline constexpr int kAmplitudeStep = 5;
// The name the first music layer row is given.
inline constexpr const char* kMusicLayerName = "音乐律动";

enum class MusicSetting { kForeMode, kAmplitude, kBackMode, kBackBrightness };

// The music layer row `layerId`: made with its defaults when there is no
// music layer at all, then read. The defaults when the row cannot be read.
MusicSettings LoadMusicLayerSettings(ProfileDatabase& db, int layerId);
// Stores one setting in row `layerId`; false when the row is missing or the
// database refused.
bool StoreMusicSetting(ProfileDatabase& db, int layerId, MusicSetting which, int value);

}  // namespace vantora
