#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "db/profile_database.h"
#include "db/selection.h"
#include "device/device_change.h"
#include "layouts/keyboard_layout.h"
#include "session/interruptible_clock.h"
#include "session/keyboard_work.h"
#include "session/session_observer.h"
#include "session/system_switches.h"
#include "sync/sync_host.h"

namespace vantora {

class DeviceConnection;
class DeviceEventListener;
class DeviceWorker;
class Visualizer;
class AudioCapture;
class HidBackend;
class HidDeviceManager;

// What a session runs on. The defaults are the program's own; tests give a
// temporary folder, their own back end, clock and hot-plug sources.
struct SessionOptions {
    // Folder with config.ini and layouts/; empty: the executable's folder.
    std::string programFolder;
    // Folder holding db/ with the profile database; empty: GetDataFolder().
    std::string dataFolder;
    // HID back end; null: real keyboards through hidapi, then simulated ones.
    std::shared_ptr<HidBackend> backend;
    // Clock of the device protocol; null: the system clock.
    Clock* clock = nullptr;
    // Hot-plug sources; null: the udev monitor and the simulator folder watch.
    std::function<std::vector<std::unique_ptr<HotplugSource>>()> hotplugSources;
    // The analyser's image for music frames; null: the session's own
    // analyser when musicMode is on, else no streaming.
    MusicImageSource* music = nullptr;
    // The window's music mode: with MUSIC=1 in config.ini the session runs
    // the audio analyser, which works only while frames are wanted.
    bool musicMode = false;
    // The capture of what the computer plays, for the music mode; null:
    // the sound server's (PulseAudio or PipeWire's PulseAudio service).
    std::function<std::unique_ptr<AudioCapture>()> audioCapture;
    // Whether Start queues the music layer and the initial load.
    bool initialLoad = true;
    // Whether the keyboard's event reports are read (host-side key actions).
    bool listenForEvents = true;
    // Whether Start starts the worker; otherwise StartWorker does, so that a
    // job queued before it runs at once instead of after the first pass's
    // wait (the command line's single job).
    bool startWorker = true;
};

// Everything between a user interface and the keyboard: the profile
// database, the HID back end and device manager, the connection with its
// hot-plug sources, the event listener and the device worker. The window
// and the command line each own one and watch it through SessionObserver.
//
// Start and Stop are called from the owner's thread; Queue, the selection,
// the database and the queries from any thread. Hot-plug events are handled
// on the source's thread, one at a time.
class DeviceSession : private SyncHost {
public:
    DeviceSession(SessionOptions options, SessionObserver& observer);
    ~DeviceSession() override;
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    // Opens (or creates) the database, sets up the device link and the
    // layout, then starts the worker with the music layer and the initial
    // load queued. False when the database could not be opened; the session
    // runs all the same (its operations then fail without effect), as the
    // program has always done.
    bool Start();
    // Orderly end: the worker (its protocol waits cut short, the download
    // in progress runs out), the listener, the hot-plug sources, then the
    // keyboard and the HID library. Idempotent; the destructor calls it.
    void Stop();
    bool Stopping() const { return stopping_.load(); }
    // Starts the worker when Start did not (see SessionOptions::startWorker).
    void StartWorker();

    // ---- Jobs -----------------------------------------------------------
    // Appends a SyncTask job; dropped once the session stops. `done`, when
    // given, is told how the job ended (on the worker thread; kCancelled when
    // the session stopped first).
    void Queue(int task, JobDone done = {});
    // The next SyncInitialLoad or arrival runs the initial load again.
    void RequestInitialLoad();
    // Music frames are sent only while wanted (the MUSIC page is shown).
    void SetStreamingWanted(bool wanted);
    // "Restore Factory": the database emptied (in one transaction), then
    // the keyboard reset and every page loaded again with the first-start
    // defaults. False when the database was not emptied: then nothing was
    // changed or queued, and `done` is told kDatabaseBusy (another program
    // kept it busy) or kDatabaseRefused at once.
    bool RestoreFactory(JobDone done = {});
    // Stores a system switch and queues the settings download; false
    // (nothing queued) when the database refused it.
    bool SetSystemSwitch(SystemSwitch which, bool on);
    // Queues the jobs of `work` (kFactoryReset also empties the database,
    // see RestoreFactory); `done` gets the worst outcome of them once the
    // last has run.
    void Perform(KeyboardWork work, JobDone done);

    // The profile list, with the first-start rows (profiles, settings)
    // created on an empty database, and the active profile made the
    // selection's profile on the standard layer.
    ProfileListData LoadProfiles();
    // The assignments of the selection's profile and layer.
    KeyAssignmentData LoadKeyAssignments();
    // Every macro and the records of the first.
    MacroListData LoadMacros();
    // The light modes, with the catalogue created on an empty table (and
    // the per-key "Custom" row when config.ini's PER_KEY is 1), one made
    // current; the current one is also the selection's light mode.
    LightingData LoadLighting();

    // ---- State ------------------------------------------------------------
    bool IsConnected() const;
    KeyboardStatus Status() const;
    // The keyboard's firmware version (release number), 0 without one.
    // Never waits for a download.
    int FirmwareVersion() const;
    // The host-side row a key press reported by its slot stands for, as the
    // keyboard's key table assigns it; 0 when it stands for none (or the
    // keyboard's table is not known yet). Any thread.
    int HostIdForSlot(int slot) const;
    ProfileDatabase& Database() { return db_; }
    Selection& CurrentSelection() { return selection_; }
    // The MUSIC page's settings for the analyser (any thread).
    void ApplyMusicSettings(const MusicSettings& settings);
    const KeyboardLayout& Layout() const { return layout_; }
    const std::string& LayoutName() const { return layoutName_; }
    const std::string& ProgramFolder() const { return programFolder_; }
    const std::string& DataFolder() const { return dataFolder_; }
    std::string ConfigPath() const { return programFolder_ + "config.ini"; }
    std::string ConfigText(const std::string& key) const;
    int ConfigInt(const std::string& key) const;

    // Parts for tests and the owner's diagnostics (null before Start).
    DeviceWorker* Worker() { return worker_.get(); }
    DeviceConnection* Connection() { return connection_.get(); }
    HidDeviceManager* Manager() { return manager_.get(); }

private:
    // Queues `first`, then `second`; `done` gets the worse outcome.
    void QueueBoth(int first, int second, JobDone done);
    void CreateDeviceObjects();
    void StartDevice();
    void OnDeviceChange(const DeviceChange& change);
    void RestartListener();
    // Tells the observer when the connected state differs from the one it
    // was last told.
    void TellConnection();

    // SyncHost (the worker thread).
    bool LoadProfileList() override;
    bool RefreshKeyTips() override;
    bool ReloadMacroList() override;
    bool RefreshLightPage() override;
    bool LoadSwitches() override;
    void LoadMusicLayer() override;
    void Reconnect() override;
    std::vector<KeyColourSample> PaintMusicKeys(const std::vector<KeyColourSample>& samples) override;
    void OnWriteActivity(const WriteActivity& activity) override { observer_.OnKeyboardActivity(activity); }

    SessionOptions options_;
    SessionObserver& observer_;
    std::string programFolder_;
    std::string dataFolder_;

    // Order matters: the worker is declared last so that it dies first.
    InterruptibleClock clock_;
    std::shared_ptr<HidBackend> backend_;
    std::unique_ptr<HidDeviceManager> manager_;
    ProfileDatabase db_;
    Selection selection_;
    std::unique_ptr<Visualizer> visualizer_;
    std::unique_ptr<AudioCapture> capture_;
    std::atomic<bool> streamingWanted_{false};
    std::unique_ptr<DeviceConnection> connection_;
    std::unique_ptr<DeviceEventListener> listener_;
    KeyboardLayout layout_;
    std::string layoutName_;
    std::unique_ptr<DeviceWorker> worker_;

    std::mutex deviceChangeMutex_;  // one hot-plug event at a time
    std::mutex lifecycleMutex_;     // Start against Stop
    std::mutex notifyMutex_;        // connection changes told in order
    std::atomic<bool> started_{false};
    std::atomic<bool> stopping_{false};
    std::atomic<bool> connectedShown_{false};  // the state last told the observer
};

}  // namespace vantora
