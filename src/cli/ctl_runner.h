#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/ctl_command.h"
#include "cli/json_writer.h"
#include "cli/key_arguments.h"
#include "cli/keyboard_access.h"
#include "db/profile_database.h"
#include "db/selection.h"

namespace vantora::cli {

// What a command works on. `keyboard` may be null for verbs that do not
// need one.
struct CtlContext {
    ProfileDatabase& db;
    Selection& selection;
    KeyboardAccess* keyboard = nullptr;
    std::string layoutName;
    int language = 1033;            // the UI language for profile names as shown
    std::vector<KeyboardKey> keys;  // the keyboard's keys, for the key and light keys verbs
    bool perKey = false;            // config.ini's PER_KEY: the per-key light mode is offered
};

struct CtlResult {
    int exitCode = kExitOk;
    std::string out;  // for standard output
    std::string err;  // for standard error
};

// Runs a parsed command (not kHelp). The database is open and holds the
// first-start rows. A change the database refused because another program
// kept it busy through the whole wait ends with kExitBusy.
CtlResult RunCommand(const Command& command, CtlContext& context);

// The profile a PROFILE argument names (an id when decimal, else a name
// stored or as shown): true with its id, else false with the failure.
bool ResolveProfile(const std::string& target, CtlContext& context, bool json, int& id, CtlResult& failure);

// The database stayed busy: kExitBusy and the reason.
CtlResult BusyFailure(bool json);

// A keyboard job's outcome as a failure; none when it was done.
std::optional<CtlResult> WorkFailure(JobOutcome outcome, bool json);

// A success as the command line reports it: `text` as it stands, or with
// --json one object of the given fields.
CtlResult Success(bool json, const std::function<void(JsonWriter&)>& fields, const std::string& text);

// A failure as the command line reports it: the message on standard error
// and, with --json, {"error", "exit_code"} on standard output.
CtlResult Failure(int exitCode, const std::string& message, bool json);

}  // namespace vantora::cli
