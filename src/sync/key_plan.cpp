#include "sync/key_plan.h"

#include <algorithm>
#include <set>

#include "keys/function_catalogue.h"
#include "keys/key_function_encoding.h"

namespace vantora {

bool IsHostSideType(int macroType) {
    return macroType == kFunctionApplication || macroType == kFunctionWebsite ||
           macroType == kFunctionSendText;
}

int HostSlots::SlotOf(int id) const {
    const auto found = slotOfId_.find(id);
    return found == slotOfId_.end() ? 0 : found->second;
}

int HostSlots::IdOf(int slot) const {
    const auto found = idOfSlot_.find(slot);
    return found == idOfSlot_.end() ? 0 : found->second;
}

void HostSlots::Assign(int id, int slot) {
    slotOfId_[id] = slot;
    idOfSlot_[slot] = id;
}

HostSlots PlanHostSlots(const std::vector<KeyAssignment>& standardRows,
                        const std::vector<KeyAssignment>& fnRows) {
    std::set<int> ids;
    for (const auto* rows : {&standardRows, &fnRows}) {
        for (const KeyAssignment& row : *rows) {
            if (IsHostSideType(row.macro_type) && row.macro_value > 0) {
                ids.insert(row.macro_value);
            }
        }
    }
    HostSlots slots;
    for (const int id : ids) {
        if (id <= kHostSlotCount) {
            slots.Assign(id, id);
        }
    }
    int next = 1;
    for (const int id : ids) {
        if (id <= kHostSlotCount) {
            continue;
        }
        while (next <= kHostSlotCount && slots.IdOf(next) != 0) {
            ++next;
        }
        if (next > kHostSlotCount) {
            break;
        }
        slots.Assign(id, next);
    }
    return slots;
}

const char* KeyLeftOutText(KeyLeftOutReason reason) {
    switch (reason) {
        case KeyLeftOutReason::kMacroDeleted:
            return "its macro was deleted";
        case KeyLeftOutReason::kMacroDirectoryFull:
            return "the keyboard holds 32 macros";
        case KeyLeftOutReason::kMacroMemoryFull:
            return "the keyboard's macro memory is full";
        case KeyLeftOutReason::kNoHostSlot:
            return "the profile already has 255 program, web site and text keys";
    }
    return "";
}

const KeyLeftOut* KeyPlan::Find(int layer, int keyCode) const {
    const auto found = std::find_if(leftOut.begin(), leftOut.end(), [layer, keyCode](const KeyLeftOut& out) {
        return out.layer == layer && out.keyCode == keyCode;
    });
    return found == leftOut.end() ? nullptr : &*found;
}

KeyPlan PlanKeys(std::vector<KeyAssignment> standardRows, std::vector<KeyAssignment> fnRows,
                 const MacroImage& macroMemory) {
    KeyPlan plan;
    plan.standardRows = std::move(standardRows);
    plan.fnRows = std::move(fnRows);
    plan.macros = macroMemory.positions;
    plan.hostSlots = PlanHostSlots(plan.standardRows, plan.fnRows);
    for (int layer = 0; layer < 2; ++layer) {
        for (const KeyAssignment& row : layer == 0 ? plan.standardRows : plan.fnRows) {
            if (row.macro_type == kFunctionMacro && plan.macros.Lookup(row.macro_value) == kNoMacroPosition) {
                KeyLeftOutReason reason = KeyLeftOutReason::kMacroDeleted;
                for (const MacroLeftOut& out : macroMemory.leftOut) {
                    if (out.macroId == row.macro_value) {
                        reason = out.reason == MacroLeftOutReason::kDirectoryFull
                                     ? KeyLeftOutReason::kMacroDirectoryFull
                                     : KeyLeftOutReason::kMacroMemoryFull;
                        break;
                    }
                }
                plan.leftOut.push_back({layer, row.key_code, reason});
            } else if (IsHostSideType(row.macro_type) && plan.hostSlots.SlotOf(row.macro_value) == 0) {
                plan.leftOut.push_back({layer, row.key_code, KeyLeftOutReason::kNoHostSlot});
            }
        }
    }
    return plan;
}

MacroImage PlanStoredMacroMemory(ProfileDatabase& db) {
    std::vector<Macro> macros;
    db.ListMacros(macros);
    const std::map<int, int> counts = db.CountMacroStepsByMacro();
    std::vector<int> ids;
    std::vector<int> records;
    for (const Macro& macro : macros) {
        ids.push_back(macro.macro_id);
        const auto found = counts.find(macro.macro_id);
        records.push_back(found == counts.end() ? 0 : found->second);
    }
    return PlanMacroMemory(ids, records);
}

KeyPlan PlanStoredKeys(ProfileDatabase& db, int profile) {
    std::vector<KeyAssignment> standardRows;
    std::vector<KeyAssignment> fnRows;
    db.ListKeyAssignments(profile, 0, standardRows);
    db.ListKeyAssignments(profile, 1, fnRows);
    return PlanKeys(std::move(standardRows), std::move(fnRows), PlanStoredMacroMemory(db));
}

}  // namespace vantora
