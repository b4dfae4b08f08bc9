#include "device/virtual_keys.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace vantora {
namespace {

// A run of consecutive virtual keys mapping to consecutive usages.
struct VirtualKeyRun {
    unsigned firstKey;
    unsigned lastKey;
    unsigned firstUsage;
};

constexpr VirtualKeyRun kRuns[] = {
    {0x41, 0x5A, 4},   // A to Z
    {0x31, 0x39, 30},  // 1 to 9
    {0x30, 0x30, 39},  // 0
    {13, 13, 40},      // Return
    {27, 27, 41},      // Escape
    {8, 8, 42},        // Back
    {9, 9, 43},        // Tab
    {32, 32, 44},      // Space
    {189, 189, 45},    // minus
    {187, 187, 46},    // plus
    {219, 219, 47},    // [
    {221, 221, 48},    // ]
    {220, 220, 49},    // backslash
    {666, 666, 50},    // Non-US # (our own code, no Windows key has it)
    {186, 186, 51},    // ;
    {222, 222, 52},    // quote
    {192, 192, 53},    // grave
    {188, 188, 54},    // comma
    {190, 190, 55},    // period
    {191, 191, 56},    // slash
    {20, 20, 57},      // Caps Lock
    {112, 123, 58},    // F1 to F12
    {124, 135, 104},   // F13 to F24
    {44, 44, 70},      // Print Screen
    {145, 145, 71},    // Scroll Lock
    {19, 19, 72},      // Pause
    {45, 45, 73},      // Insert
    {36, 36, 74},      // Home
    {33, 33, 75},      // Page Up
    {46, 46, 76},      // Delete
    {35, 35, 77},      // End
    {34, 34, 78},      // Page Down
    {39, 39, 79},      // Right
    {37, 37, 80},      // Left
    {40, 40, 81},      // Down
    {38, 38, 82},      // Up
    {144, 144, 83},    // Num Lock
    {111, 111, 84},    // keypad divide
    {106, 106, 85},    // keypad multiply
    {109, 109, 86},    // keypad subtract
    {107, 107, 87},    // keypad add
    {108, 108, 88},    // keypad separator (Enter)
    {97, 105, 89},     // keypad 1 to 9
    {96, 96, 98},      // keypad 0
    {110, 110, 99},    // keypad decimal
    {162, 162, 224},   // Left Ctrl
    {160, 160, 225},   // Left Shift
    {164, 164, 226},   // Left Alt
    {91, 91, 227},     // Left Win
    {163, 163, 228},   // Right Ctrl
    {161, 161, 229},   // Right Shift
    {165, 165, 230},   // Right Alt
    {92, 92, 231},     // Right Win
    {93, 93, 101},     // Applications
    {254, 254, 255},   // Fn
    {226, 226, 100},   // OEM 102
    {136, 139, 136},   // passed through unchanged
    {301, 301, 236},  {302, 302, 235},
};

constexpr std::size_t CountKeys() {
    std::size_t count = 0;
    for (const VirtualKeyRun& run : kRuns) {
        count += run.lastKey - run.firstKey + 1;
    }
    return count;
}

constexpr std::array<VirtualKeyUsage, CountKeys()> MakeTable() {
    std::array<VirtualKeyUsage, CountKeys()> table{};
    std::size_t next = 0;
    for (const VirtualKeyRun& run : kRuns) {
        for (unsigned key = run.firstKey; key <= run.lastKey; ++key) {
            table[next++] = {key, run.firstUsage + (key - run.firstKey)};
        }
    }
    std::sort(table.begin(), table.end(),
              [](const VirtualKeyUsage& a, const VirtualKeyUsage& b) { return a.virtualKey < b.virtualKey; });
    return table;
}

constexpr auto kTable = MakeTable();

constexpr bool EveryKeyOnce() {
    for (std::size_t i = 1; i < kTable.size(); ++i) {
        if (kTable[i - 1].virtualKey == kTable[i].virtualKey) {
            return false;
        }
    }
    return true;
}
static_assert(EveryKeyOnce());

}  // namespace

std::span<const VirtualKeyUsage> VirtualKeyTable() {
    return kTable;
}

unsigned VirtualKeyToUsage(unsigned virtualKey) {
    const auto found =
        std::lower_bound(kTable.begin(), kTable.end(), virtualKey,
                         [](const VirtualKeyUsage& entry, unsigned key) { return entry.virtualKey < key; });
    if (found == kTable.end() || found->virtualKey != virtualKey) {
        return 0;
    }
    return found->usage;
}

}  // namespace vantora
