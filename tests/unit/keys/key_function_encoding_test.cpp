#include "keys/key_function_encoding.h"

#include "keys/function_catalogue.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>

namespace vantora {
namespace {

using Slot = std::array<std::uint8_t, 3>;

// A default function that no encoding produces, so "unchanged" bytes are visible.
constexpr Slot kDefault = {0x10, 0x00, 0x04};

Slot Encode(int type, int value, int value2 = 0, int macroPosition = kNoMacroPosition) {
    Slot slot = kDefault;
    EncodeKeyFunction({type, value, value2}, macroPosition, slot);
    return slot;
}

TEST(KeyFunctionEncodingTest, KeyboardKeys) {
    EXPECT_EQ(Encode(kFunctionKeyboard, 4, 225), (Slot{0x10, 0x02, 0x04}));  // Shift + A
    EXPECT_EQ(Encode(kFunctionKeyboard, 225, 0), (Slot{0x10, 0x00, 0x02}));  // Left Shift alone
    EXPECT_EQ(Encode(kFunctionKeyboard, 231, 0), (Slot{0x10, 0x00, 0x80}));  // Right GUI alone
    EXPECT_EQ(Encode(kFunctionKeyboard, 5, 0), (Slot{0x10, 0x00, 0x05}));
    EXPECT_EQ(Encode(kFunctionKeyboard, 0x105, 0), (Slot{0x10, 0x00, 0x05}));  // low byte only
}

TEST(KeyFunctionEncodingTest, DisableKey) {
    EXPECT_EQ(Encode(kFunctionDisableKey, 1), (Slot{0x10, 0x00, 0x00}));
}

TEST(KeyFunctionEncodingTest, MacroPositions) {
    EXPECT_EQ(Encode(kFunctionMacro, 17, 0, 2), (Slot{0x70, 0x02, 0x01}));  // third macro of the list
    EXPECT_EQ(Encode(kFunctionMacro, 17, 0, 0), (Slot{0x70, 0x00, 0x01}));
    EXPECT_EQ(Encode(kFunctionMacro, 17, 0, kNoMacroPosition), kDefault);  // deleted macro
    EXPECT_EQ(Encode(kFunctionMacro, 17, 0, 256), kDefault);
    EXPECT_EQ(Encode(kFunctionMacro, 17, 0, INT_MIN), kDefault);
}

TEST(KeyFunctionEncodingTest, MouseFunctions) {
    EXPECT_EQ(Encode(kFunctionMouse, 2), (Slot{0x20, 0x04, 0x00}));  // middle is button 3
    EXPECT_EQ(Encode(kFunctionMouse, 5), (Slot{0x21, 0x00, 0x01}));
    EXPECT_EQ(Encode(kFunctionMouse, 6), (Slot{0x21, 0x00, 0xFF}));
    EXPECT_EQ(Encode(kFunctionMouse, 4), (Slot{0x20, 0x00, 0x00}));
    EXPECT_EQ(Encode(kFunctionMouse, -9), (Slot{0x20, 0x00, 0x00}));
}

TEST(KeyFunctionEncodingTest, MultimediaSendsTheConsumerUsageLittleEndian) {
    EXPECT_EQ(Encode(kFunctionMultimedia, 1), (Slot{0x30, 0xCD, 0x00}));
    EXPECT_EQ(Encode(kFunctionMultimedia, 7), (Slot{0x30, 0xE2, 0x00}));
    EXPECT_EQ(Encode(kFunctionMultimedia, 8), (Slot{0x30, 0x00, 0x00}));
}

TEST(KeyFunctionEncodingTest, Shortcuts) {
    EXPECT_EQ(Encode(kFunctionWindowsShortcut, 1), (Slot{0x10, 0x08, 0x07}));
    EXPECT_EQ(Encode(kFunctionWindowsShortcut, 5), (Slot{0xF0, 0xA6, 0x00}));
    EXPECT_EQ(Encode(kFunctionWindowsShortcut, 11), (Slot{0x10, 0x02, 0x01}));
    // An unknown code sets the class and keeps the default's other bytes.
    const Slot other = {0x30, 0x12, 0x34};
    Slot slot = other;
    EncodeKeyFunction({kFunctionWindowsShortcut, 9, 0}, kNoMacroPosition, slot);
    EXPECT_EQ(slot, (Slot{0x10, 0x12, 0x34}));
}

TEST(KeyFunctionEncodingTest, HostSideFunctionsSendTheRowIdsLowByte) {
    EXPECT_EQ(Encode(kFunctionApplication, 3), (Slot{0x50, 0x03, 0x00}));
    EXPECT_EQ(Encode(kFunctionWebsite, 4), (Slot{0x60, 0x04, 0x00}));
    EXPECT_EQ(Encode(kFunctionSendText, 0x1FF), (Slot{0x60, 0xFF, 0x00}));
}

TEST(KeyFunctionEncodingTest, DefaultUnusedAndUnknownTypesKeepTheDefault) {
    for (int type : {0, 4, 11, -1, INT_MAX}) {
        EXPECT_EQ(Encode(type, 4, 225, 3), kDefault) << type;
    }
}

}  // namespace
}  // namespace vantora
