#include "macros/macro_recorder.h"

#include <algorithm>
#include <utility>

#include "macros/macro_space.h"
#include "macros/record_list.h"

namespace vantora {

MacroRecorder::Start MacroRecorder::Begin(int usedRecords) {
    if (recording_) {
        return Start::kAlreadyRecording;
    }
    const int free = kMacroRecordSpace - std::max(usedRecords, 0);
    if (free < kMinFreeRecordsToRecord) {
        return Start::kNoSpace;
    }
    freeRecords_ = free;
    records_.clear();
    lastEvent_.reset();
    recording_ = true;
    return Start::kStarted;
}

MacroRecorder::Event MacroRecorder::Record(int code, const std::string& name, bool isUp) {
    if (!recording_ || code == 0 || name.empty()) {
        return Event::kIgnored;
    }
    const std::int64_t now = clock_();
    if (lastEvent_ && !records_.empty()) {
        // The pause belongs to the record before this one; a clock that went
        // back counts as the same millisecond.
        const std::int64_t pause = std::clamp<std::int64_t>(now - *lastEvent_, 1, kMaxRecordedDelayMs);
        records_.back().delay_time = static_cast<int>(pause);
    }
    lastEvent_ = now;
    MacroStep step;
    step.desc = name;
    step.type = isUp ? kRecordKeyUp : kRecordKeyDown;
    step.value = code;
    step.record_index = static_cast<int>(records_.size());
    records_.push_back(std::move(step));
    return static_cast<int>(records_.size()) >= freeRecords_ ? Event::kFull : Event::kRecorded;
}

std::vector<MacroStep> MacroRecorder::Stop() {
    if (!recording_) {
        return {};
    }
    recording_ = false;
    lastEvent_.reset();
    return std::exchange(records_, {});
}

}  // namespace vantora
