#include "sync/device_worker.h"

#include "device/debug_log.h"
#include "lighting/light_parameters.h"

namespace vantora {
namespace {

constexpr int kArrivalWaitMs = 1000;
constexpr int kFactoryResetWaitMs = 1500;

const char* TaskName(int task) {
    switch (task) {
        case SyncMusicLayer:
            return "music layer";
        case SyncInitialLoad:
            return "initial load";
        case SyncDeviceArrived:
            return "keyboard arrived";
        case SyncKeys:
            return "key table";
        case SyncMacros:
            return "macro memory";
        case SyncSettings:
            return "settings";
        case SyncKeyColours:
            return "per-key colours";
        case SyncFactoryReset:
            return "factory reset";
        default:
            return "unknown";
    }
}

// The jobs that talk to the keyboard (all but the music layer's), and those
// with a long transfer whose progress is told.
bool TalksToKeyboard(int task) {
    return task >= SyncInitialLoad && task <= SyncFactoryReset;
}
bool TellsProgress(int task) {
    return task == SyncInitialLoad || task == SyncDeviceArrived || task == SyncMacros ||
           task == SyncFactoryReset;
}

const char* OutcomeName(JobOutcome outcome) {
    switch (outcome) {
        case JobOutcome::kDone:
            return "done";
        case JobOutcome::kNoKeyboard:
            return "dropped, no keyboard";
        case JobOutcome::kKeyboardFailed:
            return "refused or not answered by the keyboard";
        case JobOutcome::kCancelled:
            return "cancelled";
        case JobOutcome::kDatabaseBusy:
            return "not run, the database stayed busy";
        case JobOutcome::kDatabaseRefused:
            return "not run, the database refused the change";
    }
    return "?";
}

}  // namespace

DeviceWorker::DeviceWorker(SyncContext context, SyncHost& host, MusicImageSource* music)
    : CThreadBasic(context.clock), context_(context), host_(host), music_(music), downloads_(context) {}

DeviceWorker::~DeviceWorker() {
    Stop();
}

std::vector<MacroLeftOut> DeviceWorker::LastMacrosLeftOut() const {
    std::lock_guard lock(leftOutMutex_);
    return lastLeftOut_;
}

void DeviceWorker::Stop() {
    CThreadBasic::Stop();
    for (QueuedJob& job : queue_.TakeAll()) {
        if (job.done) {
            job.done(JobOutcome::kCancelled);
        }
    }
}

void DeviceWorker::RunStep() {
    if (auto job = queue_.TryPop()) {
        const int task = job->task;
        VANTORA_DEBUG("job %d (%s) starts", task, TaskName(task));
        // A job that will be dropped for want of a keyboard is not told.
        const bool told =
            TalksToKeyboard(task) && (task == SyncDeviceArrived || context_.deviceIndex.load() != -1);
        if (told) {
            host_.OnWriteActivity({.kind = WriteActivity::Kind::kStarted, .task = task});
        }
        if (told && TellsProgress(task)) {
            downloads_.SetProgressSink([this, task](int done, int total) {
                host_.OnWriteActivity(
                    {.kind = WriteActivity::Kind::kProgress, .task = task, .done = done, .total = total});
            });
        }
        const JobOutcome outcome = RunJob(task);
        downloads_.SetProgressSink({});
        VANTORA_DEBUG("job %d (%s): %s", task, TaskName(task), OutcomeName(outcome));
        if (told) {
            host_.OnWriteActivity({.kind = WriteActivity::Kind::kFinished, .task = task, .outcome = outcome});
        }
        if (job->done) {
            job->done(outcome);
        }
        return;  // a pass that ran a job does not stream
    }
    if (StreamDirectFrame()) {
        return;
    }
    if (music_ != nullptr && context_.deviceIndex.load() != -1 && streamingWanted_.load()) {
        downloads_.MusicStreamStep(*music_, host_);
    }
}

void DeviceWorker::SetDirectFrame(const ColourTable& frame) {
    bool waiting = false;
    {
        std::lock_guard lock(directMutex_);
        waiting = directFrame_.has_value();
        directFrame_ = frame;
        lastDirectMs_ = context_.clock.NowMs();
    }
    // A frame that replaces one still waiting needs no pass of its own:
    // each pause ended here would be one pass fewer between later jobs.
    if (!waiting) {
        context_.clock.EndPause();
    }
}

void DeviceWorker::EndDirectFrames() {
    std::lock_guard lock(directMutex_);
    directFrame_.reset();
    lastDirectMs_.reset();
}

bool DeviceWorker::DirectFramesHeld() {
    std::lock_guard lock(directMutex_);
    return lastDirectMs_ && context_.clock.NowMs() - *lastDirectMs_ < kDirectHoldMs;
}

bool DeviceWorker::StreamDirectFrame() {
    std::optional<ColourTable> frame;
    {
        std::lock_guard lock(directMutex_);
        frame.swap(directFrame_);
    }
    if (frame && context_.deviceIndex.load() != -1) {
        downloads_.StreamFrame(*frame);
    }
    return DirectFramesHeld();
}

JobOutcome DeviceWorker::RunJob(int task) {
    auto outcome = [](bool acknowledged) {
        return acknowledged ? JobOutcome::kDone : JobOutcome::kKeyboardFailed;
    };
    if (task == SyncDeviceArrived) {
        context_.clock.SleepMs(kArrivalWaitMs);
        host_.Reconnect();
        // The keyboard may be another one, or have been changed while it
        // was away: it is loaded again (the read-back drops what it reset)
        // and given the stored tables.
        downloads_.InvalidateKeyTableCache();
        initialLoadDone_ = false;
        const bool loaded = RunInitialLoadOnce(true);
        if (context_.deviceIndex.load() == -1) {
            return JobOutcome::kNoKeyboard;
        }
        return outcome(loaded);
    }
    if (task == SyncMusicLayer) {
        host_.LoadMusicLayer();
        return JobOutcome::kDone;
    }
    if (context_.deviceIndex.load() == -1) {
        return JobOutcome::kNoKeyboard;  // the job is dropped
    }
    switch (task) {
        case SyncInitialLoad:
            return outcome(RunInitialLoadOnce());
        case SyncKeys: {
            const KeyDownloadResult result = downloads_.DownloadKeys();
            return outcome(result.written && result.blocksRefused == 0);
        }
        case SyncMacros: {
            MacroDownloadResult result = downloads_.DownloadMacros();
            const bool acknowledged = result.blocksRefused == 0;
            std::lock_guard lock(leftOutMutex_);
            lastLeftOut_ = std::move(result.leftOut);
            return outcome(acknowledged);
        }
        case SyncSettings:
            return outcome(downloads_.DownloadSettings().written);
        case SyncKeyColours:
            return outcome(downloads_.DownloadKeyColours().blocksRefused == 0);
        case SyncFactoryReset:
            return outcome(FactoryReset());
        default:
            return JobOutcome::kDone;  // unknown code: nothing to do
    }
}

bool DeviceWorker::RunInitialLoadOnce(bool writeKeys) {
    if (initialLoadDone_.load()) {
        return true;
    }
    bool tablesRead = false;
    if (!InitialLoad(tablesRead, writeKeys)) {
        return false;
    }
    initialLoadDone_ = true;
    return tablesRead;
}

bool DeviceWorker::InitialLoad(bool& tablesRead, bool writeKeys) {
    tablesRead = false;
    // The read-back deletes stored assignments of the selection's profile:
    // it runs only once the profile list has made the active profile the
    // selection, and nothing runs once a stop is asked.
    if (StopAsked() || !host_.LoadProfileList() || StopAsked()) {
        return false;
    }
    const ReadBackResult readBack = downloads_.ReadBackKeyTables();
    tablesRead = readBack.defaultsComplete && readBack.currentComplete;
    if ((writeKeys || readBack.hostKeysDiffer || readBack.keysBehind) && !StopAsked()) {
        // A press of those keys would report slots our rows do not give
        // them; a table the keyboard did not take is written again.
        downloads_.DownloadKeys();
    }
    if (!(!StopAsked() && host_.RefreshKeyTips() && host_.ReloadMacroList() && host_.RefreshLightPage() &&
          host_.LoadSwitches())) {
        return false;
    }
    DownloadShownLighting();
    return true;
}

bool DeviceWorker::FactoryReset() {
    const bool acknowledged = downloads_.SendFactoryReset();
    context_.clock.SleepMs(kFactoryResetWaitMs);
    // The done mark stays as the reset command left it.
    bool tablesRead = false;
    return InitialLoad(tablesRead) && tablesRead && acknowledged;
}

void DeviceWorker::DownloadShownLighting() {
    // A keyboard just started or reset runs its own light settings: it is
    // given the stored ones the LIGHT page shows (the per-key colour table
    // first, as the settings block's mode 0 shows it).
    if (StopAsked()) {
        return;
    }
    if (context_.selection.lightMode.load() == kPerKeyLightMode) {
        downloads_.DownloadKeyColours();
    }
    downloads_.DownloadSettings();
}

}  // namespace vantora
