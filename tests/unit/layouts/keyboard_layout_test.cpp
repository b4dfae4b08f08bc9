#include "layouts/keyboard_layout.h"

#include <gtest/gtest.h>

#include <climits>

#include "support/temp_dir.h"

namespace vantora {
namespace {

using test::TempDir;

std::string LayoutText(const std::string& keys, const std::string& root_attributes =
                                                    "col_count=\"21\" row_count=\"6\" kb_xpos=\"200\" "
                                                    "kb_ypos=\"150\" kb_width=\"900\" kb_height=\"300\"") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<KeyboardLayout " + root_attributes +
           ">\r\n<KeyItems>\r\n" + keys + "</KeyItems>\r\n</KeyboardLayout>\r\n";
}

TEST(LayoutName, NumbersMapToTheModelFiles) {
    EXPECT_EQ(LayoutNameForNumber(0), "RGB-Keyboard-104K");
    EXPECT_EQ(LayoutNameForNumber(1), "RGB-Keyboard-61K");
    EXPECT_EQ(LayoutNameForNumber(2), "RGB-Keyboard-64K");
    EXPECT_EQ(LayoutNameForNumber(3), "RGB-Keyboard-108K");
    EXPECT_EQ(LayoutNameForNumber(4), "RGB-Keyboard-100K");
    EXPECT_EQ(LayoutNameForNumber(5), "RGB-Keyboard-98K");
    EXPECT_EQ(LayoutNameForNumber(6), "RGB-Keyboard-68K");
    EXPECT_EQ(LayoutNameForNumber(7), "RGB-Keyboard-82K");
    EXPECT_EQ(LayoutNameForNumber(8), "RGB-Keyboard-104K");
    EXPECT_EQ(LayoutNameForNumber(9), "RGB-Keyboard-82K2");
    EXPECT_EQ(LayoutNameForNumber(10), "RGB-Keyboard-87K");
    for (int unknown : {11, 42, -1, INT_MIN, INT_MAX}) {
        EXPECT_EQ(LayoutNameForNumber(unknown), "RGB-Keyboard-104K") << unknown;
    }
    EXPECT_EQ(LayoutFilePath("/opt/v/", "RGB-Keyboard-61K"), "/opt/v/layouts/RGB-Keyboard-61K.xml");
}

TEST(LayoutConfig, AbsentZeroEightOrUnknownLayoutLoadsThe104KFile) {
    for (const std::string config :
         {"[TEXT]\nVID=1\n", "[TEXT]\nLAYOUT=0\n", "[TEXT]\nLAYOUT=8\n", "[TEXT]\nLAYOUT=42\n", ""}) {
        TempDir dir;
        if (!config.empty()) {
            dir.WriteFile("config.ini", config);
        }
        dir.WriteFile("layouts/RGB-Keyboard-104K.xml", LayoutText("<key code=\"29\" key_index=\"1\"/>\r\n"));
        dir.WriteFile("layouts/RGB-Keyboard-61K.xml", LayoutText(""));
        const KeyboardLayout layout = LoadKeyboardLayoutFrom(dir.path());
        ASSERT_EQ(layout.keys.size(), 1u) << config;
    }
    TempDir dir;
    dir.WriteFile("config.ini", "[TEXT]\nLAYOUT=1\n");
    dir.WriteFile("layouts/RGB-Keyboard-61K.xml", LayoutText("<key code=\"4\"/><key code=\"5\"/>"));
    EXPECT_EQ(LoadKeyboardLayoutFrom(dir.path()).keys.size(), 2u);
}

TEST(LayoutFile, ReadsPictureAndKeysInDocumentOrder) {
    TempDir dir;
    const std::string path = dir.WriteFile(
        "l.xml",
        LayoutText("<key code=\"3a\" name=\"F1\" desc=\"Function key F1\" key_index=\"12\" icon=\"f1.png\" "
                   "row_col=\"0-2\" key_x=\"0\" key_y=\"0\" key_width=\"38\" key_height=\"40\"/>\r\n"
                   "<key key_height=\"38\" key_width=\"80\" key_y=\"44\" key_x=\"10\" row_col=\"1-13\" "
                   "key_index=\"79\" desc=\"Backspace &amp; delete\" name=\"&#x2190;\" code=\"2A\"/>\r\n",
                   "col_count=\"21\" row_count=\"6\" kb_xpos=\"211\" kb_ypos=\"150\" kb_width=\"977\" "
                   "kb_height=\"305\" image=\"kb.png\""));
    const KeyboardLayout layout = LoadKeyboardLayoutFile(path);
    ASSERT_TRUE(layout.hasPicture);
    EXPECT_EQ(layout.colCount, 21);
    EXPECT_EQ(layout.rowCount, 6);
    EXPECT_EQ(layout.picture, (LayoutRect{211, 150, 1188, 455}));
    EXPECT_EQ(layout.image, "kb.png");
    ASSERT_EQ(layout.keys.size(), 2u);
    const LayoutKey& f1 = layout.keys[0];
    EXPECT_EQ(f1.code, 0x3A);
    EXPECT_EQ(f1.name, "F1");
    EXPECT_EQ(f1.desc, "Function key F1");
    EXPECT_EQ(f1.keyIndex, 12);
    EXPECT_EQ(f1.icon, "f1.png");
    EXPECT_EQ(f1.row, 0);
    EXPECT_EQ(f1.column, 2);
    // Key rectangles are relative to the picture, whatever its position.
    EXPECT_EQ(f1.rect, (LayoutRect{0, 0, 38, 40}));
    const LayoutKey& backspace = layout.keys[1];
    EXPECT_EQ(backspace.code, 0x2A);
    EXPECT_EQ(backspace.name, "←");
    EXPECT_EQ(backspace.desc, "Backspace & delete");
    EXPECT_EQ(backspace.row, 1);
    EXPECT_EQ(backspace.column, 13);
    EXPECT_EQ(backspace.rect, (LayoutRect{10, 44, 90, 82}));
    EXPECT_EQ(layout.codeToIndex, (std::map<int, int>{{0x2A, 79}, {0x3A, 12}}));
    EXPECT_EQ(layout.indexToCode, (std::map<int, int>{{12, 0x3A}, {79, 0x2A}}));
}

TEST(LayoutFile, KeysWithoutIndexAreDrawnButNotMapped) {
    TempDir dir;
    const KeyboardLayout layout = LoadKeyboardLayoutFile(dir.WriteFile(
        "l.xml",
        LayoutText("<key code=\"29\" key_index=\"0\"/><key code=\"FF\"/><key code=\"4\" key_index=\"-3\"/>"
                   "<key code=\"5\" key_index=\"x\"/><key code=\"6\" key_index=\"34\"/>")));
    EXPECT_EQ(layout.keys.size(), 5u);
    EXPECT_EQ(layout.codeToIndex, (std::map<int, int>{{6, 34}}));
    EXPECT_EQ(layout.indexToCode, (std::map<int, int>{{34, 6}}));
}

TEST(LayoutFile, TheLaterKeyWinsForRepeatedCodesAndIndexes) {
    TempDir dir;
    const KeyboardLayout layout = LoadKeyboardLayoutFile(dir.WriteFile(
        "l.xml", LayoutText("<key code=\"4\" key_index=\"9\"/><key code=\"4\" key_index=\"10\"/>"
                            "<key code=\"7\" key_index=\"21\"/><key code=\"8\" key_index=\"21\"/>")));
    EXPECT_EQ(layout.keys.size(), 4u);
    EXPECT_EQ(layout.codeToIndex, (std::map<int, int>{{4, 10}, {7, 21}, {8, 21}}));
    EXPECT_EQ(layout.indexToCode, (std::map<int, int>{{9, 4}, {10, 4}, {21, 8}}));
}

TEST(LayoutFile, LowerAndUpperCaseHexGiveTheSameCode) {
    TempDir dir;
    const KeyboardLayout layout = LoadKeyboardLayoutFile(dir.WriteFile(
        "l.xml",
        LayoutText("<key code=\"e1\"/><key code=\"E1\"/><key code=\"0xe1\"/><key code=\" e1zz\"/>")));
    ASSERT_EQ(layout.keys.size(), 4u);
    for (const LayoutKey& key : layout.keys) {
        EXPECT_EQ(key.code, 0xE1);
    }
}

TEST(LayoutFile, NumbersAreReadLeniently) {
    EXPECT_EQ(ParseLayoutDecimal(""), 0);
    EXPECT_EQ(ParseLayoutDecimal("  42px"), 42);
    EXPECT_EQ(ParseLayoutDecimal("-7"), -7);
    EXPECT_EQ(ParseLayoutDecimal("+7"), 7);
    EXPECT_EQ(ParseLayoutDecimal("abc"), 0);
    EXPECT_EQ(ParseLayoutDecimal("99999999999999999999"), INT_MAX);
    EXPECT_EQ(ParseLayoutDecimal("-99999999999999999999"), INT_MIN);
    EXPECT_EQ(ParseLayoutHex("ff"), 255);
    EXPECT_EQ(ParseLayoutHex("0x"), 0);
    EXPECT_EQ(ParseLayoutHex("g1"), 0);
    EXPECT_EQ(ParseLayoutHex("-A"), -10);
}

TEST(LayoutFile, MissingAttributesReadAsZeroOrEmpty) {
    TempDir dir;
    const KeyboardLayout layout = LoadKeyboardLayoutFile(dir.WriteFile("l.xml", LayoutText("<key/>", "")));
    ASSERT_TRUE(layout.hasPicture);
    EXPECT_EQ(layout.picture, LayoutRect{});
    ASSERT_EQ(layout.keys.size(), 1u);
    EXPECT_EQ(layout.keys[0].code, 0);
    EXPECT_EQ(layout.keys[0].name, "");
    EXPECT_EQ(layout.keys[0].rect, LayoutRect{});
    EXPECT_TRUE(layout.codeToIndex.empty());
}

TEST(LayoutFile, RowColKeepsTheFirstAndTheLastCharacters) {
    TempDir dir;
    const KeyboardLayout layout = LoadKeyboardLayoutFile(dir.WriteFile(
        "l.xml",
        LayoutText("<key row_col=\"3-7\"/><key row_col=\"2-14\"/><key row_col=\"5\"/><key row_col=\"\"/>"
                   "<key row_col=\"4/x9\"/>")));
    ASSERT_EQ(layout.keys.size(), 5u);
    EXPECT_EQ(layout.keys[0].row, 3);
    EXPECT_EQ(layout.keys[0].column, 7);
    EXPECT_EQ(layout.keys[1].row, 2);
    EXPECT_EQ(layout.keys[1].column, 14);
    EXPECT_EQ(layout.keys[2].row, 5);
    EXPECT_EQ(layout.keys[2].column, 5);
    EXPECT_EQ(layout.keys[3].column, 0);
    EXPECT_EQ(layout.keys[4].row, 4);
    EXPECT_EQ(layout.keys[4].column, 0);  // "x9" reads as 0, as any non-number
}

TEST(LayoutFile, HugeNumbersDoNotOverflowTheRectangles) {
    TempDir dir;
    const KeyboardLayout layout = LoadKeyboardLayoutFile(
        dir.WriteFile("l.xml", LayoutText("<key key_x=\"2147483647\" key_width=\"2147483647\"/>",
                                          "kb_xpos=\"-2147483648\" kb_width=\"-5\"")));
    ASSERT_EQ(layout.keys.size(), 1u);
    EXPECT_EQ(layout.keys[0].rect.right, INT_MAX);
    EXPECT_EQ(layout.picture.right, INT_MIN);
}

TEST(LayoutFailure, EveryFailureGivesAnEmptyLayout) {
    TempDir dir;
    const std::string cases[] = {
        dir.path() + "missing.xml",
        dir.WriteFile("garbage.xml", "\x01\x02 not xml at all"),
        dir.WriteFile("two_roots.xml", LayoutText("<key code=\"4\" key_index=\"9\"/>") + "<KeyboardLayout/>"),
        dir.WriteFile("other_root.xml",
                      "<Layout><KeyItems><key code=\"4\" key_index=\"9\"/></KeyItems></Layout>"),
        dir.WriteFile("case.xml",
                      "<keyboardlayout><KeyItems><key code=\"4\" key_index=\"9\"/></KeyItems>"
                      "</keyboardlayout>"),
    };
    for (const std::string& path : cases) {
        const KeyboardLayout layout = LoadKeyboardLayoutFile(path);
        EXPECT_FALSE(layout.hasPicture) << path;
        EXPECT_TRUE(layout.keys.empty()) << path;
        EXPECT_TRUE(layout.codeToIndex.empty()) << path;
        EXPECT_TRUE(layout.indexToCode.empty()) << path;
    }
}

TEST(LayoutFailure, WithoutKeyItemsThePictureKeepsItsSizeButHasNoKeys) {
    TempDir dir;
    const KeyboardLayout layout = LoadKeyboardLayoutFile(dir.WriteFile(
        "l.xml",
        "<KeyboardLayout kb_xpos=\"1\" kb_ypos=\"2\" kb_width=\"30\" kb_height=\"40\">"
        "<key code=\"4\" key_index=\"9\"/><keyitems><key code=\"5\" key_index=\"9\"/></keyitems>"
        "</KeyboardLayout>"));
    EXPECT_TRUE(layout.hasPicture);
    EXPECT_EQ(layout.picture, (LayoutRect{1, 2, 31, 42}));
    EXPECT_TRUE(layout.keys.empty());
    EXPECT_TRUE(layout.codeToIndex.empty());
}

TEST(LayoutFailure, ElementsOtherThanKeyAreIgnored) {
    TempDir dir;
    const KeyboardLayout layout = LoadKeyboardLayoutFile(dir.WriteFile(
        "l.xml",
        LayoutText("<!-- <key code=\"9\"/> --><Key code=\"5\"/><key code=\"4\"><key code=\"6\"/></key>")));
    ASSERT_EQ(layout.keys.size(), 1u);
    EXPECT_EQ(layout.keys[0].code, 4);
}

}  // namespace
}  // namespace vantora
