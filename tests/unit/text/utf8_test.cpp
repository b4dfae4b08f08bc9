#include <gtest/gtest.h>

#include "text/utf8.h"

namespace vantora {
namespace {

std::string Utf8(std::initializer_list<char32_t> codePoints) {
    std::string out;
    for (char32_t cp : codePoints) {
        AppendUtf8(out, cp);
    }
    return out;
}

TEST(AppendUtf8Test, EncodesEveryLengthAtItsBoundaries) {
    EXPECT_EQ(Utf8({U'A', 0x7F}), "A\x7F");
    EXPECT_EQ(Utf8({0x80, 0x7FF}), "\xC2\x80\xDF\xBF");
    EXPECT_EQ(Utf8({0x800, 0x4E2D, 0xFFFF}), "\xE0\xA0\x80\xE4\xB8\xAD\xEF\xBF\xBF");
    EXPECT_EQ(Utf8({0x10000, 0x10FFFF}), "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF");
}

TEST(AppendUtf8Test, SurrogatesAndValuesBeyondUnicodeBecomeTheReplacementCharacter) {
    EXPECT_EQ(Utf8({0xD800, 0xDFFF, 0x110000}), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace vantora
