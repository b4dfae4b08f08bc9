#pragma once

#include <vector>

#include "lighting/music_layer.h"
#include "platform/audio_capture.h"
#include "session/page_data.h"
#include "sync/music_sampling.h"
#include "sync/write_activity.h"

namespace vantora {

// Who watches a DeviceSession: the main window, or the command line. Every
// call comes from one of the session's threads (device worker, hot-plug
// source, event listener), never with a session lock held; a window marshals
// the calls to its UI thread.
class SessionObserver {
public:
    virtual ~SessionObserver() = default;

    // A reconnection changed whether a keyboard is connected.
    virtual void OnConnectionChanged(bool connected) { (void)connected; }
    // The keyboard sent an event report for a key with a host-side
    // function; `functionId` is the t_key_otherdata row id it carries.
    virtual void OnKeyEvent(int functionId) { (void)functionId; }

    // The page data of the initial load and of the factory reset, in this
    // order. Each returns false when the data could not be shown because
    // the observer is shutting down: the load then stops.
    virtual bool OnProfilesLoaded(const ProfileListData& data) {
        (void)data;
        return true;
    }
    virtual bool OnKeyAssignmentsLoaded(const KeyAssignmentData& data) {
        (void)data;
        return true;
    }
    virtual bool OnMacrosLoaded(const MacroListData& data) {
        (void)data;
        return true;
    }
    virtual bool OnLightingLoaded(const LightingData& data) {
        (void)data;
        return true;
    }
    virtual bool OnSwitchesLoaded(const SwitchData& data) {
        (void)data;
        return true;
    }
    // The music layer's settings (SyncMusicLayer, at start).
    virtual bool OnMusicLayerLoaded(const MusicSettings& settings) {
        (void)settings;
        return true;
    }

    // Where the capture of the sound for the music mode stands (its own
    // thread; told once per change).
    virtual void OnMusicCaptureChanged(AudioCaptureState state) { (void)state; }
    // What the device worker does with the keyboard: a job started, moved
    // on (the long transfers) or ended with its outcome. A window shows it.
    virtual void OnKeyboardActivity(const WriteActivity& activity) { (void)activity; }

    // Music streaming: paints the key colours sampled from the analyser's
    // image and returns every key of the picture with its colour (keys
    // outside the sampling grid keep theirs). Without a picture the samples
    // themselves are the frame.
    virtual std::vector<KeyColourSample> PaintMusicKeys(const std::vector<KeyColourSample>& samples) {
        return samples;
    }
};

}  // namespace vantora
