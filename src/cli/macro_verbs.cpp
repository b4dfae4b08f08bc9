#include "cli/macro_verbs.h"

#include <algorithm>
#include <array>

#include "cli/json_writer.h"
#include "cli/terminal_text.h"
#include "macros/macro_editor.h"
#include "macros/macro_exchange.h"
#include "text/item_names.h"

namespace vantora::cli {
namespace {

// The text of a record's type; other codes (imported files carry any) as the number.
std::string RecordTypeText(int type) {
    switch (type) {
        case 2:
            return "down";
        case 3:
            return "up";
        case 4:
            return "mouse down";
        case 5:
            return "mouse up";
        default:
            return std::to_string(type);
    }
}

// The keyboard work for the downloads a macro change needs, macros first.
KeyboardWork WorkFor(const MacroJobs& jobs) {
    if (jobs.macros) {
        return jobs.keys ? KeyboardWork::kMacrosKeys : KeyboardWork::kMacros;
    }
    return jobs.keys ? KeyboardWork::kKeys : KeyboardWork::kNothing;
}

// Columns of text, two blanks apart; right-aligned where `right` says. The
// last column is not padded. Cells are shown as TerminalCell makes them.
template <std::size_t N>
std::string Table(std::vector<std::array<std::string, N>> rows, const std::array<bool, N>& right) {
    std::array<std::size_t, N> width{};
    for (auto& row : rows) {
        for (std::size_t column = 0; column < N; ++column) {
            row[column] = TerminalCell(row[column]);
            width[column] = std::max(width[column], CodePointCount(row[column]));
        }
    }
    std::string text;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t column = 0; column < N; ++column) {
            const std::string pad(width[column] - CodePointCount(row[column]), ' ');
            const bool last = column + 1 == N;
            line += "  " + (right[column] ? pad + row[column] : row[column] + (last ? "" : pad));
        }
        text += line + "\n";
    }
    return text;
}

class MacroVerbs {
public:
    MacroVerbs(const Command& command, CtlContext& context)
        : command_(command), context_(context), editor_(context.db) {}

    CtlResult Run() {
        switch (command_.verb) {
            case Verb::kMacroList:
                return List();
            case Verb::kMacroShow:
                return Show();
            case Verb::kMacroAdd:
                return Add();
            case Verb::kMacroRename:
                return Rename();
            case Verb::kMacroDelete:
                return Delete();
            case Verb::kMacroImport:
                return Import();
            case Verb::kMacroExport:
                return Export();
            default:
                break;
        }
        return Failure(kExitUsage, "nothing to do", command_.json);
    }

private:
    // The macro of the MACRO argument: `id`, or a failure.
    bool Resolve(int& id, CtlResult& failure) {
        if (const ArgumentError error = ResolveMacro(context_.db, command_.target, id)) {
            failure = Failure(error.exitCode, error.message, command_.json);
            return false;
        }
        return true;
    }

    std::string NameOf(int id) {
        Macro macro;
        return context_.db.GetMacro(id, macro) ? macro.name : std::string();
    }

    static void WriteMacro(JsonWriter& json, int id, const std::string& name) {
        json.Key("macro").BeginObject().Key("id").Int(id).Key("name").String(name).EndObject();
    }

    CtlResult Json(int id, const std::string& name) const {
        JsonWriter json;
        json.BeginObject();
        WriteMacro(json, id, name);
        json.EndObject();
        return {kExitOk, json.Text() + "\n", {}};
    }

    // An editor result other than kDone as an exit code and a message.
    CtlResult EditorFailure(MacroEditor::Result result) const {
        switch (result) {
            case MacroEditor::Result::kNotFound:
                return Failure(kExitNotFound, "No macro has the id " + TerminalText(command_.target) + ".",
                               command_.json);
            case MacroEditor::Result::kRefused:
                return Failure(
                    kExitRefused,
                    std::string("A macro name ") + NameFaultText(CheckItemName(command_.name)) + ".",
                    command_.json);
            case MacroEditor::Result::kNoSpace:
                return Failure(kExitRefused,
                               "The records of all macros together would pass " +
                                   std::to_string(kMacroRecordSpace) + ".",
                               command_.json);
            case MacroEditor::Result::kDone:
            case MacroEditor::Result::kStoreFailed:
                break;
        }
        return Failure(kExitNoDatabase, "The database did not take the change.", command_.json);
    }

    // The change is stored: the keyboard gets the downloads the editor asked
    // for and the running program shows the macro list again.
    CtlResult Changed(const MacroJobs& jobs, bool keyLabels, CtlResult done) {
        WorkRequest request;
        request.work = WorkFor(jobs);
        request.reloadKeyLabels = keyLabels;
        request.reloadMacros = true;
        if (auto failure = WorkFailure(context_.keyboard->Perform(request), command_.json)) {
            return *failure;
        }
        return done;
    }

    CtlResult List() {
        const std::vector<MacroSummary> macros = editor_.List(context_.db.GetActiveProfile());
        if (command_.json) {
            JsonWriter json;
            json.BeginObject().Key("macros").BeginArray();
            for (const MacroSummary& macro : macros) {
                json.BeginObject().Key("id").Int(macro.id).Key("name").String(macro.name);
                json.Key("records").Int(macro.records).Key("link_count").Int(macro.linkCount);
                json.Key("on_keyboard").Bool(!macro.leftOut);
                if (macro.leftOut) {
                    json.Key("left_out").String(MacroLeftOutText(*macro.leftOut));
                }
                json.EndObject();
            }
            json.EndArray().EndObject();
            return {kExitOk, json.Text() + "\n", {}};
        }
        if (macros.empty()) {
            return {kExitOk, "There are no macros.\n", {}};
        }
        std::vector<std::array<std::string, 5>> rows = {{"ID", "NAME", "RECORDS", "LINKS", "ON KEYBOARD"}};
        for (const MacroSummary& macro : macros) {
            rows.push_back({std::to_string(macro.id), macro.name, std::to_string(macro.records),
                            std::to_string(macro.linkCount),
                            macro.leftOut ? std::string("no: ") + MacroLeftOutText(*macro.leftOut) : "yes"});
        }
        return {kExitOk, Table<5>(rows, {true, false, true, true, false}), {}};
    }

    CtlResult Show() {
        int id = 0;
        CtlResult failure;
        if (!Resolve(id, failure)) {
            return failure;
        }
        const std::string name = NameOf(id);
        const std::vector<MacroStep> records = editor_.Records(id);
        if (command_.json) {
            JsonWriter json;
            json.BeginObject();
            WriteMacro(json, id, name);
            json.Key("records").BeginArray();
            for (std::size_t index = 0; index < records.size(); ++index) {
                const MacroStep& record = records[index];
                json.BeginObject().Key("index").Int(static_cast<long long>(index));
                json.Key("type").String(RecordTypeText(record.type)).Key("type_code").Int(record.type);
                json.Key("name").String(record.desc).Key("code").Int(record.value);
                json.Key("delay").Int(record.delay_time).EndObject();
            }
            json.EndArray().EndObject();
            return {kExitOk, json.Text() + "\n", {}};
        }
        std::string text = "Macro " + std::to_string(id) + " \"" + TerminalText(name) +
                           "\": " + std::to_string(records.size()) +
                           (records.size() == 1 ? " record" : " records") + (records.empty() ? ".\n" : "\n");
        if (records.empty()) {
            return {kExitOk, text, {}};
        }
        std::vector<std::array<std::string, 5>> rows = {{"INDEX", "TYPE", "NAME", "CODE", "DELAY MS"}};
        for (std::size_t index = 0; index < records.size(); ++index) {
            const MacroStep& record = records[index];
            rows.push_back({std::to_string(index), RecordTypeText(record.type), record.desc,
                            std::to_string(record.value), std::to_string(record.delay_time)});
        }
        return {kExitOk, text + Table<5>(rows, {true, false, false, true, true}), {}};
    }

    CtlResult Add() {
        int id = 0;
        const MacroEditor::Outcome outcome = editor_.Add(command_.name, id);
        if (outcome.result != MacroEditor::Result::kDone || id <= 0) {
            return EditorFailure(outcome.result);
        }
        return Changed(
            outcome.jobs, false,
            command_.json ? Json(id, command_.name) : CtlResult{kExitOk, std::to_string(id) + "\n", {}});
    }

    CtlResult Rename() {
        int id = 0;
        CtlResult failure;
        if (!Resolve(id, failure)) {
            return failure;
        }
        const MacroEditor::Outcome outcome = editor_.Rename(id, command_.name);
        if (outcome.result != MacroEditor::Result::kDone) {
            return EditorFailure(outcome.result);
        }
        return Changed(outcome.jobs, false,
                       command_.json ? Json(id, command_.name)
                                     : CtlResult{kExitOk,
                                                 "Macro " + std::to_string(id) + " renamed to \"" +
                                                     TerminalText(command_.name) + "\".\n",
                                                 {}});
    }

    CtlResult Delete() {
        int id = 0;
        CtlResult failure;
        if (!Resolve(id, failure)) {
            return failure;
        }
        const std::string name = NameOf(id);
        const MacroEditor::Outcome outcome = editor_.Delete(id);
        if (outcome.result != MacroEditor::Result::kDone) {
            // A half-done delete that took the macro away still moved the others.
            return Changed(outcome.jobs, true, EditorFailure(outcome.result));
        }
        const std::string written = outcome.jobs.keys ? "; the macro memory and the key table were written"
                                    : outcome.jobs.macros ? "; the macro memory was written"
                                                          : "";
        // Keys bound to it keep their rows: the KEY page shows them again.
        return Changed(outcome.jobs, true,
                       command_.json ? Json(id, name)
                                     : CtlResult{kExitOk,
                                                 "Macro " + std::to_string(id) + " \"" + TerminalText(name) +
                                                     "\" deleted" + written + ".\n",
                                                 {}});
    }

    CtlResult Import() {
        const MacroImportResult imported = ImportMacro(context_.db, command_.path);
        if (imported.status != MacroImportStatus::kOk || imported.macroId <= 0) {
            int code = kExitFile;
            if (imported.status == MacroImportStatus::kStoreFailed) {
                code = kExitNoDatabase;
            } else if (imported.status == MacroImportStatus::kNoSpace) {
                code = kExitRefused;
            }
            return Failure(code, imported.error.empty() ? "The file was not imported." : imported.error,
                           command_.json);
        }
        // Nothing is sent: the keyboard gets the macro with the next macro
        // download. The running program shows it in its list.
        if (context_.keyboard != nullptr) {
            WorkRequest request;
            request.work = KeyboardWork::kNothing;
            request.reloadMacros = true;
            context_.keyboard->Perform(request);
        }
        const std::string note =
            imported.note.empty() ? std::string() : "vantoractl: " + imported.note + ".\n";
        if (command_.json) {
            JsonWriter json;
            json.BeginObject();
            WriteMacro(json, imported.macroId, NameOf(imported.macroId));
            json.Key("clamped_delays").Int(imported.clampedDelays).EndObject();
            return {kExitOk, json.Text() + "\n", note};
        }
        return {kExitOk, std::to_string(imported.macroId) + "\n", note};
    }

    CtlResult Export() {
        int id = 0;
        CtlResult failure;
        if (!Resolve(id, failure)) {
            return failure;
        }
        std::string written;
        std::string error;
        if (!ExportMacro(context_.db, id, command_.path, written, error)) {
            return Failure(kExitFile, error, command_.json);
        }
        if (command_.json) {
            JsonWriter json;
            json.BeginObject().Key("file").String(written).EndObject();
            return {kExitOk, json.Text() + "\n", {}};
        }
        return {kExitOk, TerminalText(written) + "\n", {}};
    }

    const Command& command_;
    CtlContext& context_;
    MacroEditor editor_;
};

}  // namespace

CtlResult RunMacroCommand(const Command& command, CtlContext& context) {
    return MacroVerbs(command, context).Run();
}

}  // namespace vantora::cli
