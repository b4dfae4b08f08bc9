#pragma once

#include <atomic>
#include <mutex>
#include <vector>

#include "sync/device_downloads.h"
#include "sync/sync_host.h"
#include "sync/sync_task.h"
#include "sync/thread_basic.h"

namespace vantora {

// The device worker: one job of the queue per pass, music frames when idle.
// The device session owns it, implements SyncHost, queues jobs from any
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

    // The initial load runs at the next SyncInitialLoad or arrival again
    // (after a factory reset); any thread.
    void RequestInitialLoad() { initialLoadDone_ = false; }
    // Set by the worker once an initial load ran to its end.
    bool InitialLoadDone() const { return initialLoadDone_.load(); }
    // Whether music frames are wanted (the MUSIC page is shown in a visible
    // window); any thread.
    void SetStreamingWanted(bool wanted) { streamingWanted_ = wanted; }

    // The macros the last macro download had to leave out (any thread).
    std::vector<MacroLeftOut> LastMacrosLeftOut() const;

    DeviceDownloads& Downloads() { return downloads_; }

private:
    void RunJob(int task);
    // The page reloads and the key read-back; false when a stop was asked
    // or a reload could not run, and the load stopped there.
    bool InitialLoad();
    void RunInitialLoadOnce();
    void FactoryReset();

    SyncContext context_;
    SyncHost& host_;
    MusicImageSource* music_;
    DeviceDownloads downloads_;
    SyncTaskQueue queue_;
    std::atomic<bool> initialLoadDone_{false};
    std::atomic<bool> streamingWanted_{false};
    mutable std::mutex leftOutMutex_;
    std::vector<MacroLeftOut> lastLeftOut_;
};

}  // namespace vantora
