#include "cli/terminal_text.h"

#include <cstdio>

#include "text/utf8.h"

namespace vantora::cli {
namespace {

constexpr std::string_view kEllipsis = "\xE2\x80\xA6";  // …
constexpr std::size_t kUnlimited = std::numeric_limits<std::size_t>::max();

std::string Escape(const char* format, unsigned value) {
    char text[8];
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

// Escapes `text`; cut to `maxCodePoints` shown code points with an ellipsis
// when it would take more.
std::string Render(std::string_view text, bool keepLineFeeds, std::size_t maxCodePoints) {
    std::string out;
    std::size_t shown = 0;
    std::size_t fitting = 0;  // bytes of `out` that leave room for the ellipsis
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t start = pos;
        const char32_t cp = NextUtf8(text, pos);
        std::string piece;
        if (cp == kInvalidUtf8) {
            piece = Escape("\\x%02x", static_cast<unsigned char>(text[start]));
        } else if (cp == '\n' && keepLineFeeds) {
            piece = "\n";
        } else if (cp < 0x20 || cp == 0x7F) {
            piece = Escape("\\x%02x", static_cast<unsigned>(cp));
        } else if (IsControlCharacter(cp)) {
            piece = Escape("\\u%04x", static_cast<unsigned>(cp));
        }
        const std::string_view shownPiece = piece.empty() ? text.substr(start, pos - start) : piece;
        const std::size_t width = piece.empty() ? 1 : piece.size();
        if (shown + width > maxCodePoints) {
            out.resize(fitting);
            out += kEllipsis;
            return out;
        }
        out += shownPiece;
        shown += width;
        if (shown < maxCodePoints) {
            fitting = out.size();
        }
    }
    return out;
}

}  // namespace

std::string TerminalText(std::string_view text) {
    return Render(text, false, kUnlimited);
}

std::string TerminalCell(std::string_view text, std::size_t maxCodePoints) {
    return Render(text, false, maxCodePoints == 0 ? 1 : maxCodePoints);
}

std::string TerminalLines(std::string_view text) {
    return Render(text, true, kUnlimited);
}

std::size_t CodePointCount(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

}  // namespace vantora::cli
