#include "platform/text_typist.h"

#include "platform/session_layout_keys.h"
#include "platform/uinput_keyboard.h"

namespace vantora {

TextTypist::TextTypist(std::function<void(const TypingReport&)> report, std::string node,
                       std::chrono::milliseconds settle)
    : report_(std::move(report)), node_(std::move(node)), settle_(settle), thread_([this] { Run(); }) {}

TextTypist::~TextTypist() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        texts_.clear();
    }
    wake_.notify_all();
    thread_.join();
}

void TextTypist::Type(std::string utf8) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        texts_.push_back(std::move(utf8));
    }
    wake_.notify_all();
}

void TextTypist::Run() {
    for (;;) {
        std::string text;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !texts_.empty(); });
            if (stopping_) {
                return;
            }
            text = std::move(texts_.front());
            texts_.pop_front();
        }
        const TypingReport report = TypeOne(text);
        if (report_) {
            report_(report);
        }
    }
}

TypingReport TextTypist::TypeOne(const std::string& utf8) const {
    TypingReport report;
    // The layout is read for every text: the user may have changed it.
    SessionKeys session = ReadSessionKeys();
    if (session.keys == nullptr) {
        report.error = session.error;
        return report;
    }
    const auto& keys = session.keys;
    const TypingPlan plan = keys->Plan(utf8);
    report.missing = plan.missing;
    if (plan.strokes.empty()) {
        return report;
    }
    UinputKeyboard keyboard;
    if (!keyboard.Open(report.error, node_, settle_)) {
        return report;
    }
    if (!keyboard.Type(plan.strokes)) {
        report.error = node_ + ": the virtual keyboard stopped taking keys";
    }
    return report;
}

}  // namespace vantora
