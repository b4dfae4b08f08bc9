// What reaches the terminal: control characters escaped, cells cut by code
// points.
#include "cli/terminal_text.h"

#include <gtest/gtest.h>

namespace vantora::cli {
namespace {

TEST(TerminalTextTest, ControlCharactersAndBadBytesAreShownEscaped) {
    struct Case {
        std::string text;
        std::string shown;
        std::string lines;  // TerminalLines
    };
    const Case cases[] = {
        {"plain ✓ \\ text", "plain ✓ \\ text", "plain ✓ \\ text"},
        {"\x1b]0;owned\x07", "\\x1b]0;owned\\x07", "\\x1b]0;owned\\x07"},
        {"a\nb\tc\r", "a\\x0ab\\x09c\\x0d", "a\nb\\x09c\\x0d"},
        {std::string("nul\0del\x7f", 8), "nul\\x00del\\x7f", "nul\\x00del\\x7f"},
        {"csi\xc2\x9b"
         "2J",
         "csi\\u009b2J", "csi\\u009b2J"},
        {"bad\xff\xc3", "bad\\xff\\xc3", "bad\\xff\\xc3"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TerminalText(c.text), c.shown);
        EXPECT_EQ(TerminalLines(c.text), c.lines);
    }
}

TEST(TerminalTextTest, CellsAreCutByCodePointsWithAnEllipsis) {
    std::string umlauts;  // 60 code points in 120 bytes
    for (int i = 0; i < 60; ++i) {
        umlauts += "ü";
    }
    struct Case {
        std::string text;
        std::size_t max;
        std::string cell;
    };
    const Case cases[] = {
        {std::string(60, 'x'), 60, std::string(60, 'x')},
        {std::string(61, 'x'), 60, std::string(59, 'x') + "…"},
        {std::string(4u << 20, 'x'), 60, std::string(59, 'x') + "…"},
        {umlauts, 60, umlauts},
        {"ab\x1b", 6, "ab\\x1b"},
        {"abc\x1b", 6, "abc…"},  // an escape is never split
    };
    for (const Case& c : cases) {
        const std::string cell = TerminalCell(c.text, c.max);
        EXPECT_EQ(cell, c.cell);
        EXPECT_LE(CodePointCount(cell), c.max);
    }
}

}  // namespace
}  // namespace vantora::cli
