#include "sync/thread_basic.h"

namespace vantora {

CThreadBasic::CThreadBasic(Clock& clock) : clock_(clock) {}

CThreadBasic::~CThreadBasic() {
    Stop();
}

bool CThreadBasic::Start(int periodMs, bool repeat) {
    std::lock_guard lock(threadMutex_);
    if (running_.load() != 0) {
        return false;
    }
    if (thread_.joinable()) {
        // An earlier thread asked to stop but was not joined yet.
        if (thread_.get_id() == std::this_thread::get_id()) {
            return false;
        }
        thread_.join();
    }
    repeat_ = repeat ? 1 : 0;
    period_ = periodMs;
    result_ = clock_.NowMs();
    done_ = false;
    stopAsked_ = false;
    running_ = 1;
    thread_ = std::thread([this] { ThreadMain(); });
    return true;
}

void CThreadBasic::RequestStop() {
    stopAsked_ = true;
    running_ = 0;
}

void CThreadBasic::Stop() {
    RequestStop();
    std::lock_guard lock(threadMutex_);
    if (!thread_.joinable() || thread_.get_id() == std::this_thread::get_id()) {
        return;
    }
    thread_.join();
}

void CThreadBasic::ThreadMain() {
    if (repeat_.load() == 0) {
        RunStep();
    } else {
        while (running_.load() != 0) {
            RunStep();
            if (running_.load() == 0) {
                break;
            }
            clock_.PauseMs(period_.load());
        }
    }
    running_ = 0;
    done_ = true;
}

}  // namespace vantora
