#pragma once

#include <cstdint>
#include <span>

namespace vantora {

// The stored values of one key assignment that decide what the keyboard receives.
struct KeyFunctionValues {
    int macroType = 0;
    int macroValue = 0;
    int macroValue2 = 0;
};

inline constexpr int kNoMacroPosition = -1;

// Writes the keyboard's encoding of one assignment over the three bytes of one layer of a key-table
// slot, which hold the key's default function beforehand. Bytes the encoding does not set keep the
// default: all three for type 0, the unused code 4, unknown types, and a macro without a position;
// bytes 1 and 2 for a shortcut code the keyboard does not know.
// `macroPosition` is the 0-based position of the assigned macro in the macro list, kNoMacroPosition
// when the macro is not there; a position that does not fit one byte counts as not there.
// Values above 255 reach the keyboard as their low byte.
void EncodeKeyFunction(const KeyFunctionValues& values, int macroPosition, std::span<std::uint8_t, 3> slot);

}  // namespace vantora
