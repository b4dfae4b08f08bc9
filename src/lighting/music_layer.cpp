#include "lighting/music_layer.h"

namespace vantora {

MusicSettings LoadMusicLayerSettings(ProfileDatabase& db, int layerId) {
    if (db.CountMusicLayers() == 0) {
        // Counted again inside the transaction: programs starting at once
        // add one layer.
        ProfileDatabase::Transaction transaction(db);
        if (transaction.Began() && db.CountMusicLayers() == 0 && db.AddMusicLayer(kMusicLayerName) != 0) {
            transaction.Commit();
        }
    }
    MusicSettings settings;
    MusicLayer row;
    if (db.GetMusicLayer(layerId, row)) {
        settings.foreMode = row.foremode;
        settings.amplitude = row.fore_amplitude;
        settings.backMode = row.backmode;
        settings.backBrightness = row.backb_right;
    }
    return settings;
}

bool StoreMusicSetting(ProfileDatabase& db, int layerId, MusicSetting which, int value) {
    MusicLayer row;
    if (!db.GetMusicLayer(layerId, row)) {
        return false;
    }
    switch (which) {
        case MusicSetting::kForeMode:
            row.foremode = value;
            break;
        case MusicSetting::kAmplitude:
            row.fore_amplitude = value;
            break;
        case MusicSetting::kBackMode:
            row.backmode = value;
            break;
        case MusicSetting::kBackBrightness:
            row.backb_right = value;
            break;
    }
    return db.UpdateMusicLayer(layerId, row);
}

}  // namespace vantora
