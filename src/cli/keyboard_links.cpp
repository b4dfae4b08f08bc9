#include "cli/keyboard_links.h"

#include <future>

#include "session/device_session.h"

namespace vantora::cli {
namespace {

constexpr int kStatusTimeoutMs = 5000;

}  // namespace

KeyboardStatus SessionKeyboard::Status() {
    return session_.Status();
}

JobOutcome SessionKeyboard::Perform(const WorkRequest& request) {
    auto finished = std::make_shared<std::promise<JobOutcome>>();
    std::future<JobOutcome> outcome = finished->get_future();
    session_.Perform(request.work, [finished](JobOutcome result) { finished->set_value(result); });
    session_.StartWorker();  // takes the job on its first pass
    return outcome.get();
}

KeyboardStatus ProgramKeyboard::Status() {
    std::string reply;
    if (socket_.SendLine("status") && socket_.ReadLine(reply, kStatusTimeoutMs)) {
        if (const auto status = DecodeStatusReply(reply)) {
            return *status;
        }
    }
    return {};
}

JobOutcome ProgramKeyboard::Perform(const WorkRequest& request) {
    std::string reply;
    // A download against a silent keyboard takes its retries: no time-out.
    if (!socket_.SendLine(EncodeWorkRequest(request)) || !socket_.ReadLine(reply, -1)) {
        return JobOutcome::kCancelled;
    }
    return DecodeDoneReply(reply).value_or(JobOutcome::kCancelled);
}

}  // namespace vantora::cli
