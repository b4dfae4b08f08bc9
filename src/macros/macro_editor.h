#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "db/profile_database.h"
#include "sync/macro_image.h"

namespace vantora {

// The downloads a macro change needs, run in this order: the macro memory,
// then the key table (when the macros the memory holds moved, keys bound to
// them would otherwise play another macro).
struct MacroJobs {
    bool macros = false;
    bool keys = false;
    bool Any() const { return macros || keys; }
    bool operator==(const MacroJobs&) const = default;
};

// One macro of the list.
struct MacroSummary {
    int id = 0;
    std::string name;
    int records = 0;
    int linkCount = 0;  // keys of the profile asked for bound to it, counted afresh
    // Why the keyboard's macro memory will not hold it; none when it will.
    std::optional<MacroLeftOutReason> leftOut;
};

// Why a macro is not on the keyboard, in a sentence part for the user
// ("the keyboard holds 32 macros").
const char* MacroLeftOutText(MacroLeftOutReason reason);

// The macro commands and their rules, for the MACRO page and the command
// line alike. Each command stores its change at once and says which
// downloads the keyboard then needs; the caller queues them (macros first).
// Macros are global: they belong to no profile. Any thread; no state of its
// own.
class MacroEditor {
public:
    enum class Result {
        kDone,
        kNotFound,     // no macro with that id
        kRefused,      // a rule of the program: a name CheckItemName faults
        kNoSpace,      // the records would take the stored total past kMacroRecordSpace
        kStoreFailed,  // the database did not take the change; what was stored stays
    };
    struct Outcome {
        Result result = Result::kDone;
        MacroJobs jobs;
    };

    explicit MacroEditor(ProfileDatabase& db) : db_(db) {}

    // Every macro in list order (the keyboard's numbering), with the link
    // counts of `profile`'s key assignments (both layers) and what the
    // macro memory will leave out.
    std::vector<MacroSummary> List(int profile);
    bool Exists(int id);
    // The ids of the macros named exactly `name`, in list order.
    std::vector<int> FindByName(const std::string& name);
    // The macro's records in play order.
    std::vector<MacroStep> Records(int id);
    // The records of all macros together.
    int UsedRecords();

    // A new empty macro at the end of the list; nothing to download (it
    // moves no other macro). A name CheckItemName faults (blank, control
    // characters, not UTF-8) is refused.
    Outcome Add(const std::string& name, int& newId);
    // Such a name is refused here too; nothing to download. The keys bound to the
    // macro are labelled with the new name (ProfileDatabase::RenameMacro).
    Outcome Rename(int id, const std::string& name);
    // The macro and its records. The macros after it move up one place in
    // the keyboard's memory: the macro memory and the key table are
    // downloaded. Keys bound to it keep pointing at its id (they play nothing).
    Outcome Delete(int id);
    // Replaces the macro's records with `records` in order (record_index
    // 0..n-1, delays brought within 0..kMaxMacroDelayMs) in one transaction:
    // on failure the stored records stay as they were. Refused (kNoSpace,
    // nothing stored) when the list grows and the stored total would pass
    // kMacroRecordSpace. Then the macro memory is downloaded, and the key
    // table too when the macros the memory holds changed.
    Outcome SaveRecords(int id, const std::vector<MacroStep>& records);

    // Counts `profile`'s macro-bound keys (both layers) per macro id, stores
    // each count above 0 as the macro's link count and returns them (ids
    // without a key are absent: show 0).
    std::map<int, int> RecountLinks(int profile);

    // The macros the keyboard's memory will not hold, planned from the
    // stored records as the macro download plans them.
    std::vector<MacroLeftOut> PlannedLeftOut();

private:
    MacroImage Plan();

    ProfileDatabase& db_;
};

}  // namespace vantora
