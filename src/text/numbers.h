#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vantora {

// How much of a text a number parser reads.
enum class NumberSyntax {
    // Blanks (spaces, tabs, line ends), then the number; whatever follows the
    // number's last digit is ignored.
    kLeading,
    // The text is the number and nothing else: no blanks, no trailing text.
    kWhole,
};

// A decimal int.
//   kLeading: blanks, an optional '+' or '-', the digits; a value beyond
//             int's range saturates to INT_MIN or INT_MAX.
//   kWhole:   an optional '-' and the digits; a value beyond int's range
//             gives nothing.
// Nothing when there is no digit.
std::optional<int> ParseDecimal(std::string_view text, NumberSyntax syntax);

// A hexadecimal number, digits in either letter case, with an optional "0x"
// or "0X" before them (after the blanks for kLeading). Nothing when there is
// no digit or the value is above `max`; leading zeros are allowed.
std::optional<std::uint32_t> ParseHex(std::string_view text, NumberSyntax syntax, std::uint32_t max);

}  // namespace vantora
