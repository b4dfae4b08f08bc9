#include "cli/ctl_command.h"

namespace vantora::cli {
namespace {

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

}  // namespace

std::string UsageLine() {
    return "usage: vantoractl [--json] status | profile list | profile add NAME | profile rename PROFILE "
           "NAME |\n"
           "                  profile delete PROFILE | profile select PROFILE |\n"
           "                  profile export PROFILE FOLDER | profile import FILE |\n"
           "                  switch win|alttab|altf4 on|off | reset --yes | sync\n";
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
  switch win|alttab|altf4 on|off
                           locks the Windows key, Alt+Tab or Alt+F4
  reset --yes              factory reset: every profile, macro and setting
                           is deleted and the keyboard reset
  sync                     reads the keyboard's key tables and writes every
                           table to it

PROFILE is an id when it is a decimal number, else a name (stored or as
shown). Verbs that change settings need a connected keyboard.

Options:
  --json    print one JSON document on standard output instead of text
  --yes     confirm reset
  --help    this text

JSON fields:
  status:        connected (bool), vendor_id, product_id (4 hex digits),
                 firmware (text), layout, active_profile {id, name},
                 via_program (bool: the running program did the work)
  profile list:  profiles [{id, name, stored_name, active}]
  profile add, rename, select, delete:
                 profile {id, name}, active_profile {id, name}
  profile export: file
  profile import: profile {id, name}, left_out [{key, layer, type, label,
                 reason}]
  switch:        switch ("win", "alttab", "altf4"), on (bool)
  reset, sync:   done (bool)
  on failure:    error (text), exit_code

Exit codes:
  0 done; 1 bad usage; 2 not found; 3 no keyboard connected (nothing
  changed); 4 the keyboard refused or did not answer; 5 refused by a rule
  (the last profile, an empty name); 6 the database could not be opened;
  7 an exchange file could not be written or read.
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
            return true;
        default:
            return false;
    }
}

bool NeedsKeyboard(Verb verb) {
    return verb == Verb::kStatus || ChangesStoredData(verb);
}

bool ShownByProgram(Verb verb) {
    return NeedsKeyboard(verb) || verb == Verb::kProfileImport;
}

bool ParseCommand(const std::vector<std::string>& args, Command& command, std::string& error) {
    command = Command{};
    std::vector<std::string> words;
    bool optionsEnded = false;
    bool help = false;
    for (const std::string& arg : args) {
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg == "--json") {
            command.json = true;
        } else if (!optionsEnded && arg == "--yes") {
            command.yes = true;
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
        error = "profile needs a sub-command (list, add, rename, delete, select, export, import)";
        return false;
    }
    const std::string& sub = words[1];
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
