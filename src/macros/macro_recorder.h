#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "db/records.h"

namespace vantora {

// Turns key presses and releases into macro records with the delays between
// them. The clock gives milliseconds (any monotonic origin); the caller feeds
// every key event while recording and saves what Stop returns.
//
//   if (recorder.Begin(db.CountAllMacroSteps()) == MacroRecorder::Start::kNoSpace) tell the user;
//   if (recorder.Record(code, name, isUp) == MacroRecorder::Event::kFull) save(recorder.Stop());
//
// Delays: a record's delay is the time to the next event, at most
// kMaxRecordedDelayMs, and 1 for two events in the same millisecond; the
// last record keeps 0.
// Space: recording starts with at least kMinFreeRecordsToRecord of
// kMacroRecordSpace free (counted over all stored records, those of the macro
// being recorded over too) and stops by itself after the event that fills
// the free space, so the stored total never passes kMacroRecordSpace.
class MacroRecorder {
public:
    using Clock = std::function<std::int64_t()>;

    enum class Start { kStarted, kNoSpace, kAlreadyRecording };
    enum class Event {
        kIgnored,   // not recording, or a key without a name or code
        kRecorded,  // appended
        kFull,      // appended, and the free space is used up: call Stop
    };

    explicit MacroRecorder(Clock clock) : clock_(std::move(clock)) {}

    // `usedRecords`: the records of all macros now stored.
    Start Begin(int usedRecords);
    // A key event; `isUp` for a release.
    Event Record(int code, const std::string& name, bool isUp);
    // Ends recording and hands over the records (empty when not recording).
    std::vector<MacroStep> Stop();

    bool IsRecording() const { return recording_; }
    const std::vector<MacroStep>& Records() const { return records_; }
    int FreeRecords() const { return freeRecords_; }

private:
    Clock clock_;
    bool recording_ = false;
    int freeRecords_ = 0;
    std::optional<std::int64_t> lastEvent_;
    std::vector<MacroStep> records_;
};

}  // namespace vantora
