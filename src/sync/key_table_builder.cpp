#include "sync/key_table_builder.h"

#include <algorithm>

#include "device/key_index.h"
#include "keys/key_function_encoding.h"
#include "sync/key_plan.h"

namespace vantora {

bool KeyTableRead::Complete() const {
    return std::all_of(blockRead.begin(), blockRead.end(), [](bool read) { return read; });
}

bool KeyTableRead::RangeRead(std::size_t offset, std::size_t count) const {
    if (count == 0) {
        return true;
    }
    const std::size_t first = offset / kBlockBytes;
    const std::size_t last = (offset + count - 1) / kBlockBytes;
    if (last >= blockRead.size()) {
        return false;
    }
    for (std::size_t block = first; block <= last; ++block) {
        if (!blockRead[block]) {
            return false;
        }
    }
    return true;
}

void MacroPositions::Set(int macroId, int position) {
    // The first row with an id decides, as the key table looks macros up.
    positions_.emplace(macroId, position);
}

int MacroPositions::Lookup(int macroId) const {
    const auto found = positions_.find(macroId);
    return found == positions_.end() ? kNoMacroPosition : found->second;
}

void ApplyKeyAssignments(KeyTable& table, int layer, const std::vector<KeyAssignment>& rows,
                         const MacroPositions& macros, const HostSlots& hostSlots,
                         const std::map<int, int>& layoutCodeToIndex) {
    if (layer != 0 && layer != 1) {
        return;
    }
    for (const KeyAssignment& row : rows) {
        if (row.macro_type == 0) {
            continue;
        }
        const int index = LookupKeyIndex(layoutCodeToIndex, row.key_code);
        if (index < 0 || index >= kKeyIndexCount) {
            continue;
        }
        KeyFunctionValues values{row.macro_type, row.macro_value, row.macro_value2};
        if (IsHostSideType(row.macro_type)) {
            values.macroValue = hostSlots.SlotOf(row.macro_value);
            if (values.macroValue == 0) {
                continue;  // no slot left: the key keeps its default function
            }
        }
        const int position = row.macro_type == 3 ? macros.Lookup(row.macro_value) : kNoMacroPosition;
        const std::size_t start = 6 * static_cast<std::size_t>(index) + 3 * static_cast<std::size_t>(layer);
        EncodeKeyFunction(values, position, std::span<std::uint8_t, 3>(table.data() + start, 3));
    }
}

KeyTable BuildKeyTable(std::span<const std::uint8_t, kKeyTableBytes> defaults,
                       const std::vector<KeyAssignment>& standardRows,
                       const std::vector<KeyAssignment>& fnRows, const MacroPositions& macros,
                       const std::map<int, int>& layoutCodeToIndex) {
    KeyTable table{};
    std::copy(defaults.begin(), defaults.end(), table.begin());
    const HostSlots hostSlots = PlanHostSlots(standardRows, fnRows);
    ApplyKeyAssignments(table, 0, standardRows, macros, hostSlots, layoutCodeToIndex);
    ApplyKeyAssignments(table, 1, fnRows, macros, hostSlots, layoutCodeToIndex);
    return table;
}

std::vector<KeyAtDefault> FindKeysAtDefault(const KeyTableRead& defaults, const KeyTableRead& current,
                                            const std::map<int, int>& layoutIndexToCode) {
    std::vector<KeyAtDefault> keys;
    for (int index = 0; index < kKeyIndexCount; ++index) {
        const int code = LookupKeyCode(layoutIndexToCode, index);
        if (code <= 0) {
            continue;
        }
        for (int layer = 0; layer < 2; ++layer) {
            const std::size_t start =
                6 * static_cast<std::size_t>(index) + 3 * static_cast<std::size_t>(layer);
            if (!defaults.RangeRead(start, 3) || !current.RangeRead(start, 3)) {
                continue;
            }
            if (std::equal(defaults.bytes.begin() + start, defaults.bytes.begin() + start + 3,
                           current.bytes.begin() + start)) {
                keys.push_back({layer, code});
            }
        }
    }
    return keys;
}

}  // namespace vantora
