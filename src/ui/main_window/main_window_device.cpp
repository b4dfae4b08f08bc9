// The main window's device side: the keyboard link with its hot-plug
// sources and event listener, the device worker, and the worker's calls
// marshalled to the UI thread.
#include "app/config.h"
#include "device/default_hid_backend.h"
#include "device/device_connection.h"
#include "device/device_event_listener.h"
#include "device/hid_device_manager.h"
#include "device/hidapi_backend.h"
#include "device/sim_folder_monitor.h"
#include "platform/udev_hotplug_monitor.h"
#include "sync/device_worker.h"
#include "ui/main_window/main_window.h"
#include "ui/window_messages.h"

#include <QMetaObject>
#include <QThread>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace vantora {
namespace {

// One call of the worker waiting for the UI thread.
struct UiCall {
    std::function<void()> job;
    std::mutex mutex;
    std::condition_variable finished;
    bool started = false;
    bool done = false;
    bool abandoned = false;
};

constexpr auto kStopPoll = std::chrono::milliseconds(20);

}  // namespace

void DeviceMainDlg::SetUpDevice() {
    if (options_.backend) {
        backend_ = options_.backend;
    } else {
        backend_ = CreateDefaultHidBackend();
    }
    manager_ = std::make_unique<HidDeviceManager>(*backend_, clock_);

    const WindowPoster post = MessagePoster();
    listener_ = std::make_unique<DeviceEventListener>(
        *backend_, clock_, [post](unsigned msg, std::uintptr_t w, std::intptr_t l) { post(msg, w, l); },
        MSG_DEVICE_EVENT);

    DeviceConnection::Hooks hooks;
    hooks.showHomePage = [this] { ShowHomeAfterLoss(); };
    hooks.queueDeviceArrived = [this] { QueueTask(SyncDeviceArrived); };
    hooks.restartListener = [this] {
        if (listener_ && !stopping_.load()) {
            listener_->StartListener();
        }
    };
    connection_ = std::make_unique<DeviceConnection>(*manager_, hooks);
    if (options_.hotplugSources) {
        for (auto& source : options_.hotplugSources()) {
            connection_->AddHotplugSource(std::move(source));
        }
    } else {
        connection_->AddHotplugSource(std::make_unique<UdevHotplugMonitor>());
        connection_->AddHotplugSource(std::make_unique<SimFolderMonitor>());
    }
    const std::string vendor = ConfigText("VID ");
    const std::string product = ConfigText("PID ");
    connection_->SetUpDeviceWith(vendor, product,
                                 [this](const DeviceChange& change) { DeliverDeviceChange(change); });
    const int vendorId = ParseHexId(vendor);
    const int productId = ParseHexId(product);
    if (vendorId <= 0xFFFF && productId <= 0xFFFF) {
        listener_->SetFilter(static_cast<std::uint16_t>(vendorId), static_cast<std::uint16_t>(productId));
    }
    listener_->StartListener();
}

// Hot-plug events arrive on the source's thread; the connection handles them
// on the UI thread.
void DeviceMainDlg::DeliverDeviceChange(const DeviceChange& change) {
    QMetaObject::invokeMethod(
        this,
        [this, change] {
            if (stopping_.load() || !connection_) {
                return;
            }
            connection_->OnDeviceChange(change);
            AfterConnectionChange();
        },
        Qt::QueuedConnection);
}

// The worker follows the connection's own state; the pages follow
// whether music frames are wanted.
void DeviceMainDlg::AfterConnectionChange() {
    UpdateStreaming();
}

void DeviceMainDlg::UpdateStreaming() {
    if (worker_) {
        worker_->SetStreamingWanted(musicActive_.load() && windowVisible_.load());
    }
}

// The keyboard went away while it was connected: back to the HOME page.
void DeviceMainDlg::ShowHomeAfterLoss() {
    AfterConnectionChange();
    RunOnUiThread([this] {
        const int old = currentPage_.load();
        ShowPage(old, false);
        if (old == kTabMusic) {
            musicActive_ = false;
            UpdateStreaming();
        }
        ShowPage(kTabHome, true);
        currentPage_ = kTabHome;
    });
}

void DeviceMainDlg::CreateWorker() {
    SyncContext context{
        db_, *manager_, clock_, codeToIndex_, indexToCode_, selection_, connection_->DeviceIndexState()};
    worker_ = std::make_unique<DeviceWorker>(context, *this, nullptr);
}

void DeviceMainDlg::StartWorker() {
    if (worker_) {
        worker_->Start();
    }
}

// Orderly end of every thread: the worker (its waits cut short), the event
// listener, the hot-plug sources, then the keyboard and the HID library.
void DeviceMainDlg::StopEverything() {
    if (shutDown_) {
        return;
    }
    shutDown_ = true;
    stopping_ = true;
    if (worker_) {
        worker_->RequestStop();
        clock_.Interrupt();
        worker_->Stop();
    }
    RemoveTrayIcon();
    if (listener_) {
        listener_->StopListener();
    }
    if (connection_) {
        connection_->StopHotplug();
    }
    if (manager_) {
        manager_->CloseDevices();
    }
    if (!options_.backend) {
        HidapiBackend::Shutdown();
    }
}

bool DeviceMainDlg::RunOnUiThread(std::function<void()> job) {
    if (QThread::currentThread() == thread()) {
        job();
        return true;
    }
    auto call = std::make_shared<UiCall>();
    call->job = std::move(job);
    auto stopRequested = [this] { return stopping_.load() || (worker_ && worker_->StopRequested()); };
    if (stopRequested()) {
        return false;
    }
    QMetaObject::invokeMethod(
        this,
        [call] {
            {
                std::lock_guard lock(call->mutex);
                if (call->abandoned) {
                    return;
                }
                call->started = true;
            }
            call->job();
            {
                std::lock_guard lock(call->mutex);
                call->done = true;
            }
            call->finished.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(call->mutex);
    while (!call->done) {
        // A job the UI thread has begun always ends (it never waits for the
        // worker); one it has not begun is dropped once the stop is asked.
        if (!call->started && stopRequested()) {
            call->abandoned = true;
            return false;
        }
        call->finished.wait_for(lock, kStopPoll);
    }
    return true;
}

// ---- SyncHost --------------------------------------------------------------------

bool DeviceMainDlg::LoadProfileList() {
    return RunOnUiThread([this] { keyPage_.ShowProfiles(ReadProfileListNow()); });
}

bool DeviceMainDlg::RefreshKeyTips() {
    return RunOnUiThread([this] { keyPage_.ShowKeyAssignments(ReadKeyAssignmentsNow()); });
}

bool DeviceMainDlg::ReloadMacroList() {
    return RunOnUiThread([this] { macroPage_.ShowMacros(ReadMacroListNow()); });
}

bool DeviceMainDlg::RefreshLightPage() {
    // The lighting page's catalogue and controls belong to its own editor.
    return !stopping_.load();
}

bool DeviceMainDlg::LoadSwitches() {
    return RunOnUiThread([this] { settingPage_.ShowSwitches(ReadSwitchesNow()); });
}

void DeviceMainDlg::LoadMusicLayer() {
    // The audio analyser and the music layer belong to the music page.
}

void DeviceMainDlg::Reconnect() {
    if (!connection_) {
        return;
    }
    connection_->Reconnect();
    AfterConnectionChange();
}

std::vector<KeyColourSample> DeviceMainDlg::PaintMusicKeys(const std::vector<KeyColourSample>& samples) {
    std::vector<KeyColourSample> result;
    RunOnUiThread([this, &samples, &result] {
        KeyboardCtrl* kb = musicPage_.Picture();
        if (kb == nullptr) {
            return;
        }
        for (const KeyColourSample& sample : samples) {
            kb->SetKeyColor(sample.keyCode, sample.colour);
        }
        kb->UpdateControl();
        for (const KeyItemInfo& item : kb->GetKeyItems()) {
            result.push_back({item.code, item.color});
        }
    });
    return result;
}

}  // namespace vantora
