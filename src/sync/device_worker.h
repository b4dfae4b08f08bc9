#pragma once

#include <atomic>
#include <mutex>
#include <optional>
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

    // Appends a job (any thread) and ends the worker's pause, so that the
    // job starts at once. `done`, when given, is called on the worker thread
    // once the job has run or was dropped, or by Stop for a job that never
    // ran.
    void Queue(int task, JobDone done = {}) {
        queue_.Push(task, std::move(done));
        context_.clock.EndPause();
    }
    std::size_t QueuedCount() const { return queue_.Size(); }

    // One pass: takes at most one job; streams only when no job was taken.
    void RunStep() override;
    // Stops the thread, then tells the callers of jobs that never ran.
    void Stop();

    // The initial load runs at the next SyncInitialLoad or arrival again
    // (after a factory reset); any thread.
    void RequestInitialLoad() { initialLoadDone_ = false; }
    // Set by the worker once an initial load ran to its end.
    bool InitialLoadDone() const { return initialLoadDone_.load(); }
    // Whether music frames are wanted (the MUSIC page is shown in a visible
    // window); any thread.
    void SetStreamingWanted(bool wanted) { streamingWanted_ = wanted; }

    // Frames of a client that drives the keys directly (any thread): the
    // worker sends the latest at its next pass without a job; a frame not
    // yet sent is replaced, never queued. While such frames come, and until
    // kDirectHoldMs after the last, no music frame is sent;
    // EndDirectFrames gives the keys back to the music at once.
    static constexpr std::uint64_t kDirectHoldMs = 1000;
    void SetDirectFrame(const ColourTable& frame);
    void EndDirectFrames();
    // Whether a client's frames hold the keys now.
    bool DirectFramesHeld();

    // The macros the last macro download had to leave out (any thread).
    std::vector<MacroLeftOut> LastMacrosLeftOut() const;
    // The host-side row of a slot the keyboard reported (see
    // DeviceDownloads::HostIdForSlot); any thread.
    int HostIdForSlot(int slot) const { return downloads_.HostIdForSlot(slot); }

    DeviceDownloads& Downloads() { return downloads_; }

private:
    // The stored light settings onto the keyboard after a load.
    void DownloadShownLighting();
    JobOutcome RunJob(int task);
    // The page reloads and the key read-back; false when a stop was asked
    // or a reload could not run, and the load stopped there. `tablesRead`:
    // the keyboard gave both key tables whole. `writeKeys`: the key table
    // (with the macro memory it plays) is written after the read-back.
    bool InitialLoad(bool& tablesRead, bool writeKeys = false);
    // The initial load unless it ran already (it is then marked done);
    // true when it had run, or now ran with both key tables read.
    bool RunInitialLoadOnce(bool writeKeys = false);
    bool FactoryReset();

    SyncContext context_;
    SyncHost& host_;
    MusicImageSource* music_;
    DeviceDownloads downloads_;
    SyncTaskQueue queue_;
    std::atomic<bool> initialLoadDone_{false};
    std::atomic<bool> streamingWanted_{false};
    // Streams the client's frame when one is waiting; true when the keys
    // are the client's (music frames stay out).
    bool StreamDirectFrame();

    std::mutex directMutex_;
    std::optional<ColourTable> directFrame_;  // waiting to be sent
    std::optional<std::uint64_t> lastDirectMs_;
    mutable std::mutex leftOutMutex_;
    std::vector<MacroLeftOut> lastLeftOut_;
};

}  // namespace vantora
