#pragma once

#include <atomic>
#include <mutex>
#include <vector>

#include "sync/device_downloads.h"
#include "sync/sync_host.h"
#include "sync/sync_task.h"
#include "sync/thread_basic.h"

namespace vantora {

// The page id of the MUSIC page; the worker streams only while it is shown.
inline constexpr int kMusicPageId = 46;

// The device worker: one job of the queue per pass, music frames when idle.
// The main window owns it, implements SyncHost, queues jobs from its UI
// thread and stops it (Stop waits for the thread) before it dies.
class DeviceWorker : public CThreadBasic {
public:
    // `music` may be null until the analyser exists (no streaming then).
    DeviceWorker(SyncContext context, SyncHost& host, MusicImageSource* music);
    ~DeviceWorker() override;

    // Appends a job (any thread).
    void Queue(int task) { queue_.Push(task); }
    std::size_t QueuedCount() const { return queue_.Size(); }

    // One pass: takes at most one job; streams only when no job was taken.
    void RunStep() override;

    // Set by the worker after the initial load; cleared by the factory reset
    // command on the UI thread.
    std::atomic<int> initialLoadDone{0};

    // The macros the last macro download had to leave out (any thread).
    std::vector<MacroLeftOut> LastMacrosLeftOut() const;

    DeviceDownloads& Downloads() { return downloads_; }

private:
    void RunJob(int task);
    void InitialLoad();
    void FactoryReset();

    SyncContext context_;
    SyncHost& host_;
    MusicImageSource* music_;
    DeviceDownloads downloads_;
    SyncTaskQueue queue_;
    mutable std::mutex leftOutMutex_;
    std::vector<MacroLeftOut> lastLeftOut_;
};

}  // namespace vantora
