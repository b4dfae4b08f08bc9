#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>

namespace vantora::cli {

// What vantoractl prints as text goes through here, so that a name, label or
// path never drives the terminal (an escape sequence that retitles the
// window, clears the screen or writes the clipboard) and a huge name never
// blows up a table. The JSON output is not touched (its writer escapes).
//
// Shown escaped: C0 controls and DEL as \xNN (\x1b, \x7f), C1 controls as
// \uNNNN (\u009b), and each byte that is not valid UTF-8 as \xNN (\xff).
// Everything else, a backslash included, is shown as it is.

// A table cell is cut to this many code points, the last of them "…".
inline constexpr std::size_t kMaxCellCodePoints = 60;

// `text` with every control character escaped, line feeds and tabs too: for
// a name or path inside a line.
std::string TerminalText(std::string_view text);

// TerminalText cut to `maxCodePoints` code points (escapes counted as
// shown): for a table cell.
std::string TerminalCell(std::string_view text, std::size_t maxCodePoints = kMaxCellCodePoints);

// Whole lines of output: as TerminalText, but line feeds stay line feeds.
std::string TerminalLines(std::string_view text);

// Code points of valid UTF-8 text (TerminalText's result is): the columns a
// cell takes when each character takes one.
std::size_t CodePointCount(std::string_view text);

}  // namespace vantora::cli
