#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "db/records.h"
#include "sync/table_blocks.h"

namespace vantora {

// The keyboard's key table: 128 slots of 6 bytes, bytes 0-2 the standard
// layer and bytes 3-5 the FN layer of key index i at 6*i.
using KeyTable = std::array<std::uint8_t, kKeyTableBytes>;

// A key table as read from the keyboard block by block. Answer data of block
// b lands at 56*b (the last block's answer spills 16 bytes past 768, hence
// the 784 bytes); a block whose read was not acknowledged is marked unread
// and its bytes mean nothing.
struct KeyTableRead {
    std::array<std::uint8_t, 784> bytes{};
    std::array<bool, 14> blockRead{};

    bool Complete() const;
    // Whether every byte of [offset, offset + count) lies in a read block.
    bool RangeRead(std::size_t offset, std::size_t count) const;
};

// Where each macro of the macro list sits in the keyboard's macro memory:
// macro id -> 0-based list position, only for macros the memory holds.
class MacroPositions {
public:
    void Set(int macroId, int position);
    // kNoMacroPosition for a macro that is not in the list or was left out.
    int Lookup(int macroId) const;
    bool operator==(const MacroPositions&) const = default;

private:
    std::map<int, int> positions_;
};

class HostSlots;

// Encodes every assignment row of one layer (0 standard, 1 FN) into `table`
// over the bytes already there (the default table). Rows of type 0, rows
// whose key has no index (layout map first, built-in table second), macro
// rows whose macro the memory does not hold and host-side rows without a
// slot are skipped; a later row for the same key wins. Host-side rows carry
// their slot, not their id.
void ApplyKeyAssignments(KeyTable& table, int layer, const std::vector<KeyAssignment>& rows,
                         const MacroPositions& macros, const HostSlots& hostSlots,
                         const std::map<int, int>& layoutCodeToIndex);

// The whole table to write: the default table with both layers' rows applied,
// host-side rows in the slots PlanHostSlots gives the rows of both layers.
KeyTable BuildKeyTable(std::span<const std::uint8_t, kKeyTableBytes> defaults,
                       const std::vector<KeyAssignment>& standardRows,
                       const std::vector<KeyAssignment>& fnRows, const MacroPositions& macros,
                       const std::map<int, int>& layoutCodeToIndex);

// One key on one layer that the keyboard reports at its default function.
struct KeyAtDefault {
    int layer = 0;
    int keyCode = 0;
    bool operator==(const KeyAtDefault&) const = default;
};

// The keys whose stored assignment the read-back removes: for every key index
// with a key code (layout map first, built-in table second) and each layer,
// those whose three bytes are equal in both tables. A layer whose bytes were
// not read completely in both tables is never listed.
std::vector<KeyAtDefault> FindKeysAtDefault(const KeyTableRead& defaults, const KeyTableRead& current,
                                            const std::map<int, int>& layoutIndexToCode);

}  // namespace vantora
