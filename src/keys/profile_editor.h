#pragma once

#include <string>
#include <vector>

#include "db/profile_database.h"
#include "db/selection.h"

namespace vantora {

// The profile commands and their rules, for the KEY page and the command
// line alike. Each command stores its change at once; the caller queues the
// key download when the result says so (the keyboard always holds the
// active profile's table).
class ProfileEditor {
public:
    enum class Result {
        kDone,
        kNotFound,     // no profile with that id
        kRefused,      // a rule of the program: the last profile, a name CheckItemName faults
        kStoreFailed,  // the database did not take the change
    };

    ProfileEditor(ProfileDatabase& db, Selection& selection) : db_(db), selection_(selection) {}

    // Every profile in id order.
    std::vector<ProfileItem> List();
    bool Exists(int id);

    // The name the add button gives: "<defaultWord> <n>", n the number of
    // profiles plus one (names may repeat after deletions).
    std::string NextDefaultName(const std::string& defaultWord);
    // A new profile; it becomes the active and current profile. A name
    // CheckItemName faults (blank, control characters, not UTF-8) is
    // refused. `newId` receives its id (0 when none was made).
    Result Add(const std::string& name, int& newId);
    // Makes `id` the active and current profile (standard layer kept).
    Result Select(int id);
    // A name CheckItemName faults is refused.
    Result Rename(int id, const std::string& name);
    // The last profile cannot be deleted. When the active profile goes, the
    // one listed before it (the new first one when it was first) becomes
    // active and current; otherwise the active profile stays.
    Result Delete(int id);

    // Whether a command's change reaches the keyboard (the active profile's
    // table changed): true after Add, Select and Delete that were done.
    static bool NeedsKeyDownload(Result result) { return result == Result::kDone; }

private:
    Result Activate(int id);

    ProfileDatabase& db_;
    Selection& selection_;
};

}  // namespace vantora
