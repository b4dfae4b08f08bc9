#include "text/numbers.h"

#include <climits>

namespace vantora {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::size_t SkipBlanks(std::string_view text, NumberSyntax syntax) {
    std::size_t i = 0;
    if (syntax == NumberSyntax::kLeading) {
        while (i < text.size() && IsBlank(text[i])) {
            ++i;
        }
    }
    return i;
}

}  // namespace

std::optional<int> ParseDecimal(std::string_view text, NumberSyntax syntax) {
    std::size_t i = SkipBlanks(text, syntax);
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || (text[i] == '+' && syntax == NumberSyntax::kLeading))) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t firstDigit = i;
    // The magnitude stops growing one past INT_MAX: enough to saturate either way.
    constexpr long long kCap = static_cast<long long>(INT_MAX) + 1;
    long long magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > kCap) {
            magnitude = kCap + 1;
        }
    }
    if (i == firstDigit) {
        return std::nullopt;
    }
    const long long value = negative ? -magnitude : magnitude;
    if (value < INT_MIN || value > INT_MAX) {
        if (syntax == NumberSyntax::kWhole) {
            return std::nullopt;
        }
        return negative ? INT_MIN : INT_MAX;
    }
    if (syntax == NumberSyntax::kWhole && i != text.size()) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::optional<std::uint32_t> ParseHex(std::string_view text, NumberSyntax syntax, std::uint32_t max) {
    std::size_t i = SkipBlanks(text, syntax);
    if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        HexDigit(text[i + 2]) >= 0) {
        i += 2;
    }
    const std::size_t firstDigit = i;
    std::uint64_t value = 0;
    for (int digit = 0; i < text.size() && (digit = HexDigit(text[i])) >= 0; ++i) {
        value = value * 16 + static_cast<std::uint64_t>(digit);
        if (value > max) {
            return std::nullopt;
        }
    }
    if (i == firstDigit || (syntax == NumberSyntax::kWhole && i != text.size())) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace vantora
