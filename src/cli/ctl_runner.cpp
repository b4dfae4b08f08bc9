#include "cli/ctl_runner.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "cli/json_writer.h"
#include "i18n/strings.h"
#include "keys/function_catalogue.h"
#include "keys/key_assignment_editor.h"
#include "keys/profile_editor.h"
#include "keys/profile_exchange.h"
#include "keys/profile_names.h"
#include "sync/firmware_version.h"
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
            case Verb::kSync:
                return Work(
                    {KeyboardWork::kSync}, [](JsonWriter& json) { json.Key("done").Bool(true); },
                    "The keyboard's tables were read and written.\n");
            case Verb::kHelp:
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
        const std::vector<ProfileItem> list = editor_.List();
        const std::optional<int> number = ParseDecimal(target, NumberSyntax::kWhole);
        if (number) {
            const bool exists = std::any_of(list.begin(), list.end(),
                                            [&](const ProfileItem& item) { return item.profile == *number; });
            if (!exists) {
                failure = Failure(kExitNotFound, "No profile has the id " + target + ".", command_.json);
                return false;
            }
            id = *number;
            return true;
        }
        std::vector<const ProfileItem*> matches;
        for (const ProfileItem& item : list) {
            if (item.name == target || Shown(item.name) == target) {
                matches.push_back(&item);
            }
        }
        if (matches.empty()) {
            failure = Failure(kExitNotFound, "No profile is named \"" + target + "\".", command_.json);
            return false;
        }
        if (matches.size() > 1) {
            std::string message = "More than one profile is named \"" + target + "\"; give its id:";
            for (const ProfileItem* item : matches) {
                message += "\n  " + std::to_string(item->profile) + "  " + Shown(item->name);
            }
            failure = Failure(kExitUsage, message, command_.json);
            return false;
        }
        id = matches.front()->profile;
        return true;
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
            json.Key("via_program").Bool(viaProgram).EndObject();
            result.out = json.Text() + "\n";
            return result;
        }
        result.out = "Keyboard:  " +
                     (status.connected ? "connected (" + Hex4(status.vendorId) + ":" +
                                             Hex4(status.productId) + ", " + firmware + ")"
                                       : std::string("not connected (" + Hex4(status.vendorId) + ":" +
                                                     Hex4(status.productId) + ")")) +
                     (viaProgram ? ", through the running program" : "") + "\n";
        result.out += "Layout:    " + context_.layoutName + "\n";
        result.out += "Profile:   " + std::to_string(active) + "  " + Shown(NameOf(active)) + "\n";
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
                          "  " + Shown(item.name) + "\n";
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
        if (auto failure = EditorFailure(editor_.Add(command_.name, id), "A profile name cannot be empty.")) {
            return *failure;
        }
        return ProfileChanged(
            id, KeyboardWork::kKeys,
            "Profile " + std::to_string(id) + " \"" + command_.name + "\" added and active.\n");
    }

    CtlResult Rename() {
        int id = 0;
        CtlResult failure;
        if (!Resolve(id, failure)) {
            return failure;
        }
        if (auto refused =
                EditorFailure(editor_.Rename(id, command_.name), "A profile name cannot be empty.")) {
            return *refused;
        }
        return ProfileChanged(id, KeyboardWork::kNothing,
                              "Profile " + std::to_string(id) + " renamed to \"" + command_.name + "\".\n");
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
            result.out = written + "\n";
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
                     Shown(NameOf(imported.profileId)) + "\" imported.\n";
        for (const SkippedItem& item : imported.skipped) {
            result.err += "vantoractl: left out: key " + std::to_string(item.key_code) + " layer " +
                          std::to_string(item.fn_layer) + " (" + item.macro_desc +
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

    void WriteAssignment(JsonWriter& json, const KeyAssignment& row) {
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
        json.EndObject();
    }

    CtlResult KeyList() {
        int id = 0;
        CtlResult failure;
        if (!KeyProfile(id, failure)) {
            return failure;
        }
        std::vector<KeyAssignment> rows;
        context_.db.ListKeyAssignments(id, command_.layer, rows);
        CtlResult result;
        if (command_.json) {
            JsonWriter json;
            json.BeginObject();
            WriteProfile(json, "profile", id);
            json.Key("layer").Int(command_.layer).Key("keys").BeginArray();
            for (const KeyAssignment& row : rows) {
                WriteAssignment(json, row);
            }
            json.EndArray().EndObject();
            result.out = json.Text() + "\n";
            return result;
        }
        result.out = "Profile " + std::to_string(id) + " \"" + Shown(NameOf(id)) + "\", " + LayerText() +
                     ": " + (rows.empty() ? "every key has its default function.\n" : "\n");
        if (rows.empty()) {
            return result;
        }
        std::vector<std::array<std::string, 5>> table = {{"KEY", "DESCRIPTION", "TYPE", "VALUES", "LABEL"}};
        for (const KeyAssignment& row : rows) {
            table.push_back({std::to_string(row.key_code), KeyDescription(context_.keys, row.key_code),
                             TypeName(row.macro_type),
                             std::to_string(row.macro_value) + " " + std::to_string(row.macro_value2),
                             row.macro_desc});
        }
        std::array<std::size_t, 5> width{};
        for (const auto& line : table) {
            for (std::size_t column = 0; column < width.size(); ++column) {
                width[column] = std::max(width[column], line[column].size());
            }
        }
        for (const auto& line : table) {
            std::string text = "  " + std::string(width[0] - line[0].size(), ' ') + line[0];
            for (std::size_t column = 1; column + 1 < line.size(); ++column) {
                text += "  " + line[column] + std::string(width[column] - line[column].size(), ' ');
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
                               "Every id for application, web site and text functions is in use (" +
                                   std::to_string(KeyAssignmentEditor::kOtherDataIdLimit - 1) +
                                   "); give one of those keys another function first.",
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
        const std::string what = "Key " + std::to_string(usage) + " (" +
                                 KeyDescription(context_.keys, usage) + ") of profile " + std::to_string(id) +
                                 ", " + LayerText() + ": " + TypeName(row.macro_type) +
                                 (row.macro_desc.empty() ? std::string() : " \"" + row.macro_desc + "\"");
        auto fields = [this, id, &row, active](JsonWriter& json) {
            WriteProfile(json, "profile", id);
            json.Key("layer").Int(command_.layer).Key("key");
            WriteAssignment(json, row);
            json.Key("written").Bool(active);
        };
        if (!active) {
            // The keyboard holds the active profile only: it gets this one when it is selected.
            if (saved == KeyAssignmentEditor::SaveResult::kStoreFailed) {
                return SaveFailure(saved);
            }
            return Done(fields, what + ". Stored only: profile " + std::to_string(id) +
                                    " is not active, the keyboard gets it when the profile is selected.\n");
        }
        CtlResult written =
            Work({KeyboardWork::kKeys, false, false, true}, fields, what + ", written to the keyboard.\n");
        if (saved == KeyAssignmentEditor::SaveResult::kStoreFailed && written.exitCode == kExitOk) {
            return SaveFailure(saved);
        }
        return written;
    }

    template <typename Fields>
    CtlResult Done(Fields fields, const std::string& text) {
        CtlResult result;
        if (command_.json) {
            JsonWriter json;
            json.BeginObject();
            fields(json);
            json.EndObject();
            result.out = json.Text() + "\n";
        } else {
            result.out = text;
        }
        return result;
    }

    template <typename Fields>
    CtlResult Work(const WorkRequest& request, Fields fields, const std::string& text) {
        const JobOutcome outcome = context_.keyboard->Perform(request);
        switch (outcome) {
            case JobOutcome::kDone:
                break;
            case JobOutcome::kNoKeyboard:
                return Failure(kExitNoKeyboard,
                               "The keyboard went away before it was written; the change is stored.",
                               command_.json);
            case JobOutcome::kKeyboardFailed:
                return Failure(kExitKeyboardFailed, "The keyboard refused or did not answer.", command_.json);
            case JobOutcome::kCancelled:
                return Failure(kExitKeyboardFailed, "The work was cancelled (the program ended?).",
                               command_.json);
        }
        return Done(fields, text);
    }

    const Command& command_;
    CtlContext& context_;
    ProfileEditor editor_;
};

}  // namespace

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

CtlResult RunCommand(const Command& command, CtlContext& context) {
    return Runner(command, context).Run();
}

}  // namespace vantora::cli
