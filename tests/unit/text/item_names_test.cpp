// The rule for profile and macro names: what is refused when typed and how
// an imported name is cleaned.
#include "text/item_names.h"

#include <gtest/gtest.h>

namespace vantora {
namespace {

TEST(ItemNamesTest, ControlCharactersAndBadUtf8AreFaultsAndCleanedToReplacementCharacters) {
    struct Case {
        std::string name;
        NameFault fault;
        std::string cleaned;
    };
    const Case cases[] = {
        {"Games ✓ 配置", NameFault::kNone, "Games ✓ 配置"},
        {"", NameFault::kBlank, ""},
        {"   ", NameFault::kBlank, "   "},
        {"a\tb", NameFault::kControlCharacter, "a\uFFFDb"},
        {"\x1b]0;title\x07", NameFault::kControlCharacter, "\uFFFD]0;title\uFFFD"},
        {"del\x7f", NameFault::kControlCharacter, "del\uFFFD"},
        {"csi\xc2\x9b", NameFault::kControlCharacter, "csi\uFFFD"},  // U+009B
        {"nbsp\xc2\xa0", NameFault::kNone, "nbsp\xc2\xa0"},          // U+00A0 is no control
        {"bad\xff", NameFault::kInvalidUtf8, "bad\uFFFD"},
        {"cut\xe2\x82", NameFault::kInvalidUtf8, "cut\uFFFD\uFFFD"},
        {"overlong\xc0\xaf", NameFault::kInvalidUtf8, "overlong\uFFFD\uFFFD"},
        {"surrogate\xed\xa0\x80", NameFault::kInvalidUtf8, "surrogate\uFFFD\uFFFD\uFFFD"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckItemName(c.name), c.fault) << c.name;
        bool changed = true;
        EXPECT_EQ(CleanItemName(c.name, changed), c.cleaned) << c.name;
        EXPECT_EQ(changed, c.cleaned != c.name) << c.name;
        EXPECT_EQ(CheckItemName(c.cleaned) == NameFault::kNone || c.fault == NameFault::kBlank, true)
            << c.name;
    }
}

}  // namespace
}  // namespace vantora
