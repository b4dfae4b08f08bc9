#include "cli/ctl_runner.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

#include "cli/json_writer.h"
#include "cli/macro_verbs.h"
#include "cli/rule_verbs.h"
#include "cli/terminal_text.h"
#include "i18n/strings.h"
#include "keys/function_catalogue.h"
#include "keys/key_assignment_editor.h"
#include "keys/profile_editor.h"
#include "keys/profile_exchange.h"
#include "keys/profile_names.h"
#include "lighting/light_catalogue.h"
#include "lighting/light_editor.h"
#include "sync/firmware_version.h"
#include "sync/key_plan.h"
#include "text/item_names.h"
#include "text/numbers.h"

namespace vantora::cli {
namespace {

constexpr int kEnglishLanguage = 1033;

std::string Hex4(int id) {
    char text[16];
    std::snprintf(text, sizeof(text), "%04x", static_cast<unsigned>(id) & 0xFFFFu);
    return text;
}

const char* SwitchWord(SystemSwitch which) {
    switch (which) {
        case SystemSwitch::kDisableWin:
            return "win";
        case SystemSwitch::kDisableAltTab:
            return "alttab";
        case SystemSwitch::kDisableAltF4:
            return "altf4";
    }
    return "win";
}

}  // namespace

bool ResolveProfile(const std::string& target, CtlContext& context, bool json, int& id, CtlResult& failure) {
    std::vector<ProfileItem> list;
    context.db.ListProfiles(list);
    const std::optional<int> number = ParseDecimal(target, NumberSyntax::kWhole);
    if (number) {
        const bool exists = std::any_of(list.begin(), list.end(),
                                        [&](const ProfileItem& item) { return item.profile == *number; });
        if (!exists) {
            failure = Failure(kExitNotFound, "No profile has the id " + TerminalText(target) + ".", json);
            return false;
        }
        id = *number;
        return true;
    }
    std::vector<const ProfileItem*> matches;
    for (const ProfileItem& item : list) {
        if (item.name == target || DisplayProfileName(item.name, context.language) == target) {
            matches.push_back(&item);
        }
    }
    if (matches.empty()) {
        failure = Failure(kExitNotFound, "No profile is named \"" + TerminalText(target) + "\".", json);
        return false;
    }
    if (matches.size() > 1) {
        std::string message = "More than one profile is named \"" + TerminalText(target) + "\"; give its id:";
        for (const ProfileItem* item : matches) {
            message += "\n  " + std::to_string(item->profile) + "  " +
                       TerminalCell(DisplayProfileName(item->name, context.language));
        }
        failure = Failure(kExitUsage, message, json);
        return false;
    }
    id = matches.front()->profile;
    return true;
}

namespace {

class Runner {
public:
    Runner(const Command& command, CtlContext& context)
        : command_(command), context_(context), editor_(context.db, context.selection) {}

    CtlResult Run() {
        if (command_.verb == Verb::kReset && !command_.yes) {
            return Failure(kExitUsage,
                           "reset deletes every profile, macro and setting and resets the keyboard: "
                           "run \"vantoractl reset --yes\" to do it.",
                           command_.json);
        }
        if (ChangesStoredData(command_.verb)) {
            if (context_.keyboard == nullptr || !context_.keyboard->Status().connected) {
                return Failure(kExitNoKeyboard, "No keyboard is connected: nothing was changed.",
                               command_.json);
            }
        }
        switch (command_.verb) {
            case Verb::kStatus:
                return Status();
            case Verb::kProfileList:
                return List();
            case Verb::kProfileAdd:
                return Add();
            case Verb::kProfileRename:
                return Rename();
            case Verb::kProfileDelete:
                return Delete();
            case Verb::kProfileSelect:
                return Select();
            case Verb::kProfileExport:
                return Export();
            case Verb::kProfileImport:
                return Import();
            case Verb::kSwitch:
                return Switch();
            case Verb::kReset:
                return Reset();
            case Verb::kKeyList:
                return KeyList();
            case Verb::kKeySet:
                return KeySet();
            case Verb::kLightList:
            case Verb::kLightSet:
            case Verb::kLightKeys:
                return Light();
            case Verb::kSync:
                return Work(
                    {KeyboardWork::kSync}, [](JsonWriter& json) { json.Key("done").Bool(true); },
                    "The keyboard's tables were read and written.\n");
            case Verb::kMacroList:
            case Verb::kMacroShow:
            case Verb::kMacroAdd:
            case Verb::kMacroRename:
            case Verb::kMacroDelete:
            case Verb::kMacroImport:
            case Verb::kMacroExport:
                return RunMacroCommand(command_, context_);
            case Verb::kRuleList:
            case Verb::kRuleAdd:
            case Verb::kRuleRemove:
            case Verb::kRuleDefault:
            case Verb::kProfileAuto:
                return RunRuleCommand(command_, context_);
            case Verb::kHelp:
            case Verb::kDevices:  // needs no database: RunVantoraCtl answers it
                break;
        }
        return Failure(kExitUsage, "nothing to do", command_.json);
    }

private:
    std::string Shown(const std::string& stored) const {
        return DisplayProfileName(stored, context_.language);
    }

    // The profile a PROFILE argument names: `id` > 0, or a failure.
    bool Resolve(int& id, CtlResult& failure) { return Resolve(command_.target, id, failure); }
    bool Resolve(const std::string& target, int& id, CtlResult& failure) {
        return ResolveProfile(target, context_, command_.json, id, failure);
    }

    std::string NameOf(int id) {
        for (const ProfileItem& item : editor_.List()) {
            if (item.profile == id) {
                return item.name;
            }
        }
        return {};
    }

    void WriteProfile(JsonWriter& json, const char* key, int id) {
        json.Key(key).BeginObject().Key("id").Int(id).Key("name").String(Shown(NameOf(id))).EndObject();
    }

    CtlResult Status() {
        const KeyboardStatus status =
            context_.keyboard != nullptr ? context_.keyboard->Status() : KeyboardStatus{};
        const bool viaProgram = context_.keyboard != nullptr && context_.keyboard->ViaProgram();
        const int active = context_.db.GetActiveProfile();
        const std::string firmware = status.connected ? FirmwareVersionText(status.firmwareVersion) : "";
        CtlResult result;
        if (command_.json) {
            JsonWriter json;
            json.BeginObject().Key("connected").Bool(status.connected);
            json.Key("vendor_id")
                .String(Hex4(status.vendorId))
                .Key("product_id")
                .String(Hex4(status.productId));
            json.Key("firmware").String(firmware).Key("layout").String(context_.layoutName);
            WriteProfile(json, "active_profile", active);
            json.Key("via_program")
                .Bool(viaProgram)
                .Key("music_streaming")
                .Bool(status.musicStreaming)
                .EndObject();
            result.out = json.Text() + "\n";
            return result;
        }
        result.out = "Keyboard:  " +
                     (status.connected ? "connected (" + Hex4(status.vendorId) + ":" +
                                             Hex4(status.productId) + ", " + firmware + ")"
                                       : std::string("not connected (" + Hex4(status.vendorId) + ":" +
                                                     Hex4(status.productId) + ")")) +
                     (viaProgram ? ", through the running program" : "") + "\n";
        result.out += "Layout:    " + TerminalText(context_.layoutName) + "\n";
        result.out +=
            "Profile:   " + std::to_string(active) + "  " + TerminalText(Shown(NameOf(active))) + "\n";
        if (status.musicStreaming) {
            result.out += "Music:     the keys follow the sound (the program's MUSIC page is shown)\n";
        }
        return result;
    }

    CtlResult List() {
        const std::vector<ProfileItem> list = editor_.List();
        CtlResult result;
        if (command_.json) {
            JsonWriter json;
            json.BeginObject().Key("profiles").BeginArray();
            for (const ProfileItem& item : list) {
                json.BeginObject().Key("id").Int(item.profile).Key("name").String(Shown(item.name));
                json.Key("stored_name").String(item.name).Key("active").Bool(item.status == 1).EndObject();
            }
            json.EndArray().EndObject();
            result.out = json.Text() + "\n";
            return result;
        }
        std::size_t width = 2;
        for (const ProfileItem& item : list) {
            width = std::max(width, std::to_string(item.profile).size());
        }
        auto pad = [width](const std::string& text) { return std::string(width - text.size(), ' ') + text; };
        result.out = "  " + pad("ID") + "  NAME\n";
        for (const ProfileItem& item : list) {
            result.out += std::string(item.status == 1 ? "* " : "  ") + pad(std::to_string(item.profile)) +
                          "  " + TerminalCell(Shown(item.name)) + "\n";
        }
        return result;
    }

    // The editor's result as an exit code; kDone gives none.
    std::optional<CtlResult> EditorFailure(ProfileEditor::Result outcome, const std::string& refusal) {
        switch (outcome) {
            case ProfileEditor::Result::kDone:
                return std::nullopt;
            case ProfileEditor::Result::kNotFound:
                return Failure(kExitNotFound, "No such profile.", command_.json);
            case ProfileEditor::Result::kRefused:
                return Failure(kExitRefused, refusal, command_.json);
            case ProfileEditor::Result::kStoreFailed:
                break;
        }
        return Failure(kExitNoDatabase, "The database did not take the change.", command_.json);
    }

    // Why the editor refused the NAME argument.
    std::string NameRefusal() const {
        return std::string("A profile name ") + NameFaultText(CheckItemName(command_.name)) + ".";
    }

    // The change is stored; the program shows it and the keyboard gets it.
    CtlResult ProfileChanged(int id, KeyboardWork work, const std::string& text) {
        return Work(
            {work, true, false},
            [this, id](JsonWriter& json) {
                WriteProfile(json, "profile", id);
                WriteProfile(json, "active_profile", context_.db.GetActiveProfile());
            },
            text);
    }

    CtlResult Add() {
        int id = 0;
        if (auto failure = EditorFailure(editor_.Add(command_.name, id), NameRefusal())) {
            return *failure;
        }
        return ProfileChanged(
            id, KeyboardWork::kKeys,
            "Profile " + std::to_string(id) + " \"" + TerminalText(command_.name) + "\" added and active.\n");
    }

    CtlResult Rename() {
        int id = 0;
        CtlResult failure;
        if (!Resolve(id, failure)) {
            return failure;
        }
        if (auto refused = EditorFailure(editor_.Rename(id, command_.name), NameRefusal())) {
            return *refused;
        }
        return ProfileChanged(
            id, KeyboardWork::kNothing,
            "Profile " + std::to_string(id) + " renamed to \"" + TerminalText(command_.name) + "\".\n");
    }

    CtlResult Delete() {
        int id = 0;
        CtlResult failure;
        if (!Resolve(id, failure)) {
            return failure;
        }
        const std::string name = NameOf(id);
        if (auto refused = EditorFailure(editor_.Delete(id), "The last profile cannot be deleted.")) {
            return *refused;
        }
        const int active = context_.db.GetActiveProfile();
        return Work(
            {KeyboardWork::kKeys, true, false},
            [this, id, &name, active](JsonWriter& json) {
                json.Key("profile")
                    .BeginObject()
                    .Key("id")
                    .Int(id)
                    .Key("name")
                    .String(Shown(name))
                    .EndObject();
                WriteProfile(json, "active_profile", active);
            },
            "Profile " + std::to_string(id) + " deleted; profile " + std::to_string(active) +
                " is active.\n");
    }

    CtlResult Select() {
        int id = 0;
        CtlResult failure;
        if (!Resolve(id, failure)) {
            return failure;
        }
        if (auto refused = EditorFailure(editor_.Select(id), "")) {
            return *refused;
        }
        return ProfileChanged(id, KeyboardWork::kKeys, "Profile " + std::to_string(id) + " is active.\n");
    }

    CtlResult Export() {
        int id = 0;
        CtlResult failure;
        if (!Resolve(id, failure)) {
            return failure;
        }
        std::string written;
        std::string error;
        if (!ExportProfile(context_.db, id, command_.path, written, error)) {
            return Failure(kExitFile, error, command_.json);
        }
        CtlResult result;
        if (command_.json) {
            JsonWriter json;
            json.BeginObject().Key("file").String(written).EndObject();
            result.out = json.Text() + "\n";
        } else {
            result.out = TerminalText(written) + "\n";
        }
        return result;
    }

    CtlResult Import() {
        const ImportResult imported = ImportProfile(context_.db, command_.path);
        if (imported.profileId == 0) {
            const int code = imported.status == ImportError::kStoreFailed ? kExitNoDatabase : kExitFile;
            return Failure(code, imported.error.empty() ? "The file was not imported." : imported.error,
                           command_.json);
        }
        // The program shows the new profile in its list; nothing is sent.
        if (context_.keyboard != nullptr) {
            context_.keyboard->Perform({KeyboardWork::kNothing, true, false});
        }
        auto reason = [](ImportSkipReason why) -> const char* {
            switch (why) {
                case ImportSkipReason::kBadAttribute:
                    return "bad attribute";
                case ImportSkipReason::kBadKey:
                    return "bad key";
                case ImportSkipReason::kUnknownType:
                    return "unknown function type";
                case ImportSkipReason::kBadValue:
                    return "bad value";
                case ImportSkipReason::kUnknownMacro:
                    return "no such macro here";
                case ImportSkipReason::kUnknownApplication:
                    return "program unknown here";
                case ImportSkipReason::kNoHostSlot:
                    return "the profile already has 255 application, web and text keys";
            }
            return "left out";
        };
        CtlResult result;
        if (command_.json) {
            JsonWriter json;
            json.BeginObject();
            WriteProfile(json, "profile", imported.profileId);
            json.Key("left_out").BeginArray();
            for (const SkippedItem& item : imported.skipped) {
                json.BeginObject().Key("key").Int(item.key_code).Key("layer").Int(item.fn_layer);
                json.Key("type").Int(item.macro_type).Key("label").String(item.macro_desc);
                json.Key("reason").String(reason(item.reason)).EndObject();
            }
            json.EndArray().EndObject();
            result.out = json.Text() + "\n";
            return result;
        }
        result.out = "Profile " + std::to_string(imported.profileId) + " \"" +
                     TerminalText(Shown(NameOf(imported.profileId))) + "\" imported.\n";
        if (!imported.note.empty()) {
            result.err += "vantoractl: " + imported.note + ".\n";
        }
        for (const SkippedItem& item : imported.skipped) {
            result.err += "vantoractl: left out: key " + std::to_string(item.key_code) + " layer " +
                          std::to_string(item.fn_layer) + " (" + TerminalCell(item.macro_desc) +
                          "): " + reason(item.reason) + "\n";
        }
        return result;
    }

    CtlResult Switch() {
        if (!StoreSystemSwitch(context_.db, command_.which, command_.on)) {
            return Failure(kExitNoDatabase, "The database did not take the change.", command_.json);
        }
        const std::string word = SwitchWord(command_.which);
        return Work(
            {KeyboardWork::kSettings, false, true},
            [this, &word](JsonWriter& json) { json.Key("switch").String(word).Key("on").Bool(command_.on); },
            "Switch " + word + " " + (command_.on ? "on" : "off") + ".\n");
    }

    CtlResult Reset() {
        // Work stops when the database is not emptied: the keyboard is
        // reset only after it was.
        return Work(
            {KeyboardWork::kFactoryReset}, [](JsonWriter& json) { json.Key("done").Bool(true); },
            "The database was emptied and the keyboard reset.\n");
    }

    // The profile of --profile, else the active one.
    bool KeyProfile(int& id, CtlResult& failure) {
        if (command_.profile.empty()) {
            id = context_.db.GetActiveProfile();
            return true;
        }
        return Resolve(command_.profile, id, failure);
    }

    std::string LayerText() const { return command_.layer == 1 ? "FN layer" : "standard layer"; }

    static std::string TypeName(int type) {
        const FunctionTypeEntry* entry = FindFunctionType(type);
        return entry == nullptr ? "type " + std::to_string(type)
                                : GetUiString(entry->stringId, kEnglishLanguage);
    }

    // The reason the keyboard does not carry the row, null when it does.
    static const KeyLeftOut* LeftOut(const KeyPlan& plan, const KeyAssignment& row) {
        return plan.Find(row.fn_layer, row.key_code);
    }

    void WriteAssignment(JsonWriter& json, const KeyAssignment& row, const KeyPlan& plan) {
        json.BeginObject().Key("key").Int(row.key_code);
        json.Key("description").String(KeyDescription(context_.keys, row.key_code));
        json.Key("type").Int(row.macro_type).Key("type_name").String(TypeName(row.macro_type));
        json.Key("value").Int(row.macro_value).Key("value2").Int(row.macro_value2);
        json.Key("label").String(row.macro_desc);
        if (row.macro_type == kFunctionApplication) {
            std::string desc;
            std::string program;
            int type = 0;
            context_.db.GetOtherData(row.macro_value, desc, program, type);
            json.Key("program").String(program);
        }
        const KeyLeftOut* out = LeftOut(plan, row);
        json.Key("on_keyboard").Bool(out == nullptr);
        if (out != nullptr) {
            json.Key("left_out").String(KeyLeftOutText(out->reason));
        }
        json.EndObject();
    }

    CtlResult KeyList() {
        int id = 0;
        CtlResult failure;
        if (!KeyProfile(id, failure)) {
            return failure;
        }
        const KeyPlan plan = PlanStoredKeys(context_.db, id);
        const std::vector<KeyAssignment>& rows = command_.layer == 1 ? plan.fnRows : plan.standardRows;
        CtlResult result;
        if (command_.json) {
            JsonWriter json;
            json.BeginObject();
            WriteProfile(json, "profile", id);
            json.Key("layer").Int(command_.layer).Key("keys").BeginArray();
            for (const KeyAssignment& row : rows) {
                WriteAssignment(json, row, plan);
            }
            json.EndArray().EndObject();
            result.out = json.Text() + "\n";
            return result;
        }
        result.out = "Profile " + std::to_string(id) + " \"" + TerminalText(Shown(NameOf(id))) + "\", " +
                     LayerText() + ": " + (rows.empty() ? "every key has its default function.\n" : "\n");
        if (rows.empty()) {
            return result;
        }
        std::vector<std::array<std::string, 5>> table = {{"KEY", "DESCRIPTION", "TYPE", "VALUES", "LABEL"}};
        for (const KeyAssignment& row : rows) {
            table.push_back(
                {std::to_string(row.key_code), TerminalCell(KeyDescription(context_.keys, row.key_code)),
                 TerminalText(TypeName(row.macro_type)),
                 std::to_string(row.macro_value) + " " + std::to_string(row.macro_value2),
                 TerminalCell(row.macro_desc) +
                     (LeftOut(plan, row) == nullptr ? std::string()
                                                    : std::string("  [not on the keyboard: ") +
                                                          KeyLeftOutText(LeftOut(plan, row)->reason) + "]")});
        }
        std::array<std::size_t, 5> width{};
        for (const auto& line : table) {
            for (std::size_t column = 0; column < width.size(); ++column) {
                width[column] = std::max(width[column], CodePointCount(line[column]));
            }
        }
        for (const auto& line : table) {
            std::string text = "  " + std::string(width[0] - CodePointCount(line[0]), ' ') + line[0];
            for (std::size_t column = 1; column + 1 < line.size(); ++column) {
                text += "  " + line[column] + std::string(width[column] - CodePointCount(line[column]), ' ');
            }
            result.out += text + "  " + line.back() + "\n";
        }
        return result;
    }

    // A refused save as an exit code and a message; nothing was stored.
    CtlResult SaveFailure(KeyAssignmentEditor::SaveResult outcome) {
        using Save = KeyAssignmentEditor::SaveResult;
        switch (outcome) {
            case Save::kEmptyText:
                return Failure(kExitRefused, "A web address or text to send cannot be empty.", command_.json);
            case Save::kNoProgram:
                return Failure(kExitRefused, "An application needs a program.", command_.json);
            case Save::kNoFreeId:
                return Failure(kExitRefused,
                               "The profile already has " +
                                   std::to_string(KeyAssignmentEditor::kHostSideRowsPerProfile) +
                                   " application, web site and text functions, as many as the keyboard "
                                   "holds; give one of those keys another function first.",
                               command_.json);
            case Save::kNothingChosen:
                return Failure(kExitRefused,
                               "The list or the macro table does not have that entry (any more).",
                               command_.json);
            case Save::kNothingCaptured:
                return Failure(kExitUsage, "That key cannot be sent by a Keyboard function.", command_.json);
            case Save::kNoKeySelected:
            case Save::kUnknownType:
                return Failure(kExitUsage, "No key or no function type was given.", command_.json);
            case Save::kSaved:
            case Save::kStoreFailed:
                break;
        }
        return Failure(kExitNoDatabase, "The database did not take the change.", command_.json);
    }

    CtlResult KeySet() {
        int id = 0;
        CtlResult failure;
        if (!KeyProfile(id, failure)) {
            return failure;
        }
        int usage = 0;
        if (const ArgumentError error = ResolveKey(context_.keys, command_.key, usage)) {
            return Failure(error.exitCode, error.message, command_.json);
        }
        KeyFunction function;
        if (const ArgumentError error =
                BuildKeyFunction(command_.function, context_.keys, context_.db, function)) {
            return Failure(error.exitCode, error.message, command_.json);
        }
        Selection selection;
        selection.profile = id;
        selection.layer = command_.layer;
        selection.selectedKey = usage;
        KeyAssignmentEditor editor(context_.db, selection);
        const KeyAssignmentEditor::SaveResult saved = editor.Save(function);
        const bool active = id == context_.db.GetActiveProfile();
        if (!KeyAssignmentEditor::NeedsKeyDownload(saved)) {
            return SaveFailure(saved);
        }
        KeyAssignment row;
        if (!context_.db.GetKeyAssignment(id, command_.layer, usage, row)) {
            row = KeyAssignment{};
            row.key_code = usage;
        }
        const KeyPlan plan = PlanStoredKeys(context_.db, id);
        const KeyLeftOut* leftOut = LeftOut(plan, row);
        const std::string what =
            "Key " + std::to_string(usage) + " (" + TerminalText(KeyDescription(context_.keys, usage)) +
            ") of profile " + std::to_string(id) + ", " + LayerText() + ": " + TypeName(row.macro_type) +
            (row.macro_desc.empty() ? std::string() : " \"" + TerminalText(row.macro_desc) + "\"");
        auto fields = [this, id, &row, &plan, active, leftOut](JsonWriter& json) {
            WriteProfile(json, "profile", id);
            json.Key("layer").Int(command_.layer).Key("key");
            WriteAssignment(json, row, plan);
            json.Key("written").Bool(active && leftOut == nullptr);
        };
        if (!active) {
            // The keyboard holds the active profile only: it gets this one when it is selected.
            if (saved == KeyAssignmentEditor::SaveResult::kStoreFailed) {
                return SaveFailure(saved);
            }
            return Done(fields, what + ". Stored only: profile " + std::to_string(id) +
                                    " is not active, the keyboard gets it when the profile is selected.\n");
        }
        // A key bound to a macro needs the macro in the keyboard's memory
        // (an imported or new macro is not there before a macro download).
        const KeyboardWork work =
            row.macro_type == kFunctionMacro ? KeyboardWork::kMacrosKeys : KeyboardWork::kKeys;
        const std::string outcome =
            leftOut == nullptr
                ? what + ", written to the keyboard.\n"
                : what + ". Stored, but not on the keyboard: " + KeyLeftOutText(leftOut->reason) +
                      "; the key keeps its default function there until there is room.\n";
        CtlResult written = Work({work, false, false, true}, fields, outcome);
        if (saved == KeyAssignmentEditor::SaveResult::kStoreFailed && written.exitCode == kExitOk) {
            return SaveFailure(saved);
        }
        return written;
    }

    // ---- light verbs ----

    // The mode's English name (its catalogue string), else the stored one.
    static std::string EnglishName(const LightMode& row) {
        const std::string english = row.reserved > 0 ? GetUiString(row.reserved, kEnglishLanguage) : "";
        return english.empty() ? row.name : english;
    }

    static std::string Lower(std::string text) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return text;
    }

    static std::string Hex6(std::uint32_t colour) {
        char text[8];
        std::snprintf(text, sizeof(text), "%02x%02x%02x", RedOf(colour), GreenOf(colour), BlueOf(colour));
        return text;
    }

    static const char* DirectionWord(const LightMode& row) {
        if ((row.config_func & kLightLeftRight) != 0) {
            return row.direction == DirectionValue(DirectionButton::kLeft) ? "left" : "right";
        }
        if ((row.config_func & kLightUpDown) != 0) {
            return row.direction == DirectionValue(DirectionButton::kUp) ? "up" : "down";
        }
        return nullptr;
    }

    static bool SingleColour(const LightMode& row) {
        return (row.config_func & kLightColour) != 0 && (row.config_func & kLightPerKey) == 0;
    }

    // The parameters a mode offers, as "light list" shows them.
    static std::string ParameterText(const LightMode& row) {
        const LightControls c = ControlsFor(row);
        std::string text;
        auto add = [&text](const std::string& part) { text += (text.empty() ? "" : " ") + part; };
        if (c.brightnessEnabled) {
            add("brightness=" + std::to_string(c.brightness));
        }
        if (c.speedShown) {
            add("speed=" + std::to_string(c.speed));
        }
        if (const char* direction = DirectionWord(row)) {
            add(std::string("direction=") + direction);
        }
        if (SingleColour(row)) {
            add("color=" + Hex6(static_cast<std::uint32_t>(row.color_value)));
        }
        if (c.colourfulShown) {
            add(std::string("colorful=") + (c.colourfulChecked ? "on" : "off"));
        }
        if (c.perKey) {
            add("per-key");
        }
        return text;
    }

    static void WriteLightMode(JsonWriter& json, const LightMode& row, bool active) {
        const LightControls c = ControlsFor(row);
        json.BeginObject().Key("mode").Int(row.mode).Key("name").String(EnglishName(row));
        json.Key("stored_name").String(row.name).Key("active").Bool(active);
        if (c.brightnessEnabled) {
            json.Key("brightness").Int(c.brightness);
        }
        if (c.speedShown) {
            json.Key("speed").Int(c.speed);
        }
        if (const char* direction = DirectionWord(row)) {
            json.Key("direction").String(direction);
        }
        if (SingleColour(row)) {
            json.Key("color").String(Hex6(static_cast<std::uint32_t>(row.color_value)));
        }
        if (c.colourfulShown) {
            json.Key("colorful").Bool(c.colourfulChecked);
        }
        json.Key("per_key").Bool(c.perKey).EndObject();
    }

    CtlResult Light() {
        // The rows as the program makes them: the catalogue, the Custom row, a current one.
        const std::optional<int> current = EnsureLightModes(context_.db, context_.perKey, context_.language);
        if (!current) {
            return Failure(kExitNoDatabase, "The database holds no light mode and took none.", command_.json);
        }
        context_.selection.lightMode = *current;
        switch (command_.verb) {
            case Verb::kLightSet:
                return LightSet();
            case Verb::kLightKeys:
                return LightKeys();
            default:
                return LightList(*current);
        }
    }

    CtlResult LightList(int current) {
        std::vector<LightMode> rows;
        context_.db.ListLightModes(rows);
        CtlResult result;
        if (command_.json) {
            JsonWriter json;
            json.BeginObject().Key("modes").BeginArray();
            for (const LightMode& row : rows) {
                WriteLightMode(json, row, row.mode == current);
            }
            json.EndArray().EndObject();
            result.out = json.Text() + "\n";
            return result;
        }
        std::size_t width = 4;
        for (const LightMode& row : rows) {
            width = std::max(width, CodePointCount(TerminalCell(EnglishName(row))));
        }
        result.out = "  MODE  " + std::string("NAME") + std::string(width - 4, ' ') + "  PARAMETERS\n";
        for (const LightMode& row : rows) {
            const std::string number = std::to_string(row.mode);
            const std::string name = TerminalCell(EnglishName(row));
            result.out += std::string(row.mode == current ? "* " : "  ") +
                          std::string(4 - std::min<std::size_t>(4, number.size()), ' ') + number + "  " +
                          name + std::string(width - CodePointCount(name), ' ') + "  " + ParameterText(row) +
                          "\n";
        }
        return result;
    }

    // The row a MODE argument names: a number, else an English or stored name.
    bool ResolveMode(LightMode& found, CtlResult& failure) {
        std::vector<LightMode> rows;
        context_.db.ListLightModes(rows);
        const std::optional<int> number = ParseDecimal(command_.mode, NumberSyntax::kWhole);
        for (const LightMode& row : rows) {
            if (number ? row.mode == *number
                       : Lower(EnglishName(row)) == Lower(command_.mode) || row.name == command_.mode) {
                found = row;
                return true;
            }
        }
        failure = Failure(kExitNotFound,
                          "No light mode is " + std::string(number ? "numbered" : "named") + " \"" +
                              TerminalText(command_.mode) + "\" (see \"vantoractl light list\").",
                          command_.json);
        return false;
    }

    // The first parameter given that `row` does not offer; empty when none.
    static std::string UnofferedParameter(const LightArgs& light, const LightMode& row) {
        const int bits = row.config_func;
        if (light.brightness && (bits & kLightBrightness) == 0) {
            return "brightness";
        }
        if (light.speed && (bits & kLightSpeed) == 0) {
            return "speed";
        }
        if (light.direction) {
            const bool leftRight =
                *light.direction == DirectionButton::kLeft || *light.direction == DirectionButton::kRight;
            const DirectionButtons offered = ControlsFor(row).direction;
            if (offered != (leftRight ? DirectionButtons::kLeftRight : DirectionButtons::kUpDown)) {
                return leftRight ? "left/right direction" : "up/down direction";
            }
        }
        if (light.colour && !SingleColour(row)) {
            return (bits & kLightPerKey) != 0 ? "single colour (use \"vantoractl light keys\")" : "colour";
        }
        if (light.colourful && (bits & kLightColourful) == 0) {
            return "colorful choice";
        }
        return {};
    }

    // The lighting downloads `jobs` asks for, with the LIGHT page shown again.
    template <typename Fields>
    CtlResult LightWork(const LightJobs& jobs, Fields fields, const std::string& text) {
        WorkRequest request;
        request.work = jobs.keyColours ? KeyboardWork::kLighting : KeyboardWork::kSettings;
        request.reloadLighting = true;
        return Work(request, fields, text);
    }

    CtlResult LightSet() {
        LightMode row;
        CtlResult failure;
        if (!ResolveMode(row, failure)) {
            return failure;
        }
        const LightArgs& light = command_.light;
        if (const std::string missing = UnofferedParameter(light, row); !missing.empty()) {
            return Failure(kExitRefused,
                           "Light mode " + std::to_string(row.mode) + " \"" + TerminalText(EnglishName(row)) +
                               "\" has no " + missing + ": nothing was changed.",
                           command_.json);
        }
        LightingEditor editor(context_.db, context_.selection);
        LightJobs jobs = editor.ChooseMode(row.mode);
        auto add = [&jobs](const LightJobs& more) {
            jobs.keyColours = jobs.keyColours || more.keyColours;
            jobs.settings = jobs.settings || more.settings;
            jobs.refused = jobs.refused || more.refused;
        };
        if (light.brightness) {
            add(editor.SetBrightness(*light.brightness));
        }
        if (light.speed) {
            add(editor.SetSpeed(*light.speed));
        }
        if (light.direction) {
            add(editor.SetDirection(*light.direction));
        }
        if (light.colourful) {
            add(editor.SetColourful(*light.colourful));
        }
        if (light.colour) {
            add(editor.SetColour(*light.colour));
        }
        const std::optional<LightMode> stored = editor.CurrentRow();
        if (jobs.refused || !stored || context_.db.GetActiveLightMode() != row.mode) {
            return Failure(kExitNoDatabase, "The database did not take the change.", command_.json);
        }
        const std::string parameters = ParameterText(*stored);
        return LightWork(
            jobs, [&stored](JsonWriter& json) { WriteModeField(json, *stored); },
            "Light mode " + std::to_string(row.mode) + " \"" + TerminalText(EnglishName(*stored)) + "\"" +
                (parameters.empty() ? "" : " (" + parameters + ")") +
                " is current, written to the keyboard.\n");
    }

    static void WriteModeField(JsonWriter& json, const LightMode& row) {
        json.Key("mode");
        WriteLightMode(json, row, true);
    }

    CtlResult LightKeys() {
        LightMode custom;
        if (!context_.db.GetLightMode(kPerKeyLightMode, custom)) {
            return Failure(kExitRefused,
                           "There is no per-key light mode (config.ini's PER_KEY is off and the database has "
                           "no mode 0): nothing was changed.",
                           command_.json);
        }
        LightingEditor editor(context_.db, context_.selection);
        std::vector<KeyColourValue> map;
        if (!command_.clear) {
            map = editor.KeyColours();
            for (const KeyColourArg& arg : command_.keyColours) {
                int usage = 0;
                if (const ArgumentError error = ResolveKey(context_.keys, arg.key, usage)) {
                    return Failure(error.exitCode, error.message, command_.json);
                }
                const auto same = std::find_if(
                    map.begin(), map.end(), [usage](const KeyColourValue& key) { return key.code == usage; });
                if (same != map.end()) {
                    same->colour = arg.colour;
                } else {
                    map.push_back({usage, arg.colour});
                }
            }
        }
        LightJobs jobs = editor.SaveKeyColours(map);
        if (!jobs.keyColours) {
            return Failure(kExitNoDatabase, "The database did not take the change.", command_.json);
        }
        const LightJobs chosen = editor.ChooseMode(kPerKeyLightMode);
        jobs.settings = jobs.settings || chosen.settings;
        const std::optional<LightMode> stored = editor.CurrentRow();
        if (!stored || context_.db.GetActiveLightMode() != kPerKeyLightMode) {
            return Failure(kExitNoDatabase, "The database did not take the change.", command_.json);
        }
        const std::vector<KeyColourValue> saved = editor.KeyColours();
        auto fields = [this, &stored, &saved](JsonWriter& json) {
            WriteModeField(json, *stored);
            json.Key("keys").BeginArray();
            for (const KeyColourValue& key : saved) {
                json.BeginObject().Key("key").Int(key.code);
                json.Key("description").String(KeyDescription(context_.keys, key.code));
                json.Key("color").String(Hex6(key.colour)).EndObject();
            }
            json.EndArray();
        };
        const std::string what = command_.clear
                                     ? "No key has a colour of its own"
                                     : std::to_string(saved.size()) + " key(s) have a colour of their own";
        return LightWork(jobs, fields,
                         what + "; the per-key light mode is current, written to the keyboard.\n");
    }

    template <typename Fields>
    CtlResult Done(Fields fields, const std::string& text) {
        return Success(command_.json, fields, text);
    }

    template <typename Fields>
    CtlResult Work(const WorkRequest& request, Fields fields, const std::string& text) {
        if (auto failure = WorkFailure(context_.keyboard->Perform(request), command_.json)) {
            return *failure;
        }
        return Done(fields, text);
    }

    const Command& command_;
    CtlContext& context_;
    ProfileEditor editor_;
};

}  // namespace

CtlResult Success(bool json, const std::function<void(JsonWriter&)>& fields, const std::string& text) {
    CtlResult result;
    if (json) {
        JsonWriter writer;
        writer.BeginObject();
        fields(writer);
        writer.EndObject();
        result.out = writer.Text() + "\n";
    } else {
        result.out = text;
    }
    return result;
}

CtlResult Failure(int exitCode, const std::string& message, bool json) {
    CtlResult result;
    result.exitCode = exitCode;
    result.err = "vantoractl: " + message + "\n";
    if (json) {
        JsonWriter writer;
        writer.BeginObject().Key("error").String(message).Key("exit_code").Int(exitCode).EndObject();
        result.out = writer.Text() + "\n";
    }
    return result;
}

std::optional<CtlResult> WorkFailure(JobOutcome outcome, bool json) {
    switch (outcome) {
        case JobOutcome::kDone:
            return std::nullopt;
        case JobOutcome::kNoKeyboard:
            return Failure(kExitNoKeyboard,
                           "The keyboard went away before it was written; the change is stored.", json);
        case JobOutcome::kKeyboardFailed:
            return Failure(kExitKeyboardFailed, "The keyboard refused or did not answer.", json);
        case JobOutcome::kDatabaseBusy:
            return BusyFailure(json);
        case JobOutcome::kDatabaseRefused:
            return Failure(kExitNoDatabase, "The database did not take the change; nothing was changed.",
                           json);
        case JobOutcome::kCancelled:
            break;
    }
    return Failure(kExitKeyboardFailed, "The work was cancelled (the program ended?).", json);
}

CtlResult BusyFailure(bool json) {
    return Failure(kExitBusy,
                   "The database is in use by another program and stayed busy: nothing was changed. Try "
                   "again in a moment.",
                   json);
}

CtlResult RunCommand(const Command& command, CtlContext& context) {
    CtlResult result = Runner(command, context).Run();
    // The refusal was the last change this thread tried.
    if (result.exitCode == kExitNoDatabase && context.db.LastChangeWasBusy()) {
        return BusyFailure(command.json);
    }
    return result;
}

}  // namespace vantora::cli
