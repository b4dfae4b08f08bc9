#include "sync/device_worker.h"

namespace vantora {
namespace {

constexpr int kArrivalWaitMs = 1000;
constexpr int kFactoryResetWaitMs = 1500;

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

void DeviceWorker::RunStep() {
    if (const auto task = queue_.TryPop()) {
        RunJob(*task);
        return;  // a pass that ran a job does not stream
    }
    if (music_ != nullptr && context_.deviceIndex.load() != -1 && streamingWanted_.load()) {
        downloads_.MusicStreamStep(*music_, host_);
    }
}

void DeviceWorker::RunJob(int task) {
    if (task == SyncDeviceArrived) {
        context_.clock.SleepMs(kArrivalWaitMs);
        host_.Reconnect();
        // The keyboard may be another one: its default table is read again.
        downloads_.InvalidateKeyTableCache();
        RunInitialLoadOnce();
        return;
    }
    if (task == SyncMusicLayer) {
        host_.LoadMusicLayer();
        return;
    }
    if (context_.deviceIndex.load() == -1) {
        return;  // no keyboard: the job is dropped
    }
    switch (task) {
        case SyncInitialLoad:
            RunInitialLoadOnce();
            break;
        case SyncKeys:
            downloads_.DownloadKeys();
            break;
        case SyncMacros: {
            MacroDownloadResult result = downloads_.DownloadMacros();
            std::lock_guard lock(leftOutMutex_);
            lastLeftOut_ = std::move(result.leftOut);
            break;
        }
        case SyncSettings:
            downloads_.DownloadSettings();
            break;
        case SyncKeyColours:
            downloads_.DownloadKeyColours();
            break;
        case SyncFactoryReset:
            FactoryReset();
            break;
        default:
            break;  // unknown code: dropped
    }
}

void DeviceWorker::RunInitialLoadOnce() {
    if (!initialLoadDone_.load() && InitialLoad()) {
        initialLoadDone_ = true;
    }
}

bool DeviceWorker::InitialLoad() {
    // The read-back deletes stored assignments of the selection's profile:
    // it runs only once the profile list has made the active profile the
    // selection, and nothing runs once a stop is asked.
    if (StopAsked() || !host_.LoadProfileList() || StopAsked()) {
        return false;
    }
    downloads_.ReadBackKeyTables();
    return !StopAsked() && host_.RefreshKeyTips() && host_.ReloadMacroList() && host_.RefreshLightPage() &&
           host_.LoadSwitches();
}

void DeviceWorker::FactoryReset() {
    downloads_.SendFactoryReset();
    context_.clock.SleepMs(kFactoryResetWaitMs);
    InitialLoad();  // the done mark stays as the reset command left it
}

}  // namespace vantora
