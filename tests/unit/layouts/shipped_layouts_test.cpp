// Checks every layout file we ship in data/layouts/.
#include <gtest/gtest.h>

#include <set>

#include "device/key_index.h"
#include "layouts/keyboard_layout.h"

namespace vantora {
namespace {

bool IsKnownKeyboardUsage(int code) {
    return (code >= 0x04 && code <= 0xA4) || (code >= 0xB0 && code <= 0xDD) ||
           (code >= 0xE0 && code <= 0xE7) || code == kFnKeyCode;
}

bool Overlap(const LayoutRect& a, const LayoutRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

int KeyCountInName(const std::string& name) {
    // "RGB-Keyboard-82K2" -> 82
    const std::size_t dash = name.rfind('-');
    return std::stoi(name.substr(dash + 1));
}

class ShippedLayout : public testing::TestWithParam<int> {
protected:
    void SetUp() override {
        name_ = LayoutNameForNumber(GetParam());
        layout_ = LoadKeyboardLayoutFile(std::string(VANTORA_LAYOUTS_DIR) + name_ + ".xml");
    }
    std::string name_;
    KeyboardLayout layout_;
};

TEST_P(ShippedLayout, LoadsWithTheModelsKeyCount) {
    ASSERT_TRUE(layout_.hasPicture) << name_;
    EXPECT_EQ(static_cast<int>(layout_.keys.size()), KeyCountInName(name_));
    EXPECT_GT(layout_.rowCount, 0);
    EXPECT_GT(layout_.colCount, 0);
}

TEST_P(ShippedLayout, PictureFitsTheKeyboardPagesOfTheMainWindow) {
    // The pages span x 200..1199 and y 120..695 of the 1200 x 720 window.
    EXPECT_GE(layout_.picture.left, 200);
    EXPECT_LE(layout_.picture.right, 1199);
    EXPECT_GE(layout_.picture.top, 120);
    EXPECT_LE(layout_.picture.bottom, 695);
    EXPECT_GT(layout_.picture.Width(), 400);
    EXPECT_GT(layout_.picture.Height(), 150);
}

TEST_P(ShippedLayout, KeysLieInsideThePictureWithoutOverlapping) {
    const int width = layout_.picture.Width();
    const int height = layout_.picture.Height();
    for (std::size_t i = 0; i < layout_.keys.size(); ++i) {
        const LayoutKey& key = layout_.keys[i];
        EXPECT_GE(key.rect.left, 0) << key.name;
        EXPECT_GE(key.rect.top, 0) << key.name;
        EXPECT_LE(key.rect.right, width) << key.name;
        EXPECT_LE(key.rect.bottom, height) << key.name;
        EXPECT_GE(key.rect.Width(), 30) << key.name;
        EXPECT_GE(key.rect.Height(), 30) << key.name;
        for (std::size_t k = i + 1; k < layout_.keys.size(); ++k) {
            EXPECT_FALSE(Overlap(key.rect, layout_.keys[k].rect))
                << key.desc << " / " << layout_.keys[k].desc;
        }
    }
}

TEST_P(ShippedLayout, CodesAreKnownUsagesAndKeysAreLabelled) {
    std::set<int> codes;
    for (const LayoutKey& key : layout_.keys) {
        EXPECT_TRUE(IsKnownKeyboardUsage(key.code)) << key.code;
        EXPECT_TRUE(codes.insert(key.code).second) << "code twice: " << key.code;
        EXPECT_FALSE(key.name.empty()) << key.code;
        EXPECT_FALSE(key.desc.empty()) << key.code;
    }
}

TEST_P(ShippedLayout, KeyIndexesAreUniqueAndAddressable) {
    std::set<int> indexes;
    for (const LayoutKey& key : layout_.keys) {
        if (KeyCodeToIndex(key.code) == 0) {
            // Esc sits at matrix index 0, which the file cannot map; the
            // built-in table answers for it.
            EXPECT_EQ(key.keyIndex, 0) << key.name;
            continue;
        }
        EXPECT_GE(key.keyIndex, 1) << key.name;
        EXPECT_LE(key.keyIndex, 127) << key.name;
        EXPECT_TRUE(indexes.insert(key.keyIndex).second) << "index twice: " << key.keyIndex;
    }
    EXPECT_EQ(layout_.codeToIndex.size(), indexes.size());
    EXPECT_EQ(layout_.indexToCode.size(), indexes.size());
}

TEST_P(ShippedLayout, IndexesAgreeWithTheBuiltInTable) {
    for (const LayoutKey& key : layout_.keys) {
        const int builtIn = KeyCodeToIndex(key.code);
        if (builtIn >= 0) {
            EXPECT_EQ(key.keyIndex, builtIn) << key.name << " " << key.desc;
        } else {
            // A key the matrix lacks takes an index no matrix key uses.
            EXPECT_EQ(KeyIndexToCode(key.keyIndex), 0) << key.name;
        }
        EXPECT_EQ(LookupKeyIndex(layout_.codeToIndex, key.code), builtIn >= 0 ? builtIn : key.keyIndex);
    }
}

INSTANTIATE_TEST_SUITE_P(AllModels, ShippedLayout, testing::Values(0, 1, 2, 3, 4, 5, 6, 7, 9, 10),
                         [](const testing::TestParamInfo<int>& info) {
                             std::string name = LayoutNameForNumber(info.param).substr(13);  // "104K"
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) {
                                     c = '_';
                                 }
                             }
                             return "K" + name;
                         });

}  // namespace
}  // namespace vantora
