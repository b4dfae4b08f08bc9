#include "model/actions.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <tuple>

#include "cli/ctl_command.h"
#include "device/key_index.h"
#include "device/protocol.h"
#include "keys/host_action.h"
#include "macros/macro_editor.h"
#include "model/driver.h"
#include "model/model.h"
#include "session/app_rules.h"
#include "session/profile_switcher.h"
#include "support/temp_dir.h"

namespace vantora::model {
namespace {

// The keys the actions use (HID usages): letters, Escape, F1, Space, Left
// Shift, Keypad 7.
constexpr int kKeys[] = {4, 5, 41, 58, 44, 225, 95};
const char* const kNames[] = {"Game", "Work", "\xce\xa9mega", "Two words", "", "Game"};
const char* const kTexts[] = {"hello",
                              "Gr\xc3\xbc\xc3\x9f"
                              "e",
                              "a b c"};
const char* const kAddresses[] = {"https://example.org/a", "https://example.org/b", "mailto:me@example.org"};
const char* const kDirections[] = {"left", "right", "up", "down"};
const char* const kApps[] = {"game", "Editor", "steam_app_570"};
const char* const kTitles[] = {"", "*Sculpt*", "Level ?", "Start page"};

// A virtual key (or a button) and the record types the generator uses.
constexpr int kRecordValues[] = {0x41, 0x42, 0x20, 0xA0};

// The database codes of the functions.
int TypeCode(Fn fn) {
    switch (fn) {
        case Fn::kDisable:
            return 1;
        case Fn::kKeyA:
        case Fn::kKeyBCtrl:
        case Fn::kShiftAlone:
            return 2;
        case Fn::kMacro:
            return 3;
        case Fn::kMouseLeft:
        case Fn::kScrollUp:
            return 5;
        case Fn::kMediaPlay:
            return 6;
        case Fn::kSwitchWin:
        case Fn::kShortcut1:
            return 7;
        case Fn::kProgram:
            return 8;
        case Fn::kWeb:
            return 9;
        case Fn::kText:
            return 10;
        case Fn::kCount:
            break;
    }
    return 0;
}

template <typename T, std::size_t N>
const T& Pick(const T (&items)[N], int n) {
    return items[static_cast<std::size_t>(n) % N];
}

const char* KindName(Kind kind) {
    static const char* const names[] = {"profile add",
                                        "profile rename",
                                        "profile delete",
                                        "profile select",
                                        "profile export+import",
                                        "key set",
                                        "key default",
                                        "macro add",
                                        "macro add x8",
                                        "macro rename",
                                        "macro delete",
                                        "macro records",
                                        "macro export+import",
                                        "light set",
                                        "light keys",
                                        "light keys --clear",
                                        "switch",
                                        "reset",
                                        "sync",
                                        "unplug",
                                        "plug",
                                        "restart",
                                        "press",
                                        "keyboard reset",
                                        "key set x48",
                                        "profile import again",
                                        "rule add",
                                        "rule remove",
                                        "rule others",
                                        "profile auto",
                                        "focus",
                                        "profile import from elsewhere"};
    return names[static_cast<int>(kind)];
}

using Table = std::vector<std::uint8_t>;

struct Snapshot {
    std::string database;
    Table keys, macros, settings, colours;
    bool operator==(const Snapshot&) const = default;
};

class Runner {
public:
    explicit Runner(const std::string& folder) : folder_(folder), system_(folder + "data") {
        std::filesystem::create_directories(folder_ + "files");
        program_ = folder_ + "files/tool.sh";
        std::ofstream(program_) << "#!/bin/sh\n";
        ::chmod(program_.c_str(), 0700);
        LearnFreshState();
    }

    // Runs one action; empty when every property held.
    std::string Step(const Action& action) {
        const Snapshot before = Take();
        const bool changes = Changes(action.kind);
        if (action.fault == Fault::kKeyboardRefuses) {
            system_.SetKeyboardFaults({.refuseAll = true});
        } else if (action.fault == Fault::kKeyboardSilent) {
            system_.SetKeyboardFaults({.neverAnswer = true});
        } else if (action.fault == Fault::kDatabaseBusy) {
            system_.HoldDatabase(true);
        }
        Result result = Apply(action);
        system_.SetKeyboardFaults({});
        system_.HoldDatabase(false);
        if (!result.error.empty()) {
            return result.error;
        }
        if (changes) {
            if (result.code == cli::kExitKeyboardFailed) {
                // Stored, but the keyboard did not take it (all of it).
                behind_ = true;
            } else if (result.code != cli::kExitOk) {
                Snapshot after = Take();
                // A refused change may still refresh the keyboard from what
                // is stored (the user sees no difference); a keyboard that
                // lags may be brought up to date by any download.
                const bool refreshed =
                    !behind_ && after.database == before.database && CheckKeyboard().empty();
                if (behind_ || refreshed) {
                    after.keys = before.keys;
                    after.macros = before.macros;
                    after.settings = before.settings;
                    after.colours = before.colours;
                }
                if (after != before) {
                    return "refused (exit " + std::to_string(result.code) + ") but " +
                           (after.database != before.database   ? "the database"
                            : after.keys != before.keys         ? "the key table"
                            : after.macros != before.macros     ? "the macro memory"
                            : after.settings != before.settings ? "the settings"
                                                                : "the key colours") +
                           " changed";
                }
                return {};
            }
            // Imports and rules need no keyboard: the keyboard gets imports
            // with a later download.
            const bool noKeyboard =
                action.kind == Kind::kProfileRoundTrip || action.kind == Kind::kMacroRoundTrip ||
                action.kind == Kind::kProfileImportAgain || action.kind == Kind::kProfileFromElsewhere ||
                action.kind == Kind::kRuleAdd || action.kind == Kind::kRuleRemove ||
                action.kind == Kind::kRuleOthers || action.kind == Kind::kFollowSwitch;
            if (!system_.Connected() && result.code == cli::kExitOk && !noKeyboard) {
                return "a change was reported done with no keyboard";
            }
        }
        return Check();
    }

private:
    struct Result {
        int code = cli::kExitOk;
        std::string out;
        std::string error;  // a fault of the test itself, or a broken property
    };
    // The action had nothing to work on (no macro yet): nothing may change.
    static constexpr int kSkipped = -1;
    static Result Skipped() { return {kSkipped, {}, {}}; }

    static bool Changes(Kind kind) {
        return kind != Kind::kPress && kind != Kind::kUnplug && kind != Kind::kPlug &&
               kind != Kind::kRestart && kind != Kind::kKeyboardReset && kind != Kind::kFocus;
    }

    Result Ctl(const std::vector<std::string>& args) {
        const cli::CtlResult result = system_.Ctl(args);
        Result mine{result.exitCode, result.out, {}};
        if (result.exitCode == cli::kExitUsage) {
            std::string line;
            for (const std::string& arg : args) {
                line += arg + " ";
            }
            mine.error = "the test's command was refused as bad usage: " + line + "-> " + result.err;
        }
        return mine;
    }

    // Stored, whether or not the keyboard then took it.
    static bool Stored(const Result& result) {
        return result.code == cli::kExitOk || result.code == cli::kExitKeyboardFailed;
    }

    static int Id(const std::string& out) {
        std::smatch match;
        if (std::regex_search(out, match, std::regex("([0-9]+)"))) {
            return std::stoi(match[1]);
        }
        return 0;
    }
    // The exported file's path: vantoractl prints it alone (it may hold
    // blanks: the first profile's name does).
    static std::string Path(const std::string& out) {
        const std::size_t end = out.find_last_not_of("\r\n");
        return end == std::string::npos ? std::string() : out.substr(0, end + 1);
    }
    // A file the program has just written must import.
    static Result Imported(Result result) {
        if (result.code == cli::kExitFile && result.error.empty()) {
            result.error = "the file just exported does not import";
        }
        return result;
    }

    Profile* NthProfile(int n) {
        return model_.profiles.empty()
                   ? nullptr
                   : &model_.profiles[static_cast<std::size_t>(n) % model_.profiles.size()];
    }
    Macro* NthMacro(int n) {
        return model_.macros.empty() ? nullptr
                                     : &model_.macros[static_cast<std::size_t>(n) % model_.macros.size()];
    }

    // The profiles and their ids as stored after a start or a reset.
    void LearnFreshState() {
        model_ = Model{};
        ProfileDatabase& db = system_.Session().Database();
        std::vector<ProfileItem> list;
        db.ListProfiles(list);
        for (const ProfileItem& item : list) {
            model_.profiles.push_back({item.profile, item.name, {}});
        }
        model_.active = db.GetActiveProfile();
        behind_ = false;
    }

    // A profile made by the program (add, import): its id and name.
    void LearnNewProfile(const KeyMap& keys) {
        std::vector<ProfileItem> list;
        system_.Session().Database().ListProfiles(list);
        for (const ProfileItem& item : list) {
            if (model_.FindProfile(item.profile) == nullptr) {
                model_.profiles.push_back({item.profile, item.name, keys});
            }
        }
    }

    Result Apply(const Action& action) {
        switch (action.kind) {
            case Kind::kProfileAdd: {
                const std::string name = Pick(kNames, action.a);
                Result result = Ctl({"profile", "add", name});
                if (Stored(result)) {
                    LearnNewProfile({});
                    model_.active = model_.profiles.back().id;
                }
                return result;
            }
            case Kind::kProfileRename: {
                Profile* profile = NthProfile(action.a);
                const std::string name = Pick(kNames, action.b);
                Result result = Ctl({"profile", "rename", std::to_string(profile->id), name});
                if (result.code == cli::kExitOk) {
                    profile->name = name;
                }
                return result;
            }
            case Kind::kProfileDelete: {
                Profile* profile = NthProfile(action.a);
                const int id = profile->id;
                Result result = Ctl({"profile", "delete", std::to_string(id)});
                if (Stored(result)) {
                    std::erase_if(model_.profiles, [id](const Profile& p) { return p.id == id; });
                    std::erase_if(model_.rules, [id](const Rule& rule) { return rule.profile == id; });
                    model_.active = system_.Session().Database().GetActiveProfile();
                } else if (model_.profiles.size() > 1 && result.code == cli::kExitRefused) {
                    result.error = "a profile other than the last one was refused deletion";
                }
                return result;
            }
            case Kind::kProfileSelect: {
                const int id = NthProfile(action.a)->id;
                Result result = Ctl({"profile", "select", std::to_string(id)});
                if (Stored(result)) {
                    model_.active = id;
                }
                return result;
            }
            case Kind::kProfileRoundTrip: {
                const Profile source = *NthProfile(action.a);
                Result exported = Ctl({"profile", "export", std::to_string(source.id), folder_ + "files"});
                if (exported.code != cli::kExitOk || !exported.error.empty()) {
                    return exported;
                }
                lastExport_ = {Path(exported.out), source.keys, model_.macros};
                Result result = Imported(Ctl({"profile", "import", Path(exported.out)}));
                if (Stored(result)) {
                    // A key bound to a macro that is gone binds nothing: left
                    // out of the import (and said so).
                    KeyMap keys = source.keys;
                    std::erase_if(keys, [this](const auto& key) {
                        return key.second.fn == Fn::kMacro && model_.FindMacro(key.second.macroId) == nullptr;
                    });
                    LearnNewProfile(keys);
                }
                return result;
            }
            case Kind::kKeySet:
                return SetKey(action);
            case Kind::kKeyDefault: {
                const int usage = Pick(kKeys, action.a);
                const int layer = action.b % 2;
                Result result =
                    Ctl({"key", "set", std::to_string(usage), "default", "--layer", std::to_string(layer)});
                if (Stored(result)) {
                    model_.FindProfile(model_.active)->keys.erase({layer, usage});
                }
                return result;
            }
            case Kind::kMacroAdd: {
                const std::string name = Pick(kNames, action.a);
                Result result = Ctl({"macro", "add", name});
                if (result.code == cli::kExitOk) {
                    model_.macros.push_back({Id(result.out), name, {}});
                }
                return result;
            }
            case Kind::kMacroAddMany: {
                Result result;
                for (int i = 0; i < 8 && result.code == cli::kExitOk && result.error.empty(); ++i) {
                    const std::string name = "M" + std::to_string(model_.macros.size() + 1);
                    result = Ctl({"macro", "add", name});
                    if (result.code == cli::kExitOk) {
                        model_.macros.push_back({Id(result.out), name, {}});
                    }
                }
                return result;
            }
            case Kind::kMacroRename: {
                Macro* macro = NthMacro(action.a);
                if (macro == nullptr) {
                    return Skipped();
                }
                const std::string name = Pick(kNames, action.b);
                Result result = Ctl({"macro", "rename", std::to_string(macro->id), name});
                if (result.code == cli::kExitOk) {
                    macro->name = name;
                }
                return result;
            }
            case Kind::kMacroDelete: {
                Macro* macro = NthMacro(action.a);
                if (macro == nullptr) {
                    return Skipped();
                }
                const int id = macro->id;
                Result result = Ctl({"macro", "delete", std::to_string(id)});
                if (Stored(result)) {
                    std::erase_if(model_.macros, [id](const Macro& m) { return m.id == id; });
                }
                return result;
            }
            case Kind::kMacroRecords:
                return SaveRecords(action);
            case Kind::kMacroRoundTrip: {
                Macro* macro = NthMacro(action.a);
                if (macro == nullptr) {
                    return Skipped();
                }
                const Macro source = *macro;
                Result exported = Ctl({"macro", "export", std::to_string(source.id), folder_ + "files"});
                if (exported.code != cli::kExitOk || !exported.error.empty()) {
                    return exported;
                }
                Result result = Imported(Ctl({"macro", "import", Path(exported.out)}));
                if (result.code == cli::kExitOk) {
                    const int id = Id(result.out);
                    Macro copy = source;
                    copy.id = id;
                    model_.macros.push_back(copy);
                }
                return result;
            }
            case Kind::kLightSet:
                return SetLight(action);
            case Kind::kLightKeys: {
                const int usage = Pick(kKeys, action.a);
                char colour[8];
                std::snprintf(colour, sizeof colour, "%02x%02x%02x", action.b & 0xFF, action.c & 0xFF,
                              action.d & 0xFF);
                Result result = Ctl({"light", "keys", std::to_string(usage) + "=" + colour});
                if (Stored(result)) {
                    model_.keyColours[usage] = static_cast<std::uint32_t>(
                        (action.b & 0xFF) | (action.c & 0xFF) << 8 | (action.d & 0xFF) << 16);
                    model_.lightMode = 0;
                }
                return result;
            }
            case Kind::kLightKeysClear: {
                Result result = Ctl({"light", "keys", "--clear"});
                if (Stored(result)) {
                    model_.keyColours.clear();
                    model_.lightMode = 0;  // the per-key mode, now dark
                }
                return result;
            }
            case Kind::kSwitch: {
                static const char* const words[] = {"win", "alttab", "altf4"};
                const int which = action.a % 3;
                const bool on = action.b % 2 == 1;
                Result result = Ctl({"switch", words[which], on ? "on" : "off"});
                if (Stored(result)) {
                    model_.switches[static_cast<std::size_t>(which)] = on;
                }
                return result;
            }
            case Kind::kReset: {
                Result result = Ctl({"reset", "--yes"});
                if (Stored(result)) {
                    const bool failed = result.code != cli::kExitOk;
                    LearnFreshState();
                    behind_ = failed;
                }
                return result;
            }
            case Kind::kSync: {
                Result result = Ctl({"sync"});
                if (result.code == cli::kExitOk) {
                    behind_ = false;
                }
                return result;
            }
            case Kind::kUnplug:
                system_.Unplug();
                return {};
            case Kind::kPlug:
                if (!system_.Connected()) {
                    system_.Plug();
                    // The load brings the keyboard up to date, when it answers.
                    behind_ = behind_ && action.fault != Fault::kNone;
                }
                return {};
            case Kind::kRestart:
                system_.Restart();
                behind_ = behind_ && (!system_.Connected() || action.fault != Fault::kNone);
                return {};
            case Kind::kKeyboardReset:
                return ResetKeyboardItself(action.fault != Fault::kNone);
            case Kind::kPress:
                return Press(action);
            case Kind::kKeySetMany:
                return SetManyKeys(action);
            case Kind::kProfileImportAgain:
                return ImportAgain();
            case Kind::kProfileFromElsewhere:
                return ImportFromElsewhere();
            case Kind::kRuleAdd: {
                const std::string app = Pick(kApps, action.a);
                const std::string title = Pick(kTitles, action.c);
                const int profile = NthProfile(action.b)->id;
                std::vector<std::string> args = {"profile", "rule", "add", app, std::to_string(profile)};
                if (!title.empty()) {
                    args.push_back(title);
                }
                Result result = Ctl(args);
                if (result.code == cli::kExitOk) {
                    model_.rules.push_back({Id(result.out), app, title, profile});
                }
                return result;
            }
            case Kind::kRuleRemove: {
                if (model_.rules.empty()) {
                    return Skipped();
                }
                const int id = model_.rules[static_cast<std::size_t>(action.a) % model_.rules.size()].id;
                Result result = Ctl({"profile", "rule", "remove", std::to_string(id)});
                if (result.code == cli::kExitOk) {
                    std::erase_if(model_.rules, [id](const Rule& rule) { return rule.id == id; });
                }
                return result;
            }
            case Kind::kRuleOthers: {
                const int profile = action.b % 3 == 0 ? 0 : NthProfile(action.a)->id;
                Result result =
                    Ctl({"profile", "rule", "default", profile == 0 ? "keep" : std::to_string(profile)});
                if (result.code == cli::kExitOk) {
                    model_.otherAppsProfile = profile;
                }
                return result;
            }
            case Kind::kFollowSwitch: {
                const bool on = action.a % 2 == 0;
                Result result = Ctl({"profile", "auto", on ? "on" : "off"});
                if (result.code == cli::kExitOk) {
                    model_.followApps = on;
                }
                return result;
            }
            case Kind::kFocus:
                return Focus(action);
            case Kind::kCount:
                break;
        }
        return {};
    }

    // The keyboard's tables return to its factory state while no program
    // sees it. The next load finds the active profile's keys at their
    // default and drops their rows (the keyboard changed them); rows whose
    // function is the key's default anyway, or that the keyboard never
    // held, stay. Everything else is written again.
    Result ResetKeyboardItself(bool faulty) {
        const bool wasConnected = system_.Connected();
        if (wasConnected) {
            system_.Unplug();
        }
        Table defaults;
        system_.Keyboard().WithFirmware([&](sim::KeyboardFirmware& f) {
            f.FactoryReset();
            defaults.assign(f.DefaultKeyTable().begin(), f.DefaultKeyTable().end());
            return 0;
        });
        Profile* active = model_.FindProfile(model_.active);
        const std::map<int, int> held = HeldMacroPositions(model_.macros);
        const bool learn = behind_ || faulty;
        if (!learn) {
            std::erase_if(active->keys, [&](const auto& entry) {
                const int index = IndexOf(entry.first.second);
                const auto bytes = EncodeFunction(entry.second, held);
                if (index < 0 || !bytes) {
                    return false;
                }
                const std::size_t at = static_cast<std::size_t>(6 * index + 3 * entry.first.first);
                return !std::equal(bytes->begin(), bytes->end(),
                                   defaults.begin() + static_cast<std::ptrdiff_t>(at));
            });
        }
        system_.Plug();
        if (learn) {
            // Which of the tables lagged decides what the load keeps: learnt.
            KeyMap kept;
            std::vector<KeyAssignment> rows;
            system_.Session().Database().ListAllKeyAssignments(active->id, rows);
            for (const KeyAssignment& row : rows) {
                const auto key = active->keys.find({row.fn_layer, row.key_code});
                if (key != active->keys.end()) {
                    kept.insert(*key);
                }
            }
            active->keys = kept;
        }
        behind_ = faulty;
        return Skipped();
    }

    Result SetKey(const Action& action) {
        const int usage = Pick(kKeys, action.a);
        const int layer = action.b % 2;
        KeyFunction function{static_cast<Fn>(action.c % static_cast<int>(Fn::kCount)), 0, {}};
        std::vector<std::string> args = {"key", "set", std::to_string(usage)};
        switch (function.fn) {
            case Fn::kDisable:
                args.push_back("disable");
                break;
            case Fn::kKeyA:
                args.insert(args.end(), {"key", "4"});
                break;
            case Fn::kKeyBCtrl:
                args.insert(args.end(), {"key", "5", "Ctrl"});
                break;
            case Fn::kShiftAlone:
                args.insert(args.end(), {"key", "225"});
                break;
            case Fn::kMouseLeft:
                args.insert(args.end(), {"mouse", "1"});
                break;
            case Fn::kScrollUp:
                args.insert(args.end(), {"mouse", "5"});
                break;
            case Fn::kMediaPlay:
                args.insert(args.end(), {"media", "1"});
                break;
            case Fn::kSwitchWin:
                args.insert(args.end(), {"shortcut", "5"});
                break;
            case Fn::kShortcut1:
                args.insert(args.end(), {"shortcut", "1"});
                break;
            case Fn::kMacro: {
                const Macro* macro = NthMacro(action.d);
                if (macro == nullptr) {
                    return Skipped();
                }
                function.macroId = macro->id;
                args.insert(args.end(), {"macro", std::to_string(macro->id)});
                break;
            }
            case Fn::kProgram:
                function.text = program_;
                args.insert(args.end(), {"app", program_});
                break;
            case Fn::kWeb:
                function.text = Pick(kAddresses, action.d);
                args.insert(args.end(), {"web", function.text});
                break;
            case Fn::kText:
                function.text = Pick(kTexts, action.d);
                args.insert(args.end(), {"text", function.text});
                break;
            case Fn::kCount:
                break;
        }
        args.insert(args.end(), {"--layer", std::to_string(layer)});
        Result result = Ctl(args);
        if (Stored(result)) {
            model_.FindProfile(model_.active)->keys[{layer, usage}] = function;
        }
        return result;
    }

    Result SaveRecords(const Action& action) {
        Macro* macro = NthMacro(action.a);
        if (macro == nullptr) {
            return Skipped();
        }
        // Key presses of pairs (down, up), and a mouse click now and then.
        std::vector<Record> records;
        const int pairs = action.b % 5;
        for (int i = 0; i < pairs; ++i) {
            const int pick = (action.c + i) % 5;
            const int delay = (action.d * 37 + i * 11) % 400;
            const int value = pick == 4 ? 1 : kRecordValues[pick];
            records.push_back({pick == 4 ? 4 : 2, value, delay});
            records.push_back({pick == 4 ? 5 : 3, value, delay + 1});
        }
        // As the MACRO page saves them: stored, then the downloads it says.
        if (!system_.Connected()) {
            return {cli::kExitNoKeyboard, {}, {}};
        }
        std::vector<MacroStep> steps;
        for (const Record& record : records) {
            MacroStep step;
            step.type = record.type;
            step.value = record.value;
            step.delay_time = record.delay;
            steps.push_back(step);
        }
        MacroEditor editor(system_.Session().Database());
        const MacroEditor::Outcome outcome = editor.SaveRecords(macro->id, steps);
        if (outcome.result != MacroEditor::Result::kDone) {
            return {system_.Session().Database().LastChangeWasBusy() ? cli::kExitBusy : cli::kExitRefused,
                    {},
                    {}};
        }
        macro->records = records;
        const KeyboardWork work = outcome.jobs.keys ? KeyboardWork::kMacrosKeys : KeyboardWork::kMacros;
        std::promise<JobOutcome> ended;
        std::future<JobOutcome> done = ended.get_future();
        system_.Session().Perform(work, [&ended](JobOutcome o) { ended.set_value(o); });
        const JobOutcome jobOutcome = done.get();
        system_.Settle();
        return {jobOutcome == JobOutcome::kDone ? cli::kExitOk : cli::kExitKeyboardFailed, {}, {}};
    }

    Result SetLight(const Action& action) {
        const int mode = 1 + action.a % 22;
        std::vector<std::string> args = {"light", "set", std::to_string(mode)};
        LightParams given;
        const int which = action.b % 6;
        if (which == 1) {
            given.brightness = action.c % 101;
            args.insert(args.end(), {"--brightness", std::to_string(*given.brightness)});
        } else if (which == 2) {
            given.speed = action.c % 5;
            args.insert(args.end(), {"--speed", std::to_string(*given.speed)});
        } else if (which == 3) {
            const int direction = action.c % 4;
            given.direction = direction == 0 || direction == 2 ? 1 : 0;
            args.insert(args.end(), {"--direction", Pick(kDirections, direction)});
        } else if (which == 4) {
            char colour[8];
            std::snprintf(colour, sizeof colour, "%02x%02x%02x", action.c & 0xFF, action.d & 0xFF, 0x40);
            given.colour =
                static_cast<std::uint32_t>((action.c & 0xFF) | (action.d & 0xFF) << 8 | 0x40 << 16);
            args.insert(args.end(), {"--color", colour});
        } else if (which == 5) {
            given.colourful = action.c % 2 == 1;
            args.insert(args.end(), {"--colorful", *given.colourful ? "on" : "off"});
        }
        Result result = Ctl(args);
        if (Stored(result)) {
            model_.lightMode = mode;
            LightParams& stored = model_.light[mode];
            if (given.brightness) {
                stored.brightness = given.brightness;
            }
            if (given.speed) {
                stored.speed = given.speed;
            }
            if (given.direction) {
                stored.direction = given.direction;
            }
            if (given.colour) {
                stored.colour = given.colour;
            }
            if (given.colourful) {
                stored.colourful = given.colourful;
            }
        }
        return result;
    }

    // An application comes to the front (in a letter case of its own), as a
    // desktop reports it, and the debounce runs out: the first rule that
    // names it (and matches the title) picks the profile, else the profile
    // for other applications, else the active one stays.
    Result Focus(const Action& action) {
        std::string app = Pick(kApps, action.a);
        if (action.b % 2 == 1) {
            std::transform(app.begin(), app.end(), app.begin(),
                           [](unsigned char c) { return std::toupper(c); });
        }
        const std::string title =
            std::vector<std::string>{"Level 7", "Blender: Sculpt mode", "Start page", "other"}[action.c % 4];
        const int before = model_.active;
        ProfileSwitcher& switcher = system_.Switcher();
        switcher.Report({app, title});
        system_.AdvanceClock(ProfileSwitcher::kDebounceMs);
        switcher.Poll();
        system_.Settle();
        if (!model_.followApps || action.fault == Fault::kDatabaseBusy) {
            return {};  // nothing follows; a busy database keeps the profile
        }
        int chosen = 0;
        for (const Rule& rule : model_.rules) {
            if (model_.FindProfile(rule.profile) != nullptr && SameLetters(rule.app, app) &&
                (rule.title.empty() || Glob(rule.title, title))) {
                chosen = rule.profile;
                break;
            }
        }
        if (chosen == 0 && model_.FindProfile(model_.otherAppsProfile) != nullptr) {
            chosen = model_.otherAppsProfile;
        }
        if (chosen != 0) {
            model_.active = chosen;
        }
        if (model_.active != before && (action.fault != Fault::kNone || !system_.Connected())) {
            behind_ = true;  // selected; the keyboard gets its keys at the next load
        }
        return {};
    }

    static bool SameLetters(const std::string& a, const std::string& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
            return std::tolower(x) == std::tolower(y);
        });
    }
    // A glob written for the test's few patterns: '*' any run, '?' one byte.
    static bool Glob(const std::string& pattern, const std::string& text) {
        std::string expression;
        for (const char c : pattern) {
            expression += c == '*' ? std::string(".*") : c == '?' ? std::string(".") : std::string(1, c);
        }
        return std::regex_match(text, std::regex(expression, std::regex::icase));
    }

    // The file of the last export imported again, as if it came from another
    // computer: its host-side rows carry ids of that computer (300 more).
    // Keys, texts and web sites come back as exported (in rows of their
    // own). A macro key comes back while its macro is there under the name
    // it had; after a rename it may (the import knows an old label only
    // from other keys). A program key may (a program is trusted only as a
    // row stored here): the database says which.
    Result ImportAgain() {
        if (lastExport_.path.empty()) {
            return Skipped();
        }
        std::ifstream in(lastExport_.path, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string moved;
        const std::regex item("macro_type=\"([0-9]+)\" macro_value=\"([0-9]+)\"");
        auto from = text.cbegin();
        for (std::sregex_iterator it(text.begin(), text.end(), item), end; it != end; ++it) {
            const int type = std::stoi((*it)[1]);
            const bool host =
                type == TypeCode(Fn::kProgram) || type == TypeCode(Fn::kWeb) || type == TypeCode(Fn::kText);
            moved.append(from, (*it)[0].first);
            moved += "macro_type=\"" + (*it)[1].str() + "\" macro_value=\"" +
                     std::to_string(std::stoi((*it)[2]) + (host ? 300 : 0)) + "\"";
            from = (*it)[0].second;
        }
        moved.append(from, text.cend());
        const std::string path = folder_ + "files/foreign.xml";
        std::ofstream(path, std::ios::binary) << moved;
        Result result = Imported(Ctl({"profile", "import", path}));
        if (!Stored(result)) {
            return result;
        }
        KeyMap sure;
        KeyMap maybe;
        for (const auto& [key, function] : lastExport_.keys) {
            if (function.fn == Fn::kMacro) {
                const Macro* now = model_.FindMacro(function.macroId);
                const auto then = std::find_if(lastExport_.macros.begin(), lastExport_.macros.end(),
                                               [&](const Macro& m) { return m.id == function.macroId; });
                if (now != nullptr && then != lastExport_.macros.end()) {
                    (now->name == then->name ? sure : maybe)[key] = function;
                }
            } else {
                (function.fn == Fn::kProgram ? maybe : sure)[key] = function;
            }
        }
        LearnNewProfile(sure);
        Profile& imported = model_.profiles.back();
        std::vector<KeyAssignment> rows;
        system_.Session().Database().ListAllKeyAssignments(imported.id, rows);
        for (const KeyAssignment& row : rows) {
            const auto key = maybe.find({row.fn_layer, row.key_code});
            if (key != maybe.end() && row.macro_type == TypeCode(key->second.fn)) {
                imported.keys.insert(*key);
            }
        }
        return result;
    }

    // A profile file written on another computer: a text of its own on
    // every key of the layout on both layers, under that computer's
    // host-side ids. It needs new rows for all of them: two such files take
    // the ids past 255.
    Result ImportFromElsewhere() {
        const int n = ++filesFromElsewhere_;
        std::string file =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<profile><profileinfo name=\"Elsewhere " +
            std::to_string(n) + "\"/><keyitems>\n";
        KeyMap keys;
        int id = 900;
        for (int layer = 0; layer < 2; ++layer) {
            for (int usage = 1; usage < 256; ++usage) {
                if (IndexOf(usage) < 0) {
                    continue;
                }
                const std::string text =
                    "e" + std::to_string(n) + "." + std::to_string(layer) + "." + std::to_string(usage);
                file += "<item fn_layer=\"" + std::to_string(layer) + "\" key_code=\"" +
                        std::to_string(usage) + "\" macro_type=\"" + std::to_string(TypeCode(Fn::kText)) +
                        "\" macro_value=\"" + std::to_string(++id) + "\" macro_desc=\"" + text + "\"/>\n";
                keys[{layer, usage}] = {Fn::kText, 0, text};
            }
        }
        file += "</keyitems></profile>\n";
        const std::string path = folder_ + "files/elsewhere.xml";
        std::ofstream(path, std::ios::binary) << file;
        Result result = Ctl({"profile", "import", path});
        if (Stored(result)) {
            LearnNewProfile(keys);
        }
        return result;
    }

    // Texts on the letters, digits and F1-F12 of one layer of a profile that
    // is not the active one (stored only, no download), each text its own:
    // host-side rows pile up quickly, and their ids pass 255.
    Result SetManyKeys(const Action& action) {
        std::vector<int> others;
        for (const Profile& profile : model_.profiles) {
            if (profile.id != model_.active) {
                others.push_back(profile.id);
            }
        }
        if (others.empty()) {
            return Skipped();
        }
        Profile* profile = model_.FindProfile(others[static_cast<std::size_t>(action.a) % others.size()]);
        const std::string layer = std::to_string(action.b % 2);
        Result result;
        bool anyStored = false;
        for (int usage = 4; usage <= 69; usage = usage == 39 ? 58 : usage + 1) {
            const std::string text = "t" + std::to_string(++textsSet_);
            Result one = Ctl({"key", "set", std::to_string(usage), "text", text, "--profile",
                              std::to_string(profile->id), "--layer", layer});
            if (!Stored(one) || !one.error.empty()) {
                return anyStored ? result : one;  // what was stored stays; the rest is not tried
            }
            profile->keys[{action.b % 2, usage}] = {Fn::kText, 0, text};
            result = one;
            anyStored = true;
        }
        return result;
    }

    static bool HostSide(Fn fn) { return fn == Fn::kProgram || fn == Fn::kWeb || fn == Fn::kText; }

    // A key of the small set, or (c odd) one of the active profile's
    // host-side keys.
    Result Press(const Action& action) {
        int usage = Pick(kKeys, action.a);
        int layer = action.b % 2;
        if (action.c % 2 == 1) {
            std::vector<std::pair<int, int>> hostKeys;
            for (const auto& [key, function] : model_.ActiveProfile()->keys) {
                if (HostSide(function.fn)) {
                    hostKeys.push_back(key);
                }
            }
            if (!hostKeys.empty()) {
                std::tie(layer, usage) = hostKeys[static_cast<std::size_t>(action.a) % hostKeys.size()];
            }
        }
        const int index = IndexOf(usage);
        if (index < 0 || behind_) {
            return {};
        }
        const std::optional<int> row = system_.Press(index, layer == 1);
        const Profile* active = model_.ActiveProfile();
        const auto assigned = active->keys.find({layer, usage});
        const bool hostSide = assigned != active->keys.end() && HostSide(assigned->second.fn);
        if (!system_.Connected()) {
            return {};
        }
        if (!hostSide) {
            return {cli::kExitOk,
                    {},
                    row ? "a press of a key without a host-side function ran row " + std::to_string(*row)
                        : std::string()};
        }
        if (!row || *row == 0) {
            return {cli::kExitOk, {}, "a press of a host-side key ran nothing"};
        }
        const HostAction ran = DecideHostAction(system_.Session().Database(), *row);
        const KeyFunction& function = assigned->second;
        const HostAction::Kind expected = function.fn == Fn::kProgram ? HostAction::Kind::kStartProgram
                                          : function.fn == Fn::kWeb   ? HostAction::Kind::kOpenWebAddress
                                                                      : HostAction::Kind::kSendText;
        if (ran.kind != expected || (function.fn != Fn::kWeb && ran.value != function.text) ||
            (function.fn == Fn::kWeb && ran.value.find(function.text.substr(7)) == std::string::npos)) {
            return {
                cli::kExitOk,
                {},
                "a press ran another function: \"" + ran.value + "\" instead of \"" + function.text + "\""};
        }
        return {};
    }

    // The keyboard's key index of a usage: the layout's, else the built-in.
    int IndexOf(int usage) { return LookupKeyIndex(system_.Session().Layout().codeToIndex, usage); }

    Snapshot Take() {
        Snapshot snapshot;
        snapshot.database = system_.DumpDatabase();
        system_.Keyboard().WithFirmware([&](sim::KeyboardFirmware& f) {
            snapshot.keys.assign(f.KeyTable().begin(), f.KeyTable().end());
            snapshot.macros.assign(f.MacroMemory().begin(), f.MacroMemory().end());
            snapshot.settings.assign(f.Settings().begin(), f.Settings().end());
            snapshot.colours.assign(f.KeyColours().begin(), f.KeyColours().end());
            return 0;
        });
        return snapshot;
    }

    // The properties of the stored state and of the keyboard's tables.
    std::string Check() {
        if (std::string error = CheckDatabase(); !error.empty()) {
            return error;
        }
        if (behind_) {
            return {};  // the keyboard lags until a download succeeds
        }
        return CheckKeyboard();
    }

    std::string CheckDatabase() {
        ProfileDatabase& db = system_.Session().Database();
        std::vector<ProfileItem> list;
        db.ListProfiles(list);
        if (list.size() != model_.profiles.size()) {
            return "the database holds " + std::to_string(list.size()) + " profiles, the model " +
                   std::to_string(model_.profiles.size());
        }
        if (db.GetActiveProfile() != model_.active) {
            return "the active profile is " + std::to_string(db.GetActiveProfile()) + ", the model says " +
                   std::to_string(model_.active);
        }
        for (const Profile& profile : model_.profiles) {
            std::vector<KeyAssignment> rows;
            db.ListAllKeyAssignments(profile.id, rows);
            KeyMap stored;
            for (const KeyAssignment& row : rows) {
                if (row.macro_type != 0) {
                    stored[{row.fn_layer, row.key_code}] = KeyFunction{};
                }
            }
            for (const auto& [key, function] : profile.keys) {
                const auto row = std::find_if(rows.begin(), rows.end(), [&key](const KeyAssignment& r) {
                    return r.fn_layer == key.first && r.key_code == key.second && r.macro_type != 0;
                });
                if (row == rows.end()) {
                    return "profile " + std::to_string(profile.id) + " lost the function of key " +
                           std::to_string(key.second) + " on layer " + std::to_string(key.first);
                }
                if (row->macro_type != TypeCode(function.fn)) {
                    return "profile " + std::to_string(profile.id) + " key " + std::to_string(key.second) +
                           " holds type " + std::to_string(row->macro_type) + ", the model " +
                           std::to_string(TypeCode(function.fn));
                }
                stored.erase(key);
            }
            if (!stored.empty()) {
                return "profile " + std::to_string(profile.id) + " holds a function for key " +
                       std::to_string(stored.begin()->first.second) + " nobody gave it";
            }
        }
        std::vector<ProfileRule> rules;
        db.ListProfileRules(rules);
        if (rules.size() != model_.rules.size()) {
            return "the database holds " + std::to_string(rules.size()) + " rules, the model " +
                   std::to_string(model_.rules.size());
        }
        for (std::size_t i = 0; i < rules.size(); ++i) {
            const Rule& expected = model_.rules[i];
            if (rules[i].rule_id != expected.id || rules[i].app_id != expected.app ||
                rules[i].title_pattern != expected.title || rules[i].profile != expected.profile) {
                return "rule " + std::to_string(i) + " is " + std::to_string(rules[i].rule_id) + " " +
                       rules[i].app_id + " -> " + std::to_string(rules[i].profile) + ", the model says " +
                       std::to_string(expected.id) + " " + expected.app + " -> " +
                       std::to_string(expected.profile);
            }
        }
        const AppProfileSettings following = LoadAppProfileSettings(db);
        if (following.enabled != model_.followApps || following.defaultProfile != model_.otherAppsProfile) {
            return "following applications is " + std::string(following.enabled ? "on" : "off") +
                   " with other applications on " + std::to_string(following.defaultProfile) +
                   ", the model says " + (model_.followApps ? "on" : "off") + " and " +
                   std::to_string(model_.otherAppsProfile);
        }
        std::vector<::vantora::Macro> macros;
        db.ListMacros(macros);
        if (macros.size() != model_.macros.size()) {
            return "the database holds " + std::to_string(macros.size()) + " macros, the model " +
                   std::to_string(model_.macros.size());
        }
        for (std::size_t i = 0; i < macros.size(); ++i) {
            const Macro& expected = model_.macros[i];
            if (macros[i].macro_id != expected.id || macros[i].name != expected.name) {
                return "macro " + std::to_string(i) + " is " + std::to_string(macros[i].macro_id) + " \"" +
                       macros[i].name + "\", the model says " + std::to_string(expected.id) + " \"" +
                       expected.name + "\"";
            }
            std::vector<MacroStep> steps;
            db.ListMacroSteps(expected.id, steps);
            std::vector<Record> records;
            for (const MacroStep& step : steps) {
                records.push_back({step.type, step.value, step.delay_time});
            }
            if (records != expected.records) {
                return "macro " + std::to_string(expected.id) + " holds other records than the model";
            }
        }
        return {};
    }

    std::string CheckKeyboard() {
        const Snapshot now = Take();
        const Profile* active = model_.ActiveProfile();
        const std::map<int, int> held = HeldMacroPositions(model_.macros);
        Table expected;
        system_.Keyboard().WithFirmware([&](sim::KeyboardFirmware& f) {
            expected.assign(f.DefaultKeyTable().begin(), f.DefaultKeyTable().end());
            return 0;
        });
        std::set<std::uint8_t> hostSlots;
        for (const auto& [key, function] : active->keys) {
            const int index = IndexOf(key.second);
            if (index < 0) {
                continue;
            }
            const std::size_t at = static_cast<std::size_t>(6 * index + 3 * key.first);
            if (const auto bytes = EncodeFunction(function, held)) {
                expected[at] = (*bytes)[0];
                expected[at + 1] = (*bytes)[1];
                expected[at + 2] = (*bytes)[2];
                if ((*bytes)[0] == 0x50 || (*bytes)[0] == 0x60) {
                    // The slot byte is the program's choice; each host key its own.
                    expected[at + 1] = now.keys[at + 1];
                    if (!hostSlots.insert(now.keys[at + 1]).second) {
                        return "two host-side keys report the same slot " + std::to_string(now.keys[at + 1]);
                    }
                }
            }
        }
        for (std::size_t i = 0; i < expected.size(); ++i) {
            if (expected[i] != now.keys[i]) {
                return "key table byte " + std::to_string(i) + " (key index " + std::to_string(i / 6) +
                       ") is " + std::to_string(now.keys[i]) + ", the model says " +
                       std::to_string(expected[i]);
            }
        }
        // A key bound to a macro plays that macro's records.
        for (const auto& [id, position] : held) {
            const Macro& macro = *model_.FindMacro(id);
            const std::size_t offset = now.macros[2 * static_cast<std::size_t>(position)] |
                                       now.macros[2 * static_cast<std::size_t>(position) + 1] << 8;
            bool bound = false;
            for (std::size_t slot = 0; slot + 2 < now.keys.size(); slot += 3) {
                bound = bound || (now.keys[slot] == 0x70 && now.keys[slot + 1] == position);
            }
            if (!bound) {
                continue;  // what no key plays may lag until the next download
            }
            for (std::size_t r = 0; r < macro.records.size(); ++r) {
                const auto bytes = EncodeRecord(macro.records[r], r + 1 == macro.records.size());
                for (std::size_t k = 0; k < 4; ++k) {
                    const std::size_t at = offset + 4 * r + k;
                    if (at >= now.macros.size() || now.macros[at] != bytes[k]) {
                        return "a key bound to macro " + std::to_string(id) + " (position " +
                               std::to_string(position) + ") would not play its records";
                    }
                }
            }
        }
        // Switches and the current light mode.
        const int switchBits =
            (model_.switches[0] ? 1 : 0) | (model_.switches[1] ? 2 : 0) | (model_.switches[2] ? 4 : 0);
        if (now.settings[17] != switchBits) {
            return "the switch bits are " + std::to_string(now.settings[17]) + ", the model says " +
                   std::to_string(switchBits);
        }
        if (model_.lightMode) {
            if (now.settings[2] != *model_.lightMode) {
                return "the light mode is " + std::to_string(now.settings[2]) + ", the model says " +
                       std::to_string(*model_.lightMode);
            }
            const LightParams& params = model_.light[*model_.lightMode];
            if ((params.brightness && now.settings[3] != *params.brightness) ||
                (params.speed && now.settings[4] != 4 - *params.speed) ||
                (params.direction && now.settings[5] != *params.direction) ||
                (params.colourful && now.settings[6] != (*params.colourful ? 1 : 0)) ||
                (params.colour && (now.settings[8] != (*params.colour & 0xFF) ||
                                   now.settings[9] != ((*params.colour >> 8) & 0xFF) ||
                                   now.settings[10] != ((*params.colour >> 16) & 0xFF)))) {
                return "the light parameters of mode " + std::to_string(*model_.lightMode) +
                       " on the keyboard differ from those set";
            }
        }
        Table colours(now.colours.size(), 0);
        for (const auto& [usage, rgb] : model_.keyColours) {
            const int index = IndexOf(usage);
            if (index >= 0) {
                const std::size_t at = 3 * static_cast<std::size_t>(index);
                colours[at] = rgb & 0xFF;
                colours[at + 1] = (rgb >> 8) & 0xFF;
                colours[at + 2] = (rgb >> 16) & 0xFF;
            }
        }
        if (model_.lightMode == 0 && colours != now.colours) {
            return "the per-key colours on the keyboard differ from those stored";
        }
        return {};
    }

    std::string folder_;
    System system_;
    std::string program_;
    int textsSet_ = 0;            // texts of their own given so far
    int filesFromElsewhere_ = 0;  // profile files of another computer imported so far
    struct Export {
        std::string path;
        KeyMap keys;                // the profile's keys when it was exported
        std::vector<Macro> macros;  // and the macros then
    } lastExport_;
    Model model_;
    bool behind_ = false;  // a download failed: the keyboard may lag
};

}  // namespace

void showValue(const Action& action, std::ostream& out) {
    out << "{" << KindName(action.kind) << " " << action.a << " " << action.b << " " << action.c << " "
        << action.d;
    static const char* const faults[] = {"", " refusing keyboard", " silent keyboard", " busy database"};
    out << faults[static_cast<int>(action.fault)] << "}";
}

std::string Show(const std::vector<Action>& actions) {
    std::ostringstream out;
    for (const Action& action : actions) {
        showValue(action, out);
        out << "\n";
    }
    return out.str();
}

std::string RunSequence(const std::vector<Action>& actions, RunStats* stats) {
    test::TempDir dir;
    Runner runner(dir.path());
    static const bool timed = std::getenv("VANTORA_MODEL_TIMES") != nullptr;
    static std::map<int, double> seconds;
    for (std::size_t i = 0; i < actions.size(); ++i) {
        const auto start = std::chrono::steady_clock::now();
        std::string error = runner.Step(actions[i]);
        if (timed) {
            seconds[static_cast<int>(actions[i].kind)] +=
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            for (const auto& [kind, total] : seconds) {
                std::fprintf(stderr, "%s %.2f | ", KindName(static_cast<Kind>(kind)), total);
            }
            std::fprintf(stderr, "\n");
        }
        if (stats != nullptr) {
            ++stats->steps;
        }
        if (!error.empty()) {
            std::ostringstream out;
            out << "step " << i + 1 << " ";
            showValue(actions[i], out);
            out << ": " << error;
            return out.str();
        }
    }
    return {};
}

}  // namespace vantora::model
