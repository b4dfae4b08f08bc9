// The main window as the device session's observer: what the session tells
// from its threads is shown on the UI thread, and vantoractl's requests are
// handed to the session.
#include "i18n/strings.h"
#include "session/keyboard_work.h"
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

// One call of a session thread waiting for the UI thread.
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

void DeviceMainDlg::UpdateStreaming() {
    const bool wanted = musicActive_.load() && windowVisible_.load();
    session_->SetStreamingWanted(wanted);
    if (streaming_ && !wanted && IsConnected()) {
        // The keyboard goes back to its light mode instead of keeping the
        // last frame it was sent.
        session_->Queue(SyncSettings);
    }
    streaming_ = wanted;
}

// The keyboard went away while it was connected: back to the HOME page.
void DeviceMainDlg::ShowHomeAfterLoss() {
    macroPage_.StopRecording();  // what was recorded is kept
    const int old = currentPage_.load();
    ShowPage(old, false);
    if (old == kTabMusic) {
        musicActive_ = false;
        UpdateStreaming();
    }
    ShowPage(kTabHome, true);
    currentPage_ = kTabHome;
}

// Orderly end: the session (worker with its waits cut short, listener,
// hot-plug sources, keyboard, HID library), then the tray.
void DeviceMainDlg::StopEverything() {
    if (shutDown_) {
        return;
    }
    shutDown_ = true;
    stopping_ = true;
    sdk_.reset();  // the clients go before the keyboard
    follower_->Stop();
    session_->Stop();
    RemoveTrayIcon();
}

bool DeviceMainDlg::RunOnUiThread(std::function<void()> job) {
    if (QThread::currentThread() == thread()) {
        job();
        return true;
    }
    auto call = std::make_shared<UiCall>();
    call->job = std::move(job);
    auto stopRequested = [this] { return stopping_.load() || session_->Stopping(); };
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
        // session); one it has not begun is dropped once the stop is asked.
        if (!call->started && stopRequested()) {
            call->abandoned = true;
            return false;
        }
        call->finished.wait_for(lock, kStopPoll);
    }
    return true;
}

// ---- SessionObserver --------------------------------------------------------------

void DeviceMainDlg::OnConnectionChanged(bool connected) {
    QMetaObject::invokeMethod(
        this,
        [this, connected] {
            if (stopping_.load()) {
                return;
            }
            if (!connected) {
                ShowHomeAfterLoss();  // when connected, the pages open on the next tab click
            }
            if (sdk_) {
                sdk_->KeyboardChanged();
            }
            emit KeyboardStateChanged();
        },
        Qt::QueuedConnection);
}

void DeviceMainDlg::OnKeyEvent(int functionId) {
    if (poster_) {
        poster_(MSG_DEVICE_EVENT, 0, functionId);
    }
}

bool DeviceMainDlg::OnProfilesLoaded(const ProfileListData& data) {
    return RunOnUiThread([this, &data] { keyPage_.ShowProfiles(data); });
}

bool DeviceMainDlg::OnKeyAssignmentsLoaded(const KeyAssignmentData& data) {
    return RunOnUiThread([this, &data] { keyPage_.ShowKeyAssignments(data); });
}

bool DeviceMainDlg::OnMusicLayerLoaded(const MusicSettings& settings) {
    return RunOnUiThread([this, settings] { musicPage_.ShowSettings(settings); });
}

void DeviceMainDlg::OnMusicCaptureChanged(AudioCaptureState state) {
    // Said on the MUSIC page, not in a box: the program goes on without sound.
    const int text = state == AudioCaptureState::kNoServer   ? 690
                     : state == AudioCaptureState::kNoOutput ? 691
                                                             : 0;
    QMetaObject::invokeMethod(
        this,
        [this, text] {
            if (!stopping_.load()) {
                musicPage_.ShowStatus(text != 0 ? GetUiString(text) : std::string());
            }
        },
        Qt::QueuedConnection);
}

bool DeviceMainDlg::OnMacrosLoaded(const MacroListData& data) {
    return RunOnUiThread([this, &data] { macroPage_.ShowMacros(data); });
}

bool DeviceMainDlg::OnLightingLoaded(const LightingData& data) {
    return RunOnUiThread([this, &data] {
        lightPage_.ShowLighting(data);
        if (sdk_) {
            sdk_->KeyboardChanged();  // the light modes as loaded
        }
    });
}

bool DeviceMainDlg::OnSwitchesLoaded(const SwitchData& data) {
    return RunOnUiThread([this, &data] { settingPage_.ShowSwitches(data); });
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

// ---- vantoractl's requests ----------------------------------------------------------

void DeviceMainDlg::HandleRequest(const std::string& line, SingleInstance::Reply reply) {
    if (line == "status") {
        reply(EncodeStatusReply(session_->Status()));
        return;
    }
    const std::optional<WorkRequest> request = DecodeWorkRequest(line);
    if (!request || stopping_.load()) {
        reply("error");
        return;
    }
    // The answer goes out on the UI thread once the work has run. The
    // session calls back before its Stop returns, so before this window
    // dies; a reply still queued then is dropped with the window.
    PerformRequest(*request, [this, reply](JobOutcome outcome) {
        QMetaObject::invokeMethod(
            this, [reply, outcome] { reply(EncodeDoneReply(outcome)); }, Qt::QueuedConnection);
    });
}

void DeviceMainDlg::PerformRequest(const WorkRequest& request, JobDone done) {
    if (stopping_.load()) {
        done(JobOutcome::kCancelled);
        return;
    }
    // The caller changed the database: the pages show it as it is now.
    if (request.reloadProfiles) {
        keyPage_.ShowProfiles(session_->LoadProfiles());
        keyPage_.ShowKeyAssignments(session_->LoadKeyAssignments());
    } else if (request.reloadKeyLabels) {
        keyPage_.ShowKeyAssignments(session_->LoadKeyAssignments());  // the layer on screen stays
    }
    if (request.reloadSwitches) {
        settingPage_.ShowSwitches(LoadSystemSwitches(session_->Database()));
    }
    if (request.reloadLighting) {
        // Also makes the stored current mode the one the settings download sends.
        lightPage_.ShowLighting(session_->LoadLighting());
    }
    if (request.reloadMacros) {
        macroPage_.ShowMacros(session_->LoadMacros());
    }
    // Whoever watches the keyboard's state hears of the change once it ran
    // (work with nothing to send starts no job that would tell it).
    auto told = [this, done = std::move(done)](JobOutcome outcome) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!stopping_.load()) {
                    emit KeyboardStateChanged();
                }
            },
            Qt::QueuedConnection);
        done(outcome);
    };
    if (request.work == KeyboardWork::kFactoryReset) {
        // A refused wipe answers at once and leaves everything as it was.
        if (session_->RestoreFactory(told)) {
            macroPage_.ClearFields();
        }
        return;
    }
    session_->Perform(request.work, told);
}

}  // namespace vantora
