#include "session/device_session.h"

#include <atomic>
#include <memory>

#include "app/config.h"
#include "app/folders.h"
#include "device/default_hid_backend.h"
#include "device/device_connection.h"
#include "device/device_event_listener.h"
#include "device/hid_device_manager.h"
#include "device/hidapi_backend.h"
#include "device/sim_folder_monitor.h"
#include "i18n/strings.h"
#include "keys/profile_names.h"
#include "lighting/light_catalogue.h"
#include "lighting/visualizer.h"
#include "platform/pulse_audio_capture.h"
#include "platform/udev_hotplug_monitor.h"
#include "sync/device_worker.h"

namespace vantora {
namespace {

constexpr const char* kDatabaseName = "kb_data";

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

}  // namespace

DeviceSession::DeviceSession(SessionOptions options, SessionObserver& observer)
    : options_(std::move(options)),
      observer_(observer),
      programFolder_(WithSlash(options_.programFolder.empty() ? GetExeFolder() : options_.programFolder)),
      dataFolder_(WithSlash(options_.dataFolder.empty() ? GetDataFolder() : options_.dataFolder)),
      clock_(options_.clock) {}

DeviceSession::~DeviceSession() {
    // The worker and the device threads call into this object: they end
    // before any member goes.
    Stop();
}

std::string DeviceSession::ConfigText(const std::string& key) const {
    return ReadConfigStringFrom(ConfigPath(), key);
}

int DeviceSession::ConfigInt(const std::string& key) const {
    return ReadConfigIntFrom(ConfigPath(), key);
}

bool DeviceSession::Start() {
    std::lock_guard lock(lifecycleMutex_);
    if (started_.load() || stopping_.load()) {
        return false;
    }
    started_ = true;
    EnsureDataFolder(dataFolder_);
    const bool opened = db_.OpenProfileDatabase(dataFolder_, kDatabaseName);
    layoutName_ = LayoutNameForNumber(ConfigInt("LAYOUT"));
    layout_ = LoadKeyboardLayoutFrom(programFolder_);
    CreateDeviceObjects();
    SyncContext context{db_,
                        *manager_,
                        clock_,
                        layout_.codeToIndex,
                        layout_.indexToCode,
                        selection_,
                        connection_->DeviceIndexState()};
    SyncHost& host = *this;  // a private base: converted here, inside the class
    MusicImageSource* music = options_.music;
    if (music == nullptr && options_.musicMode && ConfigInt("MUSIC") == 1) {
        visualizer_ = std::make_unique<Visualizer>();
        visualizer_->Start();  // its thread sleeps until frames are wanted
        music = visualizer_.get();
        capture_ = options_.audioCapture ? options_.audioCapture() : MakePulseAudioCapture();
        if (capture_) {
            // Corked until frames are wanted.
            capture_->Start([this](std::span<const float> samples,
                                   int channels) { visualizer_->PushSamples(samples, channels); },
                            [this](AudioCaptureState state) {
                                if (!stopping_.load()) {
                                    observer_.OnMusicCaptureChanged(state);
                                }
                            });
        }
    }
    worker_ = std::make_unique<DeviceWorker>(context, host, music);
    // Every object exists before the first hot-plug event can arrive.
    StartDevice();
    if (options_.initialLoad) {
        worker_->Queue(SyncMusicLayer);
        worker_->Queue(SyncInitialLoad);
    }
    if (options_.startWorker) {
        worker_->Start();
    }
    return opened;
}

void DeviceSession::StartWorker() {
    std::lock_guard lock(lifecycleMutex_);
    if (worker_ && !stopping_.load() && !worker_->IsRunning()) {
        worker_->Start();
    }
}

void DeviceSession::CreateDeviceObjects() {
    backend_ = options_.backend ? options_.backend : CreateDefaultHidBackend();
    manager_ = std::make_unique<HidDeviceManager>(*backend_, clock_);
    listener_ = std::make_unique<DeviceEventListener>(
        *backend_, clock_,
        [this](unsigned, std::uintptr_t, std::intptr_t functionId) {
            observer_.OnKeyEvent(static_cast<int>(functionId));
        },
        0);
    const int vendorId = ParseHexId(ConfigText("VID "));
    const int productId = ParseHexId(ConfigText("PID "));
    if (vendorId <= 0xFFFF && productId <= 0xFFFF) {
        listener_->SetFilter(static_cast<std::uint16_t>(vendorId), static_cast<std::uint16_t>(productId));
    }

    DeviceConnection::Hooks hooks;
    // Connection changes are told once the reconnection is over (see
    // OnDeviceChange and Reconnect), not from inside it.
    hooks.queueDeviceArrived = [this] { Queue(SyncDeviceArrived); };
    hooks.restartListener = [this] { RestartListener(); };
    connection_ = std::make_unique<DeviceConnection>(*manager_, hooks);
    if (options_.hotplugSources) {
        for (auto& source : options_.hotplugSources()) {
            connection_->AddHotplugSource(std::move(source));
        }
    } else {
        connection_->AddHotplugSource(std::make_unique<UdevHotplugMonitor>());
        connection_->AddHotplugSource(std::make_unique<SimFolderMonitor>());
    }
}

// The identity, the hot-plug sources, the first connection, the listener.
void DeviceSession::StartDevice() {
    connection_->SetUpDeviceWith(ConfigText("VID "), ConfigText("PID "),
                                 [this](const DeviceChange& change) { OnDeviceChange(change); });
    {
        std::lock_guard lock(notifyMutex_);
        connectedShown_ = IsConnected();
    }
    RestartListener();
}

void DeviceSession::RestartListener() {
    if (listener_ && options_.listenForEvents && !stopping_.load()) {
        listener_->StartListener();
    }
}

// On the hot-plug source's thread.
void DeviceSession::OnDeviceChange(const DeviceChange& change) {
    std::lock_guard lock(deviceChangeMutex_);
    if (stopping_.load() || !connection_) {
        return;
    }
    connection_->OnDeviceChange(change);
    TellConnection();
}

void DeviceSession::TellConnection() {
    std::lock_guard lock(notifyMutex_);
    const bool connected = IsConnected();
    if (connectedShown_.exchange(connected) != connected && !stopping_.load()) {
        observer_.OnConnectionChanged(connected);
    }
}

void DeviceSession::Stop() {
    std::lock_guard lock(lifecycleMutex_);
    if (stopping_.exchange(true)) {
        return;
    }
    if (worker_) {
        worker_->RequestStop();
        clock_.Interrupt();
        worker_->Stop();
    }
    // After the worker, which reads its images; the capture feeds it.
    if (capture_) {
        capture_->Stop();
    }
    if (visualizer_) {
        visualizer_->Stop();
    }
    // The hot-plug sources before the listener: their events restart it.
    if (connection_) {
        connection_->StopHotplug();
    }
    if (listener_) {
        listener_->StopListener();
    }
    if (manager_) {
        manager_->CloseDevices();
    }
    if (backend_ && !options_.backend) {
        HidapiBackend::Shutdown();
    }
}

void DeviceSession::Queue(int task, JobDone done) {
    if (worker_ && !stopping_.load()) {
        worker_->Queue(task, std::move(done));
    } else if (done) {
        done(JobOutcome::kCancelled);
    }
}

void DeviceSession::RequestInitialLoad() {
    if (worker_) {
        worker_->RequestInitialLoad();
    }
}

void DeviceSession::SetStreamingWanted(bool wanted) {
    streamingWanted_ = wanted;
    if (worker_) {
        worker_->SetStreamingWanted(wanted);
    }
    if (visualizer_) {
        visualizer_->SetActive(wanted);
    }
    if (capture_) {
        capture_->SetActive(wanted);
    }
}

bool DeviceSession::RestoreFactory(JobDone done) {
    // The keyboard is reset only once the database is empty: a keyboard
    // reset while the rows stay would be written back from them.
    if (!db_.ResetProfileDatabase(dataFolder_, kDatabaseName)) {
        if (done) {
            done(db_.LastChangeWasBusy() ? JobOutcome::kDatabaseBusy : JobOutcome::kDatabaseRefused);
        }
        return false;
    }
    Queue(SyncFactoryReset, std::move(done));
    // The wipe took the music layer row with it: the default row is stored
    // again and shown, so the MUSIC page's changes have a row to go to.
    Queue(SyncMusicLayer);
    // Also when the initial load had run: the next arrival loads again.
    RequestInitialLoad();
    return true;
}

bool DeviceSession::SetSystemSwitch(SystemSwitch which, bool on) {
    if (!StoreSystemSwitch(db_, which, on)) {
        return false;
    }
    Queue(SyncSettings);
    return true;
}

void DeviceSession::Perform(KeyboardWork work, JobDone done) {
    switch (work) {
        case KeyboardWork::kNothing:
            if (done) {
                done(JobOutcome::kDone);
            }
            return;
        case KeyboardWork::kKeys:
            Queue(SyncKeys, std::move(done));
            return;
        case KeyboardWork::kSettings:
            Queue(SyncSettings, std::move(done));
            return;
        case KeyboardWork::kFactoryReset:
            RestoreFactory(std::move(done));
            return;
        case KeyboardWork::kLighting:
            // Mode byte 0 of the settings block shows the colour table just written.
            QueueBoth(SyncKeyColours, SyncSettings, std::move(done));
            return;
        case KeyboardWork::kMacros:
            Queue(SyncMacros, std::move(done));
            return;
        case KeyboardWork::kMacrosKeys:
            // The key table binds keys to the macros' new places in the memory.
            QueueBoth(SyncMacros, SyncKeys, std::move(done));
            return;
        case KeyboardWork::kSync:
            break;
    }
    // The read-back first, then every table; the last job reports for all.
    struct Worst {
        std::mutex mutex;
        JobOutcome outcome = JobOutcome::kDone;
    };
    auto worst = std::make_shared<Worst>();
    auto note = [worst](JobOutcome outcome) {
        std::lock_guard lock(worst->mutex);
        worst->outcome = WorseOutcome(worst->outcome, outcome);
    };
    RequestInitialLoad();
    Queue(SyncInitialLoad, note);
    Queue(SyncKeys, note);
    Queue(SyncMacros, note);
    Queue(SyncSettings, note);
    Queue(SyncKeyColours, [worst, note, done = std::move(done)](JobOutcome outcome) {
        note(outcome);
        if (done) {
            std::lock_guard lock(worst->mutex);
            done(worst->outcome);
        }
    });
}

void DeviceSession::QueueBoth(int first, int second, JobDone done) {
    auto outcome = std::make_shared<std::atomic<JobOutcome>>(JobOutcome::kDone);
    Queue(first, [outcome](JobOutcome result) { outcome->store(result); });
    Queue(second, [outcome, done = std::move(done)](JobOutcome result) {
        if (done) {
            done(WorseOutcome(outcome->load(), result));
        }
    });
}

KeyboardStatus DeviceSession::Status() const {
    KeyboardStatus status;
    status.connected = IsConnected();
    status.firmwareVersion = status.connected ? FirmwareVersion() : 0;
    status.vendorId = ParseHexId(ConfigText("VID "));
    status.productId = ParseHexId(ConfigText("PID "));
    status.musicStreaming =
        status.connected && streamingWanted_.load() && (options_.music != nullptr || visualizer_ != nullptr);
    return status;
}

bool DeviceSession::IsConnected() const {
    return connection_ != nullptr && connection_->DeviceIndex() != -1;
}

int DeviceSession::HostIdForSlot(int slot) const {
    return worker_ ? worker_->HostIdForSlot(slot) : 0;
}

int DeviceSession::FirmwareVersion() const {
    return manager_ ? manager_->FirmwareVersion() : 0;
}

ProfileListData DeviceSession::LoadProfiles() {
    ProfileListData data;
    db_.ListProfilesCreatingDefaults(data.profiles, DefaultProfileWord());
    data.activeProfile = db_.GetActiveProfile();
    selection_.profile = data.activeProfile;
    selection_.layer = 0;
    return data;
}

KeyAssignmentData DeviceSession::LoadKeyAssignments() {
    KeyAssignmentData data;
    data.profile = selection_.profile.load();
    data.layer = selection_.layer.load();
    db_.ListKeyAssignments(data.profile, data.layer, data.assignments);
    return data;
}

MacroListData DeviceSession::LoadMacros() {
    MacroListData data;
    db_.ListMacros(data.macros);
    if (!data.macros.empty()) {
        db_.ListMacroSteps(data.macros.front().macro_id, data.firstMacroSteps);
    }
    return data;
}

LightingData DeviceSession::LoadLighting() {
    LightingData data;
    const std::optional<int> current =
        EnsureLightModes(db_, ConfigInt("PER_KEY") == 1, CurrentUiLanguage.load());
    db_.ListLightModes(data.modes);
    if (current) {
        data.activeMode = *current;
        selection_.lightMode = *current;
    }
    return data;
}

// ---- SyncHost (worker thread) ------------------------------------------------

bool DeviceSession::LoadProfileList() {
    if (stopping_.load()) {
        return false;
    }
    return observer_.OnProfilesLoaded(LoadProfiles());
}

bool DeviceSession::RefreshKeyTips() {
    if (stopping_.load()) {
        return false;
    }
    return observer_.OnKeyAssignmentsLoaded(LoadKeyAssignments());
}

bool DeviceSession::ReloadMacroList() {
    if (stopping_.load()) {
        return false;
    }
    return observer_.OnMacrosLoaded(LoadMacros());
}

bool DeviceSession::RefreshLightPage() {
    if (stopping_.load()) {
        return false;
    }
    return observer_.OnLightingLoaded(LoadLighting());
}

bool DeviceSession::LoadSwitches() {
    if (stopping_.load()) {
        return false;
    }
    return observer_.OnSwitchesLoaded(LoadSystemSwitches(db_));
}

void DeviceSession::ApplyMusicSettings(const MusicSettings& settings) {
    if (!visualizer_) {
        return;
    }
    visualizer_->SetForeMode(settings.foreMode);
    visualizer_->SetAmplitude(settings.amplitude);
    visualizer_->SetBackMode(settings.backMode);
    visualizer_->SetBackBrightness(settings.backBrightness);
}

void DeviceSession::LoadMusicLayer() {
    // The first start leaves the music layer row in the database.
    const MusicSettings settings = LoadMusicLayerSettings(db_, selection_.musicLayerId.load());
    ApplyMusicSettings(settings);
    if (stopping_.load()) {
        return;
    }
    observer_.OnMusicLayerLoaded(settings);
}

void DeviceSession::Reconnect() {
    if (!connection_ || stopping_.load()) {
        return;
    }
    connection_->Reconnect();
    TellConnection();
}

std::vector<KeyColourSample> DeviceSession::PaintMusicKeys(const std::vector<KeyColourSample>& samples) {
    if (stopping_.load()) {
        return samples;
    }
    return observer_.PaintMusicKeys(samples);
}

}  // namespace vantora
