#pragma once

// The actions a user takes, each with its rule for the model, and the
// properties checked after every step. To add an action: a Kind, its
// generator weight in model_test.cpp, a line in Show, and its rule in
// Runner::Apply.

#include <ostream>
#include <string>
#include <vector>

namespace vantora::model {

enum class Kind {
    kProfileAdd,
    kProfileRename,
    kProfileDelete,
    kProfileSelect,
    kProfileRoundTrip,  // export, then import the file
    kKeySet,
    kKeyDefault,
    kMacroAdd,
    kMacroAddMany,  // eight macros at once (the keyboard holds 32)
    kMacroRename,
    kMacroDelete,
    kMacroRecords,    // the MACRO page stores new records
    kMacroRoundTrip,  // export, then import the file
    kLightSet,
    kLightKeys,
    kLightKeysClear,
    kSwitch,
    kReset,
    kSync,
    kUnplug,
    kPlug,
    kRestart,
    kPress,
    kKeyboardReset,       // unplugged, reset by its own key combination, plugged in
    kKeySetMany,          // texts of their own on 48 keys of a profile that is not active
    kProfileImportAgain,  // the file of the last export, imported again later
    kRuleAdd,             // an application (and a title pattern) -> a profile
    kRuleRemove,
    kRuleOthers,            // the profile for other applications, or keep the active one
    kFollowSwitch,          // profile auto on|off
    kFocus,                 // an application comes to the front (its window reported)
    kProfileFromElsewhere,  // another computer's profile file: a text on every key of both layers
    kCount,
};

// What goes wrong during the action's own keyboard work or change.
enum class Fault {
    kNone,
    kKeyboardRefuses,  // the keyboard refuses every report of the step
    kKeyboardSilent,   // the keyboard answers none
    kDatabaseBusy,     // another program holds a write transaction
};

// One step. The numbers pick among what exists at the time the step runs
// (profile a modulo the profile count, ...), so a shrunk sequence stays
// meaningful.
struct Action {
    Kind kind = Kind::kSync;
    int a = 0;
    int b = 0;
    int c = 0;
    int d = 0;
    Fault fault = Fault::kNone;
};

void showValue(const Action& action, std::ostream& out);
std::string Show(const std::vector<Action>& actions);

// Runs the actions against a fresh program and keyboard; after each step
// the properties are checked. Empty when they all held, else what failed
// (with the step).
struct RunStats {
    int steps = 0;
};
std::string RunSequence(const std::vector<Action>& actions, RunStats* stats = nullptr);

}  // namespace vantora::model
