#pragma once

#include <vector>

#include "sync/colour_tables.h"
#include "sync/music_sampling.h"
#include "sync/write_activity.h"

namespace vantora {

// What the device worker asks of its owner (the device session). Every call
// comes from the worker thread.
class SyncHost {
public:
    virtual ~SyncHost() = default;

    // The reloads of the initial load and of the factory reset, in this
    // order. Each returns false when it could not run (the owner is
    // stopping); the load then stops there.
    // Makes the active profile (created on an empty database) the selection's
    // profile and the standard layer its layer, and shows the profile list.
    virtual bool LoadProfileList() = 0;
    virtual bool RefreshKeyTips() = 0;
    virtual bool ReloadMacroList() = 0;
    virtual bool RefreshLightPage() = 0;
    virtual bool LoadSwitches() = 0;

    // SyncMusicLayer: start the audio analyser and reload the music layer.
    virtual void LoadMusicLayer() = 0;
    // SyncDeviceArrived: close and reopen the keyboard; afterwards the
    // context's deviceIndex says whether one is connected.
    virtual void Reconnect() = 0;

    // Paints the music picture with the sampled key colours and returns
    // every key of the picture with its colour (keys outside the sampling
    // grid keep theirs).
    virtual std::vector<KeyColourSample> PaintMusicKeys(const std::vector<KeyColourSample>& samples) = 0;

    // A job that talks to the keyboard started, moved on or ended.
    virtual void OnWriteActivity(const WriteActivity& activity) { (void)activity; }
};

// The analyser's latest spectrum image.
class MusicImageSource {
public:
    virtual ~MusicImageSource() = default;
    // Copies the latest image; false when there is none yet.
    virtual bool LatestImage(MusicImage& image) = 0;
};

}  // namespace vantora
