#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "db/records.h"
#include "sync/key_table_builder.h"

namespace vantora {

// The keyboard's macro memory: a 64-byte directory (one 16-bit little-endian
// offset per macro, 32 macros) followed by 4-byte records, 880 at most.
inline constexpr std::size_t kMacroMemoryBytes = 3584;
inline constexpr std::size_t kMacroDirectoryBytes = 64;
inline constexpr int kMacroDirectorySlots = 32;
inline constexpr int kMacroRecordBytes = 4;
inline constexpr int kMacroRecordCapacity = 880;

// One macro of the macro list with its records in record_index order.
struct MacroWithSteps {
    int macroId = 0;
    std::vector<MacroStep> steps;
};

// Why a macro is not in the keyboard's memory.
enum class MacroLeftOutReason {
    kDirectoryFull,  // list position 32 or later
    kMemoryFull,     // its records do not fit in what the macros before it left
};

struct MacroLeftOut {
    int macroId = 0;
    int position = 0;  // its position in the macro list
    MacroLeftOutReason reason = MacroLeftOutReason::kMemoryFull;
};

// The memory image to write and what it holds.
struct MacroImage {
    std::array<std::uint8_t, kMacroMemoryBytes> bytes{};
    // Byte offset just past the last record (64 with no records).
    std::size_t end = kMacroDirectoryBytes;
    // The macros the memory holds, by list position; key downloads bind keys
    // only to these.
    MacroPositions positions;
    // Macros the memory cannot hold, in list order. Their directory entry, if
    // they have one, is an empty macro, and keys bound to them stay at their
    // default function.
    std::vector<MacroLeftOut> leftOut;
};

// The four bytes of one record: delay (1 when not positive, 65535 when
// longer, little-endian), event flags, key usage or button code.
std::array<std::uint8_t, 4> EncodeMacroRecord(const MacroStep& step, bool lastOfMacro);

// Which macros fit, in list order, from their record counts alone: a macro
// is held when it has a directory slot and all its records fit after the
// records of the macros held before it; a macro that does not fit leaves the
// room to the macros after it. Used by the key download, which needs the
// positions but not the records.
MacroImage PlanMacroMemory(const std::vector<int>& macroIds, const std::vector<int>& recordCounts);

// The whole image: directory, then the records of every held macro in list
// order. Never writes past the 3584 bytes.
MacroImage BuildMacroImage(const std::vector<MacroWithSteps>& macros);

// The CMD_WRITE_MACROS blocks for an image: blocks of 56 from 0 up to the
// first block whose 40-byte length covers the end of the records, that last
// block with length 40. A keyboard takes only `length` bytes of a block, so
// a last block of 40 must reach the end of the records; when the records
// fill the memory's last 16 bytes, block 63 goes with 56 instead. Never a
// block that starts past the image.
BlockPlan MacroBlockPlan(const MacroImage& image);

}  // namespace vantora
