#include "ui/capture/capture_decoder.h"

#include <gtest/gtest.h>

#include <Qt>

namespace vantora {
namespace {

CaptureKey QtKey(int qtKey, bool keypad = false) {
    CaptureKey key;
    key.qtKey = qtKey;
    key.keypad = keypad;
    return key;
}

TEST(DecodeCaptureKeyTest, WithoutNativeValuesTheQtKeyDecides) {
    struct Case {
        CaptureKey key;
        int code;
        const char* name;
    };
    const Case cases[] = {
        {QtKey(Qt::Key_Shift), 160, "Shift"},
        {QtKey(Qt::Key_Control), 162, "Ctrl"},
        {QtKey(Qt::Key_AltGr), 164, "Alt"},
        {QtKey(Qt::Key_Super_L), 91, "Windows"},
        {QtKey(Qt::Key_A), 'A', "A"},
        {QtKey(Qt::Key_PageUp), 33, "Page Up"},
        {QtKey(Qt::Key_F11), 122, "F11"},
        {QtKey(Qt::Key_Return), 13, "Enter"},
        {QtKey(Qt::Key_Question), 191, "/"},  // Shift+/ on the US layout
        {QtKey(Qt::Key_7), '7', "7"},
        {QtKey(Qt::Key_7, true), 103, "Num 7"},
        {QtKey(Qt::Key_Home, true), 103, "Num 7"},  // Num Lock off: the same key
        {QtKey(Qt::Key_Enter, true), 108, "Num Enter"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int code = 0;
        std::string name;
        ASSERT_TRUE(DecodeCaptureKey(c.key, code, name));
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(name, c.name);
    }
    int code = -1;
    std::string name = "kept";
    EXPECT_FALSE(DecodeCaptureKey(QtKey(Qt::Key_VolumeDown), code, name));
    EXPECT_FALSE(DecodeCaptureKey(QtKey(0), code, name));
    EXPECT_EQ(code, -1);
    EXPECT_EQ(name, "kept");
}

TEST(DecodeCaptureKeyTest, NativeKeysymAndKeycodeWinOverTheQtKey) {
    CaptureKey key = QtKey(Qt::Key_unknown);
    key.nativeVirtualKey = 0x6c6;  // Cyrillic_ef, on the A key of a Russian layout
    key.nativeScanCode = 38;
    int code = 0;
    std::string name;
    ASSERT_TRUE(DecodeCaptureKey(key, code, name));
    EXPECT_EQ(code, 'A');
    EXPECT_EQ(name, "A");
    // Control_R: the left key's code.
    key = QtKey(Qt::Key_Control);
    key.nativeVirtualKey = 0xffe4;
    key.nativeScanCode = 105;
    ASSERT_TRUE(DecodeCaptureKey(key, code, name));
    EXPECT_EQ(code, 162);
    EXPECT_EQ(name, "Ctrl");
    // Native values naming no key: the Qt key still does.
    key = QtKey(Qt::Key_F5);
    key.nativeVirtualKey = 0x1008ff11;
    key.nativeScanCode = 3;
    ASSERT_TRUE(DecodeCaptureKey(key, code, name));
    EXPECT_EQ(code, 116);
}

}  // namespace
}  // namespace vantora
