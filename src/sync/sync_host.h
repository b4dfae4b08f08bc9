#pragma once

#include <vector>

#include "sync/colour_tables.h"
#include "sync/music_sampling.h"

namespace vantora {

// What the device worker asks of the main window. Every call comes from the
// worker thread; the main window marshals the page reloads to its UI thread.
// A call made while the worker is being stopped must not wait for the UI
// thread forever (the UI thread may be the one stopping the worker): return
// without effect once CThreadBasic::RequestStop() has been called.
class SyncHost {
public:
    virtual ~SyncHost() = default;

    // The reloads of the initial load and of the factory reset.
    virtual void LoadProfileList() = 0;  // also makes currentProfile the active profile
    virtual void RefreshKeyTips() = 0;
    virtual void ReloadMacroList() = 0;
    virtual void RefreshLightPage() = 0;
    virtual void LoadSwitches() = 0;

    // SyncMusicLayer: start the audio analyser and reload the music layer.
    virtual void LoadMusicLayer() = 0;
    // SyncDeviceArrived: close and reopen the keyboard; afterwards
    // ProfileDatabase::deviceIndex says whether one is connected.
    virtual void Reconnect() = 0;

    // Streaming conditions, read once per pass.
    virtual bool IsWindowVisible() = 0;
    virtual int CurrentPage() = 0;

    // Paints the MUSIC page's keyboard picture with the sampled key colours,
    // redraws it and returns every key item of the picture with its colour
    // (keys outside the sampling grid keep theirs).
    virtual std::vector<KeyColourSample> PaintMusicKeys(const std::vector<KeyColourSample>& samples) = 0;
};

// The analyser's latest spectrum image.
class MusicImageSource {
public:
    virtual ~MusicImageSource() = default;
    // Copies the latest image; false when there is none yet.
    virtual bool LatestImage(MusicImage& image) = 0;
};

}  // namespace vantora
