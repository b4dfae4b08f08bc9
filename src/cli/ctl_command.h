#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "lighting/light_parameters.h"

#include "session/system_switches.h"

namespace vantora::cli {

// The exit codes of vantoractl.
enum ExitCode : int {
    kExitOk = 0,
    kExitUsage = 1,           // bad usage, or a name that matches more than one entry
    kExitNotFound = 2,        // no such profile
    kExitNoKeyboard = 3,      // no keyboard connected: nothing was changed
    kExitKeyboardFailed = 4,  // the keyboard refused or did not answer
    kExitRefused = 5,         // a rule of the program (the last profile, an empty name)
    kExitNoDatabase = 6,      // the database could not be opened or created, or refused the change
    kExitFile = 7,            // a file could not be written or read (exchange file, program)
    kExitBusy = 8,            // the database stayed busy (another program writing): nothing changed
};

enum class Verb {
    kHelp,
    kStatus,
    kProfileList,
    kProfileAdd,
    kProfileRename,
    kProfileDelete,
    kProfileSelect,
    kProfileExport,
    kProfileImport,
    kSwitch,
    kReset,
    kSync,
    kKeyList,
    kKeySet,
    kLightList,
    kLightSet,
    kLightKeys,
    kMacroList,
    kMacroShow,
    kMacroAdd,
    kMacroRename,
    kMacroDelete,
    kMacroImport,
    kMacroExport,
    kDevices,
    kRuleList,
    kRuleAdd,
    kRuleRemove,
    kRuleDefault,  // target: the profile, or "keep"
    kProfileAuto,  // on: follow the rules
};

// The parameters of "light set"; each only when given.
struct LightArgs {
    std::optional<int> brightness;
    std::optional<int> speed;
    std::optional<DirectionButton> direction;
    std::optional<std::uint32_t> colour;  // 0x00BBGGRR
    std::optional<bool> colourful;
    bool Any() const { return brightness || speed || direction || colour || colourful; }
};

// A KEY=RRGGBB of "light keys".
struct KeyColourArg {
    std::string key;
    std::uint32_t colour = 0;  // 0x00BBGGRR
};

// The FUNCTION of "key set": a function type code of the catalogue and the
// words after the type's word ("key A Ctrl": value "A", modifier "Ctrl").
struct FunctionArgs {
    int type = 0;
    std::string value;
    std::string modifier;
};

// One command line, parsed.
struct Command {
    Verb verb = Verb::kHelp;
    bool json = false;
    bool yes = false;
    bool verbose = false;  // debug lines on standard error
    std::string target;    // the profile or macro (an id when decimal, else a name)
    std::string name;      // the new name of add and rename
    std::string path;      // the folder of export, the file of import
    SystemSwitch which = SystemSwitch::kDisableWin;
    bool on = false;
    // The key verbs: --profile (empty: the active one), --layer, KEY, FUNCTION.
    std::string profile;
    int layer = 0;
    std::string key;
    FunctionArgs function;
    // The light verbs: MODE and the parameters of set; the keys of keys.
    std::string mode;
    LightArgs light;
    std::vector<KeyColourArg> keyColours;
    bool clear = false;
    // "profile rule add APP PROFILE [TITLE]" and "profile rule remove RULE".
    std::string app;
    std::string titlePattern;
    int ruleId = 0;
    // "devices --rule VID:PID": the ids of the udev rule to print.
    bool rule = false;
    std::uint16_t ruleVendorId = 0;
    std::uint16_t ruleProductId = 0;
};

// Options (--json, --yes, --verbose, --help; --profile ID and --layer 0|1 of the key
// verbs; the parameters of "light set", --clear of "light keys", --rule
// VID:PID of "devices") may stand
// anywhere; "--" ends them.
// False with a message for the user on bad usage.
bool ParseCommand(const std::vector<std::string>& args, Command& command, std::string& error);

// Whether the verb changes what is stored and so needs a connected
// keyboard (it is written to the keyboard at once, or undone by the next
// connection's read-back).
bool ChangesStoredData(Verb verb);
// Whether the verb needs the keyboard's state (status, changing verbs).
bool NeedsKeyboard(Verb verb);
// Whether the running program is told about the verb (it shows the change).
bool ShownByProgram(Verb verb);

// A colour as people write it, red first ("ff8000", also "#ff8000"), as
// 0x00BBGGRR; nothing unless exactly six hexadecimal digits.
std::optional<std::uint32_t> ParseColourArg(const std::string& text);

std::string UsageLine();
std::string HelpText();

}  // namespace vantora::cli
