#include "macros/macro_exchange.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "keys/exchange_file.h"
#include "text/item_names.h"
#include "text/numbers.h"
#include "xml/xml_document.h"
#include "xml/xml_text_codec.h"

namespace vantora {
namespace {

std::string BuildDocument(const Macro& macro, const std::vector<MacroStep>& steps) {
    XmlDocument doc;
    doc.SetDocumentText(XmlDocument::kUtf8Declaration);
    doc.AddElement("macro");
    doc.EnterElement();
    doc.AddElement("macroinfo");
    doc.SetAttribute("name", macro.name);
    doc.SetAttribute("times", macro.play_times);
    doc.SetAttribute("type", macro.delay_type);
    doc.SetAttribute("delaytime", macro.delay_time);
    doc.AddElement("macroitems");
    doc.EnterElement();
    for (const MacroStep& step : steps) {
        doc.AddElement("item");
        doc.SetAttribute("desc", step.desc);
        doc.SetAttribute("type", step.type);
        doc.SetAttribute("value", step.value);
        doc.SetAttribute("delay_time", step.delay_time);
    }
    doc.LeaveElement();
    XmlResult result;
    return EncodeXmlBytes(doc.GetDocumentText(), doc.GetDocFlags(), result);
}

MacroImportResult Failure(MacroImportStatus status, std::string text) {
    MacroImportResult result;
    result.status = status;
    result.error = std::move(text);
    return result;
}

// Missing or non-numeric: 0; beyond int: the nearest end.
int Number(const XmlDocument& doc, std::string_view name) {
    return ParseDecimal(doc.GetAttribute(name), NumberSyntax::kLeading).value_or(0);
}

// A delay within what the keyboard holds; counts the ones that were not.
int Delay(const XmlDocument& doc, std::string_view name, int& clamped) {
    const int read = Number(doc, name);
    const int delay = std::clamp(read, 0, kMaxMacroDelayMs);
    clamped += delay != read ? 1 : 0;
    return delay;
}

}  // namespace

bool ExportMacro(ProfileDatabase& db, int macroId, const std::string& folder, std::string& writtenPath,
                 std::string& error) {
    return ExportMacroAt(db, macroId, folder, ExchangeTickCount(), writtenPath, error);
}

bool ExportMacroAt(ProfileDatabase& db, int macroId, const std::string& folder, std::int32_t tick,
                   std::string& writtenPath, std::string& error) {
    writtenPath.clear();
    error.clear();
    Macro macro;
    if (macroId <= 0 || !db.GetMacro(macroId, macro)) {
        error = "no macro with id " + std::to_string(macroId);
        return false;
    }
    std::vector<MacroStep> steps;
    db.ListMacroSteps(macroId, steps);
    const std::string bytes = BuildDocument(macro, steps);

    return WriteNewExchangeFile(folder, macro.name, tick, bytes, writtenPath, error);
}

MacroImportResult ImportMacro(ProfileDatabase& db, const std::string& file) {
    std::string bytes;
    std::string error;
    switch (ReadExchangeFile(file, kMaxMacroFileBytes, bytes, error)) {
        case FileRead::kRead:
            break;
        case FileRead::kTooLarge:
            return Failure(MacroImportStatus::kTooLarge, error);
        case FileRead::kFailed:
            return Failure(MacroImportStatus::kUnreadable, error);
    }
    return ImportMacroBytes(db, bytes);
}

MacroImportResult ImportMacroBytes(ProfileDatabase& db, std::string_view bytes) {
    if (bytes.size() > kMaxMacroFileBytes) {
        return Failure(MacroImportStatus::kTooLarge, "the file is larger than a macro can be");
    }
    XmlResult decodeResult;
    unsigned flags = 0;
    XmlDocument doc;
    const bool wellFormed = doc.SetDocumentText(DecodeXmlBytes(bytes, flags, decodeResult));
    if (!doc.LimitError().empty()) {
        return Failure(MacroImportStatus::kTooLarge, doc.LimitError());
    }
    if (!wellFormed || !doc.FindElement("macro")) {
        return Failure(MacroImportStatus::kNotAMacro, "the file is not a macro");
    }
    doc.EnterElement();
    int clampedDelays = 0;
    bool nameCleaned = false;
    Macro macro;
    if (doc.FindElement("macroinfo")) {
        macro.name = CleanItemName(doc.GetAttribute("name"), nameCleaned);
        macro.play_times = Number(doc, "times");
        macro.delay_type = Number(doc, "type");
        macro.delay_time = Delay(doc, "delaytime", clampedDelays);
    }

    // Read every record before anything is stored, no further than the space.
    const int used = db.CountAllMacroSteps();
    const std::size_t room =
        used < kMacroRecordSpace ? static_cast<std::size_t>(kMacroRecordSpace - used) : 0;
    std::vector<MacroStep> steps;
    doc.ResetPos();
    doc.FindElement("macro");
    doc.EnterElement();
    if (doc.FindElement("macroitems")) {
        doc.EnterElement();
        while (doc.FindElement("item")) {
            if (steps.size() == room) {
                return Failure(MacroImportStatus::kNoSpace,
                               "not enough macro space: " + std::to_string(used) + " of " +
                                   std::to_string(kMacroRecordSpace) +
                                   " records are in use and the file holds more than " +
                                   std::to_string(room));
            }
            MacroStep step;
            step.record_index = static_cast<int>(steps.size());
            step.desc = doc.GetAttribute("desc");
            step.type = Number(doc, "type");
            step.value = Number(doc, "value");
            step.delay_time = Delay(doc, "delay_time", clampedDelays);
            steps.push_back(std::move(step));
        }
    }

    // The macro and its records are stored whole or not at all.
    ProfileDatabase::Transaction transaction(db);
    const int id = transaction.Began() ? db.AddMacroWithSettings(macro) : 0;
    if (id <= 0) {
        return Failure(MacroImportStatus::kStoreFailed, "the database did not take the new macro");
    }
    if (!steps.empty()) {
        for (MacroStep& step : steps) {
            step.macro_id = id;
        }
        if (!db.AddMacroSteps(std::move(steps))) {
            return Failure(MacroImportStatus::kStoreFailed, "the database did not take the macro's records");
        }
    }
    if (!transaction.Commit()) {
        return Failure(MacroImportStatus::kStoreFailed, "the database did not take the macro");
    }
    MacroImportResult result;
    result.macroId = id;
    result.clampedDelays = clampedDelays;
    result.nameCleaned = nameCleaned;
    if (nameCleaned) {
        result.note = kCleanedNameNote;
    }
    if (clampedDelays > 0) {
        result.note += std::string(result.note.empty() ? "" : "; ") + std::to_string(clampedDelays) +
                       (clampedDelays == 1 ? " delay was" : " delays were") + " outside 0 to " +
                       std::to_string(kMaxMacroDelayMs) + " ms, what the keyboard holds, and " +
                       (clampedDelays == 1 ? "was" : "were") + " brought within it";
    }
    return result;
}

}  // namespace vantora
