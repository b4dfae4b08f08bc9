#include "macros/macro_editor.h"

#include <algorithm>

#include "macros/macro_space.h"
#include "sync/key_plan.h"
#include "text/item_names.h"

namespace vantora {
namespace {

constexpr int kMacroFunctionType = 3;

bool Refused(const std::string& name) {
    return CheckItemName(name) != NameFault::kNone;
}

}  // namespace

const char* MacroLeftOutText(MacroLeftOutReason reason) {
    switch (reason) {
        case MacroLeftOutReason::kDirectoryFull:
            return "the keyboard holds 32 macros";
        case MacroLeftOutReason::kMemoryFull:
            return "the keyboard's macro memory is full";
    }
    return "";
}

MacroImage MacroEditor::Plan() {
    return PlanStoredMacroMemory(db_);
}

std::vector<MacroSummary> MacroEditor::List(int profile) {
    std::vector<Macro> macros;
    db_.ListMacros(macros);
    const std::map<int, int> counts = db_.CountMacroStepsByMacro();
    std::vector<KeyAssignment> assignments;
    db_.ListAllKeyAssignments(profile, assignments);
    std::map<int, int> links;
    for (const KeyAssignment& a : assignments) {
        if (a.macro_type == kMacroFunctionType) {
            ++links[a.macro_value];
        }
    }

    std::vector<MacroSummary> list;
    std::vector<int> ids;
    std::vector<int> records;
    for (const Macro& macro : macros) {
        MacroSummary summary;
        summary.id = macro.macro_id;
        summary.name = macro.name;
        const auto count = counts.find(macro.macro_id);
        summary.records = count == counts.end() ? 0 : count->second;
        const auto link = links.find(macro.macro_id);
        summary.linkCount = link == links.end() ? 0 : link->second;
        ids.push_back(summary.id);
        records.push_back(summary.records);
        list.push_back(std::move(summary));
    }
    for (const MacroLeftOut& out : PlanMacroMemory(ids, records).leftOut) {
        if (out.position >= 0 && static_cast<std::size_t>(out.position) < list.size()) {
            list[static_cast<std::size_t>(out.position)].leftOut = out.reason;
        }
    }
    return list;
}

bool MacroEditor::Exists(int id) {
    Macro macro;
    return id > 0 && db_.GetMacro(id, macro);
}

std::vector<int> MacroEditor::FindByName(const std::string& name) {
    std::vector<Macro> macros;
    db_.ListMacros(macros);
    std::vector<int> ids;
    for (const Macro& macro : macros) {
        if (macro.name == name) {
            ids.push_back(macro.macro_id);
        }
    }
    return ids;
}

std::vector<MacroStep> MacroEditor::Records(int id) {
    std::vector<MacroStep> steps;
    db_.ListMacroSteps(id, steps);
    return steps;
}

int MacroEditor::UsedRecords() {
    return db_.CountAllMacroSteps();
}

MacroEditor::Outcome MacroEditor::Add(const std::string& name, int& newId) {
    newId = 0;
    if (Refused(name)) {
        return {Result::kRefused, {}};
    }
    newId = db_.AddMacro(name);
    return {newId > 0 ? Result::kDone : Result::kStoreFailed, {}};
}

MacroEditor::Outcome MacroEditor::Rename(int id, const std::string& name) {
    if (!Exists(id)) {
        return {Result::kNotFound, {}};
    }
    if (Refused(name)) {
        return {Result::kRefused, {}};
    }
    return {db_.RenameMacro(id, name) ? Result::kDone : Result::kStoreFailed, {}};
}

MacroEditor::Outcome MacroEditor::Delete(int id) {
    if (!Exists(id)) {
        return {Result::kNotFound, {}};
    }
    const bool deleted = db_.DeleteMacro(id);
    // Even a half-done delete (the macro gone, its records not) moved the
    // macros after it.
    const bool macroGone = !Exists(id);
    Outcome outcome{deleted ? Result::kDone : Result::kStoreFailed, {}};
    if (macroGone) {
        outcome.jobs = {.macros = true, .keys = true};
    }
    return outcome;
}

MacroEditor::Outcome MacroEditor::SaveRecords(int id, const std::vector<MacroStep>& records) {
    if (!Exists(id)) {
        return {Result::kNotFound, {}};
    }
    const MacroImage before = Plan();
    const std::map<int, int> counts = db_.CountMacroStepsByMacro();
    const auto own = counts.find(id);
    const long stored = own == counts.end() ? 0 : own->second;
    const long used = db_.CountAllMacroSteps();
    const long wanted = static_cast<long>(records.size());
    if (wanted > stored && used - stored + wanted > kMacroRecordSpace) {
        return {Result::kNoSpace, {}};
    }

    std::vector<MacroStep> steps = records;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        steps[i].macro_id = id;
        steps[i].record_index = static_cast<int>(i);
        // The keyboard holds 16 bits of delay.
        steps[i].delay_time = std::clamp(steps[i].delay_time, 0, kMaxMacroDelayMs);
    }
    if (!db_.ReplaceMacroSteps(id, steps)) {
        return {Result::kStoreFailed, {}};
    }
    const MacroImage after = Plan();
    return {Result::kDone, {.macros = true, .keys = !(before.positions == after.positions)}};
}

std::map<int, int> MacroEditor::RecountLinks(int profile) {
    return db_.UpdateMacroLinkCounts(profile);
}

std::vector<MacroLeftOut> MacroEditor::PlannedLeftOut() {
    return Plan().leftOut;
}

}  // namespace vantora
