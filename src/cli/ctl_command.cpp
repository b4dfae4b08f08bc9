#include "cli/ctl_command.h"

#include "cli/device_list.h"
#include "keys/function_catalogue.h"
#include "text/numbers.h"

namespace vantora::cli {
namespace {

struct FunctionWord {
    const char* word;
    int type;
    std::size_t minValues;  // words after the type's word
    std::size_t maxValues;
};

constexpr FunctionWord kFunctionWords[] = {
    {"default", kFunctionDefault, 0, 0},
    {"disable", kFunctionDisableKey, 0, 0},
    {"key", kFunctionKeyboard, 1, 2},
    {"macro", kFunctionMacro, 1, 1},
    {"mouse", kFunctionMouse, 1, 1},
    {"media", kFunctionMultimedia, 1, 1},
    {"shortcut", kFunctionWindowsShortcut, 1, 1},
    {"app", kFunctionApplication, 1, 1},
    {"web", kFunctionWebsite, 1, 1},
    {"text", kFunctionSendText, 1, 1},
};

// words = the FUNCTION: its type's word, then the values.
bool ParseFunction(const std::vector<std::string>& words, FunctionArgs& function, std::string& error) {
    for (const FunctionWord& entry : kFunctionWords) {
        if (words[0] != entry.word) {
            continue;
        }
        const std::size_t values = words.size() - 1;
        if (values < entry.minValues || values > entry.maxValues) {
            error = std::string("wrong number of arguments for the function \"") + entry.word + "\"";
            return false;
        }
        function.type = entry.type;
        function.value = values >= 1 ? words[1] : std::string();
        function.modifier = values >= 2 ? words[2] : std::string();
        return true;
    }
    error = "unknown function \"" + words[0] +
            "\" (default, disable, key, macro, mouse, media, shortcut, app, web or text)";
    return false;
}

bool ParseSwitch(const std::string& word, SystemSwitch& which) {
    if (word == "win") {
        which = SystemSwitch::kDisableWin;
    } else if (word == "alttab") {
        which = SystemSwitch::kDisableAltTab;
    } else if (word == "altf4") {
        which = SystemSwitch::kDisableAltF4;
    } else {
        return false;
    }
    return true;
}

// The options of "light set" and "light keys", each with a value but --clear.
constexpr const char* kLightOptions[] = {"--brightness", "--speed", "--direction", "--color", "--colorful"};

bool IsLightOption(const std::string& arg) {
    for (const char* option : kLightOptions) {
        const std::string name = option;
        if (arg == name || arg.starts_with(name + "=")) {
            return true;
        }
    }
    return false;
}

bool ParseRange(const std::string& option, const std::string& value, int max, std::optional<int>& out,
                std::string& error) {
    const std::optional<int> number = ParseDecimal(value, NumberSyntax::kWhole);
    if (!number || *number < 0 || *number > max) {
        error = option + " is 0 to " + std::to_string(max) + ", not \"" + value + "\"";
        return false;
    }
    out = number;
    return true;
}

bool ParseLightOption(const std::string& option, const std::string& value, LightArgs& light,
                      std::string& error) {
    if (option == "--brightness") {
        return ParseRange(option, value, kMaxBrightness, light.brightness, error);
    }
    if (option == "--speed") {
        return ParseRange(option, value, kMaxSpeed, light.speed, error);
    }
    if (option == "--direction") {
        constexpr std::pair<const char*, DirectionButton> kWords[] = {{"left", DirectionButton::kLeft},
                                                                      {"right", DirectionButton::kRight},
                                                                      {"up", DirectionButton::kUp},
                                                                      {"down", DirectionButton::kDown}};
        for (const auto& [word, button] : kWords) {
            if (value == word) {
                light.direction = button;
                return true;
            }
        }
        error = "--direction is left, right, up or down, not \"" + value + "\"";
        return false;
    }
    if (option == "--color") {
        light.colour = ParseColourArg(value);
        if (!light.colour) {
            error = "--color is RRGGBB (six hexadecimal digits, red first), not \"" + value + "\"";
            return false;
        }
        return true;
    }
    if (value != "on" && value != "off") {
        error = "--colorful is \"on\" or \"off\", not \"" + value + "\"";
        return false;
    }
    light.colourful = value == "on";
    return true;
}

// words = KEY=RRGGBB...; the last '=' ends the key ("==00ff00" colours '=').
bool ParseKeyColours(const std::vector<std::string>& words, std::vector<KeyColourArg>& keys,
                     std::string& error) {
    for (const std::string& word : words) {
        const std::size_t equals = word.rfind('=');
        const std::optional<std::uint32_t> colour =
            equals == std::string::npos ? std::nullopt : ParseColourArg(word.substr(equals + 1));
        if (equals == 0 || !colour) {
            error = "\"" + word + "\" is not KEY=RRGGBB";
            return false;
        }
        keys.push_back({word.substr(0, equals), *colour});
    }
    return true;
}

// words = "macro", the sub-command and its arguments.
bool ParseMacro(const std::vector<std::string>& words, Command& command, std::string& error) {
    struct Sub {
        const char* word;
        Verb verb;
        std::size_t arguments;
    };
    constexpr Sub kSubs[] = {{"list", Verb::kMacroList, 0},     {"show", Verb::kMacroShow, 1},
                             {"add", Verb::kMacroAdd, 1},       {"rename", Verb::kMacroRename, 2},
                             {"delete", Verb::kMacroDelete, 1}, {"import", Verb::kMacroImport, 1},
                             {"export", Verb::kMacroExport, 2}};
    if (words.size() < 2) {
        error = "macro needs a sub-command (list, show, add, rename, delete, import, export)";
        return false;
    }
    for (const Sub& sub : kSubs) {
        if (words[1] != sub.word) {
            continue;
        }
        command.verb = sub.verb;
        if (words.size() != 2 + sub.arguments) {
            error = "wrong number of arguments for \"macro " + words[1] + "\"";
            return false;
        }
        switch (sub.verb) {
            case Verb::kMacroAdd:
                command.name = words[2];
                break;
            case Verb::kMacroImport:
                command.path = words[2];
                break;
            case Verb::kMacroRename:
                command.target = words[2];
                command.name = words[3];
                break;
            case Verb::kMacroExport:
                command.target = words[2];
                command.path = words[3];
                break;
            case Verb::kMacroShow:
            case Verb::kMacroDelete:
                command.target = words[2];
                break;
            default:
                break;
        }
        return true;
    }
    error = "unknown macro sub-command \"" + words[1] + "\"";
    return false;
}

// words = "profile", "rule", the sub-command and its arguments.
bool ParseRule(const std::vector<std::string>& words, Command& command, std::string& error) {
    const std::string sub = words.size() > 2 ? words[2] : std::string();
    const std::size_t arguments = words.size() - std::min<std::size_t>(words.size(), 3);
    bool fits = false;
    if (sub == "list") {
        command.verb = Verb::kRuleList;
        fits = arguments == 0;
    } else if (sub == "add") {
        command.verb = Verb::kRuleAdd;
        fits = arguments == 2 || arguments == 3;
        if (fits) {
            command.app = words[3];
            command.target = words[4];
            command.titlePattern = arguments == 3 ? words[5] : std::string();
        }
    } else if (sub == "remove") {
        command.verb = Verb::kRuleRemove;
        fits = arguments == 1;
        if (fits) {
            const std::optional<int> id = ParseDecimal(words[3], NumberSyntax::kWhole);
            if (!id || *id <= 0) {
                error = "a rule is given by its id (a number, see \"profile rule list\"), not \"" + words[3] +
                        "\"";
                return false;
            }
            command.ruleId = *id;
        }
    } else if (sub == "default") {
        command.verb = Verb::kRuleDefault;
        fits = arguments == 1;
        if (fits) {
            command.target = words[3];
        }
    } else {
        error = "profile rule needs a sub-command (list, add, remove, default)";
        return false;
    }
    if (!fits) {
        error = "wrong number of arguments for \"profile rule " + sub + "\"";
    }
    return fits;
}

}  // namespace

std::optional<std::uint32_t> ParseColourArg(const std::string& text) {
    const std::string digits = text.starts_with("#") ? text.substr(1) : text;
    if (digits.size() != 6 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
        return std::nullopt;
    }
    const std::optional<std::uint32_t> rgb = ParseHex(digits, NumberSyntax::kWhole, 0xFFFFFFu);
    if (!rgb) {
        return std::nullopt;
    }
    return PackColour(static_cast<int>(*rgb >> 16), static_cast<int>(*rgb >> 8), static_cast<int>(*rgb));
}

std::string UsageLine() {
    return "usage: vantoractl [--json] [--verbose] status | profile list | profile add NAME | profile rename "
           "PROFILE "
           "NAME |\n"
           "                  profile delete PROFILE | profile select PROFILE |\n"
           "                  profile export PROFILE FOLDER | profile import FILE |\n"
           "                  profile rule list | profile rule add APP PROFILE [TITLE] |\n"
           "                  profile rule remove RULE | profile rule default PROFILE|keep |\n"
           "                  profile auto on|off |\n"
           "                  switch win|alttab|altf4 on|off | reset --yes | sync |\n"
           "                  key list [--profile PROFILE] [--layer 0|1] |\n"
           "                  key set KEY FUNCTION [--profile PROFILE] [--layer 0|1] |\n"
           "                  light list | light set MODE [--brightness 0-100] [--speed 0-4]\n"
           "                  [--direction left|right|up|down] [--color RRGGBB] [--colorful on|off] |\n"
           "                  light keys KEY=RRGGBB... | light keys --clear |\n"
           "                  macro list | macro show MACRO | macro add NAME | macro rename MACRO NAME |\n"
           "                  macro delete MACRO | macro import FILE | macro export MACRO FOLDER |\n"
           "                  devices [--rule VID:PID]\n";
}

std::string HelpText() {
    return UsageLine() + R"(
Changes the VANTORA keyboard's stored settings and writes them to the
keyboard. When the VANTORA program runs, the keyboard work is done by it;
otherwise vantoractl opens the keyboard itself.

Verbs:
  status                   keyboard, layout and active profile
  profile list             every profile; * marks the active one
  profile add NAME         a new profile, made active
  profile rename PROFILE NAME
  profile delete PROFILE   (the last profile cannot be deleted; when the
                           active one goes, its neighbour becomes active)
  profile select PROFILE   makes PROFILE active and writes its keys
  profile export PROFILE FOLDER
                           writes PROFILE's keys to a new exchange file in
                           FOLDER and prints its path
  profile import FILE      a new profile from an exchange file (not made
                           active); prints its id and any item left out
  profile rule list        the rules that select a profile for the
                           application in front, in the order they are
                           tried; the profile for every other application;
                           whether they are followed and how the running
                           program learns the application in front
  profile rule add APP PROFILE [TITLE]
                           selects PROFILE while the application APP (its
                           X11 WM_CLASS or Wayland app id, any letter case)
                           is in front, with a window title that TITLE
                           matches when given (a pattern on the whole
                           title: * any text, ? one character); prints the
                           rule's id
  profile rule remove RULE the rule with that id
  profile rule default PROFILE|keep
                           the profile for applications no rule names, or
                           keep the profile that is active (the default)
  profile auto on|off      follows the rules (on, the default) or pauses
  switch win|alttab|altf4 on|off
                           locks the Windows key, Alt+Tab or Alt+F4
  reset --yes              factory reset: every profile, macro and setting
                           is deleted and the keyboard reset
  sync                     reads the keyboard's key tables and writes every
                           table to it
  key list                 every key of a profile's layer that has a
                           function of its own
  key set KEY FUNCTION     gives KEY a function; the keyboard gets it at
                           once when the profile is the active one
      --profile PROFILE    the profile of the key verbs (default: the
                           active one)
      --layer 0|1          the standard (0, default) or the FN layer (1)
  light list               every light mode with the parameters it offers;
                           * marks the current one
  light set MODE           makes MODE current (a number or its English name,
                           any letter case) and writes it to the keyboard,
                           with the parameters given (a mode refuses those it
                           does not offer):
      --brightness 0-100  --speed 0-4  --direction left|right|up|down
      --color RRGGBB (red first: ff0000 is red)  --colorful on|off
  light keys KEY=RRGGBB... gives those keys their own colour (the other keys
                           keep theirs) and makes the per-key mode current
  light keys --clear       takes every key's own colour away
  macro list               every macro with its records, the keys of the
                           active profile bound to it (both layers) and
                           whether the keyboard's macro memory holds it
  macro show MACRO         the macro's records: type (down, up, mouse down,
                           mouse up), key name, code and delay in ms
  macro add NAME           a new empty macro; prints its id
  macro rename MACRO NAME
  macro delete MACRO       the macro and its records; the macros after it
                           move up in the keyboard's macro memory, which is
                           written again, then the key table (keys bound to
                           the deleted macro keep their rows and do nothing)
  macro import FILE        a new macro from a macro exchange file; prints
                           its id (the keyboard gets it with the next macro
                           download)
  macro export MACRO FOLDER
                           writes the macro to a new exchange file in
                           FOLDER and prints its path
  devices                  every HID interface attached: vendor and product
                           ids, interface number, whether its report
                           descriptor passes the keyboard check ("no
                           access" when it cannot be opened), product and
                           path; * marks the keyboard of config.ini
      --rule VID:PID       prints instead the udev rule line that lets the
                           user at the seat open that device

KEY is a HID usage when it is a decimal number, else the key's description
in the layout file ("Letter A", "Escape"; a part of one does too) or the
name a captured key shows ("A", "Num 7", "Shift").
FUNCTION is one of:
  default                  the keyboard's own function (the row goes)
  disable                  the key does nothing
  key KEY [MODIFIER]       sends KEY (usage or name), with Shift, Ctrl or
                           Alt held when MODIFIER is given: key A Ctrl
  macro ID|NAME            plays a macro
  mouse CODE|NAME          1 Left Mouse Button, 2 Middle Mouse Button,
                           3 Right Mouse Button, 5 Scroll Up,
                           6 Scroll Down, 7 Button 4, 8 Button 5
  media CODE|NAME          1 Play/Pause, 2 Stop, 3 Previous, 4 Next,
                           5 Volume +, 6 Volume -, 7 Mute
  shortcut CODE|NAME       1 Show Desktop, 2 My Computer, 3 Lock Computer,
                           4 Close Window, 5 Switch Windows, 6 Copy,
                           7 Paste, 8 Cut
  app PATH                 starts the program file PATH
  web ADDRESS              opens a web site
  text TEXT                types TEXT

PROFILE is an id when it is a decimal number, else a name (stored or as
shown). MACRO is an id when it is a decimal number, else a name (exactly,
else in any letter case). Verbs that change settings (macro add, rename
and delete too) need a connected keyboard.

Options:
  --json    print one JSON document on standard output instead of text
  --yes     confirm reset
  --verbose tell on standard error what is done with the keyboard (as
            VANTORA_LOG=debug does)
  --help    this text

JSON fields:
  status:        connected (bool), vendor_id, product_id (4 hex digits),
                 firmware (text), layout, active_profile {id, name},
                 via_program (bool: the running program did the work)
  profile list:  profiles [{id, name, stored_name, active}]
  profile add, rename, select, delete:
                 profile {id, name}, active_profile {id, name}
  profile export: file
  profile rule list: rules [{id, app, title, profile {id, name}, broken
                 (bool: its profile is gone, it is ignored)}],
                 default_profile {id, name} (null: keep the active one),
                 auto (bool), source ("x11", "wlroots", "kwin", "gnome";
                 "" when the running program cannot learn the application
                 in front, or no program runs), program_running (bool)
  profile rule add: rule {as in the list}
  profile rule remove: rule {id}
  profile rule default: default_profile {id, name} or null
  profile auto:  auto (bool)
  profile import: profile {id, name}, left_out [{key, layer, type, label,
                 reason}]
  switch:        switch ("win", "alttab", "altf4"), on (bool)
  reset, sync:   done (bool)
  key list:      profile {id, name}, layer, keys [{key, description, type,
                 type_name, value, value2, label, program (applications),
                 on_keyboard (bool), left_out (why not, when not)}]
  key set:       profile {id, name}, layer, key {as in key list; type 0
                 after default}, written (bool: the keyboard got it)
  light list:    modes [{mode, name, stored_name, active, and what the mode
                 offers: brightness, speed, direction ("left", "right",
                 "up", "down"), color ("rrggbb"), colorful (bool), per_key
                 (bool)}]
  light set:     mode {as in light list}
  light keys:    mode {as in light list}, keys [{key, description, color}]
  macro list:    macros [{id, name, records, link_count, on_keyboard
                 (bool), left_out (why not, only when not on the keyboard)}]
  macro show:    macro {id, name}, records [{index, type ("down", "up",
                 "mouse down", "mouse up", else the code), type_code, name,
                 code, delay}]
  macro add, rename, delete, import:
                 macro {id, name}
  macro export:  file
  devices:       configured {vendor_id, product_id}, devices [{vendor_id,
                 product_id, interface, usage_page, usage, manufacturer,
                 product, path, keyboard_check (bool, null: no access),
                 configured (bool)}]
  devices --rule: vendor_id, product_id, rule
  on failure:    error (text), exit_code

Exit codes:
  0 done; 1 bad usage (also an unknown key or function name); 2 not found
  (profile, macro, light mode, rule); 3 no keyboard connected (nothing changed);
  4 the keyboard refused or did not answer; 5 refused by a rule (the last
  profile, an empty name or text, a name with control characters or bytes
  that are not UTF-8, no free id for a host-side function, a
  parameter the light mode does not offer, no per-key mode, an imported
  macro whose records would pass the 1000 records of all macros);
  6 the database could not be opened or did not take the change; 7 a file
  could not be written or read (exchange file, the program of "key set ...
  app"); 8 the database stayed busy (another program kept writing to it
  for seconds): nothing was changed.

Files:
  config.ini in the program's folder (installed: /usr/share/vantora/) holds
  the keyboard model's settings ("VID " and "PID " among them); a user's
  $XDG_CONFIG_HOME/VANTORA/config.ini (default ~/.config/VANTORA/) overrides
  it key by key, section [TEXT].
)";
}

bool ChangesStoredData(Verb verb) {
    switch (verb) {
        case Verb::kProfileAdd:
        case Verb::kProfileRename:
        case Verb::kProfileDelete:
        case Verb::kProfileSelect:
        case Verb::kSwitch:
        case Verb::kReset:
        case Verb::kSync:
        case Verb::kKeySet:
        case Verb::kLightSet:
        case Verb::kLightKeys:
        case Verb::kMacroAdd:
        case Verb::kMacroRename:
        case Verb::kMacroDelete:
            return true;
        default:
            return false;
    }
}

bool NeedsKeyboard(Verb verb) {
    return verb == Verb::kStatus || ChangesStoredData(verb);
}

bool ShownByProgram(Verb verb) {
    // The rule list says which desktop the running program follows; the
    // pause switch is told to the program's watchers (D-Bus).
    return NeedsKeyboard(verb) || verb == Verb::kProfileImport || verb == Verb::kMacroImport ||
           verb == Verb::kRuleList || verb == Verb::kProfileAuto;
}

bool ParseCommand(const std::vector<std::string>& args, Command& command, std::string& error) {
    command = Command{};
    std::vector<std::string> words;
    bool optionsEnded = false;
    bool help = false;
    bool keyOptions = false;
    bool lightOptions = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && (arg == "--profile" || arg == "--layer" || arg.starts_with("--profile=") ||
                              arg.starts_with("--layer="))) {
            const std::size_t equals = arg.find('=');
            const std::string option = arg.substr(0, equals);
            std::string value;
            if (equals != std::string::npos) {
                value = arg.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                error = option + " needs a value";
                return false;
            }
            if (option == "--profile") {
                if (value.empty()) {
                    error = "--profile needs a profile id or name";
                    return false;
                }
                command.profile = value;
            } else if (value == "0" || value == "1") {
                command.layer = value == "1" ? 1 : 0;
            } else {
                error = "--layer is 0 (standard) or 1 (FN), not \"" + value + "\"";
                return false;
            }
            keyOptions = true;
        } else if (!optionsEnded && IsLightOption(arg)) {
            const std::size_t equals = arg.find('=');
            const std::string option = arg.substr(0, equals);
            std::string value;
            if (equals != std::string::npos) {
                value = arg.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                error = option + " needs a value";
                return false;
            }
            if (!ParseLightOption(option, value, command.light, error)) {
                return false;
            }
        } else if (!optionsEnded && (arg == "--rule" || arg.starts_with("--rule="))) {
            const std::size_t equals = arg.find('=');
            std::string value;
            if (equals != std::string::npos) {
                value = arg.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                error = "--rule needs VID:PID";
                return false;
            }
            if (!ParseUsbIds(value, command.ruleVendorId, command.ruleProductId)) {
                error = "--rule is VID:PID (hexadecimal, 1209:0001), not \"" + value + "\"";
                return false;
            }
            command.rule = true;
        } else if (!optionsEnded && arg == "--clear") {
            command.clear = true;
            lightOptions = true;
        } else if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg == "--json") {
            command.json = true;
        } else if (!optionsEnded && arg == "--yes") {
            command.yes = true;
        } else if (!optionsEnded && arg == "--verbose") {
            command.verbose = true;
        } else if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            help = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
            return false;
        } else {
            words.push_back(arg);
        }
    }
    if (help || words.empty()) {
        command.verb = Verb::kHelp;
        if (!help) {
            error = "no verb given";
            return false;
        }
        return true;
    }
    auto expect = [&](std::size_t count) {
        if (words.size() != count) {
            error = "wrong number of arguments for \"" + words[0] + (words.size() > 1 ? " " + words[1] : "") +
                    "\"";
            return false;
        }
        return true;
    };
    const std::string& verb = words[0];
    if (keyOptions && verb != "key") {
        error = "--profile and --layer belong to \"key list\" and \"key set\"";
        return false;
    }
    if ((command.light.Any() || lightOptions) && verb != "light") {
        error = "--brightness, --speed, --direction, --color, --colorful and --clear belong to \"light\"";
        return false;
    }
    if (command.rule && verb != "devices") {
        error = "--rule belongs to \"devices\"";
        return false;
    }
    if (verb == "devices") {
        command.verb = Verb::kDevices;
        return expect(1);
    }
    if (verb == "light") {
        if (words.size() < 2) {
            error = "light needs a sub-command (list, set, keys)";
            return false;
        }
        if ((words[1] != "set" && command.light.Any()) || (words[1] != "keys" && command.clear)) {
            error = "--clear belongs to \"light keys\", the other light options to \"light set\"";
            return false;
        }
        if (words[1] == "list") {
            command.verb = Verb::kLightList;
            return expect(2);
        }
        if (words[1] == "set") {
            command.verb = Verb::kLightSet;
            if (!expect(3)) {
                return false;
            }
            command.mode = words[2];
            return true;
        }
        if (words[1] != "keys") {
            error = "unknown light sub-command \"" + words[1] + "\"";
            return false;
        }
        command.verb = Verb::kLightKeys;
        if (command.clear != (words.size() == 2)) {
            error = "light keys takes KEY=RRGGBB... or --clear";
            return false;
        }
        return ParseKeyColours(std::vector<std::string>(words.begin() + 2, words.end()), command.keyColours,
                               error);
    }
    if (verb == "key") {
        if (words.size() < 2) {
            error = "key needs a sub-command (list, set)";
            return false;
        }
        if (words[1] == "list") {
            command.verb = Verb::kKeyList;
            return expect(2);
        }
        if (words[1] != "set") {
            error = "unknown key sub-command \"" + words[1] + "\"";
            return false;
        }
        command.verb = Verb::kKeySet;
        if (words.size() < 4) {
            error = "key set needs a KEY and a FUNCTION";
            return false;
        }
        command.key = words[2];
        return ParseFunction(std::vector<std::string>(words.begin() + 3, words.end()), command.function,
                             error);
    }
    if (verb == "macro") {
        return ParseMacro(words, command, error);
    }
    if (verb == "status") {
        command.verb = Verb::kStatus;
        return expect(1);
    }
    if (verb == "sync") {
        command.verb = Verb::kSync;
        return expect(1);
    }
    if (verb == "reset") {
        command.verb = Verb::kReset;
        return expect(1);
    }
    if (verb == "switch") {
        command.verb = Verb::kSwitch;
        if (!expect(3)) {
            return false;
        }
        if (!ParseSwitch(words[1], command.which)) {
            error = "unknown switch \"" + words[1] + "\" (win, alttab or altf4)";
            return false;
        }
        if (words[2] != "on" && words[2] != "off") {
            error = "a switch is \"on\" or \"off\", not \"" + words[2] + "\"";
            return false;
        }
        command.on = words[2] == "on";
        return true;
    }
    if (verb != "profile") {
        error = "unknown verb \"" + verb + "\"";
        return false;
    }
    if (words.size() < 2) {
        error =
            "profile needs a sub-command (list, add, rename, delete, select, export, import, rule, "
            "auto)";
        return false;
    }
    const std::string& sub = words[1];
    if (sub == "rule") {
        return ParseRule(words, command, error);
    }
    if (sub == "auto") {
        command.verb = Verb::kProfileAuto;
        if (!expect(3)) {
            return false;
        }
        if (words[2] != "on" && words[2] != "off") {
            error = "profile auto is \"on\" or \"off\", not \"" + words[2] + "\"";
            return false;
        }
        command.on = words[2] == "on";
        return true;
    }
    if (sub == "list") {
        command.verb = Verb::kProfileList;
        return expect(2);
    }
    if (sub == "add") {
        command.verb = Verb::kProfileAdd;
        if (!expect(3)) {
            return false;
        }
        command.name = words[2];
        return true;
    }
    if (sub == "rename") {
        command.verb = Verb::kProfileRename;
        if (!expect(4)) {
            return false;
        }
        command.target = words[2];
        command.name = words[3];
        return true;
    }
    if (sub == "export") {
        command.verb = Verb::kProfileExport;
        if (!expect(4)) {
            return false;
        }
        command.target = words[2];
        command.path = words[3];
        return true;
    }
    if (sub == "import") {
        command.verb = Verb::kProfileImport;
        if (!expect(3)) {
            return false;
        }
        command.path = words[2];
        return true;
    }
    if (sub == "delete" || sub == "select") {
        command.verb = sub == "delete" ? Verb::kProfileDelete : Verb::kProfileSelect;
        if (!expect(3)) {
            return false;
        }
        command.target = words[2];
        return true;
    }
    error = "unknown profile sub-command \"" + sub + "\"";
    return false;
}

}  // namespace vantora::cli
