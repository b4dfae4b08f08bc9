#include "keys/function_catalogue.h"

#include "device/key_index.h"
#include "i18n/strings.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <vector>

namespace vantora {
namespace {

constexpr int kEnglish = 1033;
constexpr int kChinese = 2052;

class LanguageScope {
public:
    explicit LanguageScope(int language) : saved_(CurrentUiLanguage.load()) { CurrentUiLanguage = language; }
    ~LanguageScope() { CurrentUiLanguage = saved_; }

private:
    int saved_;
};

std::vector<int> CodesOf(const std::vector<CatalogueItem>& items) {
    std::vector<int> codes;
    for (const CatalogueItem& item : items) {
        codes.push_back(item.code);
    }
    return codes;
}

std::vector<int> AllStringIds() {
    std::vector<int> ids;
    for (const auto& entry : kFunctionTypes) {
        ids.push_back(entry.stringId);
    }
    for (const auto& entry : kMouseFunctions) {
        ids.push_back(entry.stringId);
    }
    for (const auto& entry : kMultimediaFunctions) {
        ids.push_back(entry.stringId);
    }
    for (const auto& entry : kShortcutFunctions) {
        ids.push_back(entry.stringId);
    }
    return ids;
}

TEST(FunctionCatalogueTest, FunctionTypeListOrder) {
    LanguageScope english(kEnglish);
    const std::vector<CatalogueItem> items = FunctionTypeItems();
    EXPECT_EQ(CodesOf(items), (std::vector<int>{0, 2, 3, 5, 6, 7, 8, 9, 10, 1}));
    ASSERT_EQ(items.size(), 10u);
    EXPECT_EQ(items.front().text, "Default");
    EXPECT_EQ(items[5].text, "Windows Shortcut");
    EXPECT_EQ(items.back().text, "Disable Key");
    EXPECT_EQ(FunctionTypePosition(kFunctionDisableKey), 9);
    EXPECT_EQ(FunctionTypePosition(kFunctionKeyboard), 1);
}

TEST(FunctionCatalogueTest, EveryEntryHasAnEnglishText) {
    std::set<int> ids;
    for (int id : AllStringIds()) {
        EXPECT_TRUE(ids.insert(id).second) << "id " << id << " used twice";
        const std::string& text = GetUiString(id, kEnglish);
        EXPECT_NE(text, "ENG") << id;
        EXPECT_FALSE(text.empty()) << id;
    }
    EXPECT_EQ(ids.size(), 10u + 7u + 7u + 8u);
}

TEST(FunctionCatalogueTest, ListsFollowTheCurrentLanguage) {
    std::string english;
    {
        LanguageScope scope(kEnglish);
        english = FunctionTypeItems()[9].text;
    }
    LanguageScope chinese(kChinese);
    const std::vector<CatalogueItem> items = FunctionTypeItems();
    EXPECT_EQ(items[9].text, GetUiString(124, kChinese));
    EXPECT_NE(items[9].text, english);
    EXPECT_EQ(FunctionSubListItems(kFunctionMouse)[0].text, GetUiString(151, kChinese));
}

TEST(FunctionCatalogueTest, SubListsInOrderAndOnlyForTheirTypes) {
    LanguageScope english(kEnglish);
    EXPECT_EQ(CodesOf(FunctionSubListItems(kFunctionMouse)), (std::vector<int>{1, 2, 3, 5, 6, 7, 8}));
    EXPECT_EQ(CodesOf(FunctionSubListItems(kFunctionMultimedia)), (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(CodesOf(FunctionSubListItems(kFunctionWindowsShortcut)),
              (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(FunctionSubListItems(kFunctionWindowsShortcut)[4].text, "Switch Windows");
    for (int type : {0, 1, 2, 3, 4, 8, 9, 10, 11, -1}) {
        EXPECT_TRUE(FunctionSubListItems(type).empty()) << type;
    }
}

TEST(FunctionCatalogueTest, UnknownCodesAreNotFound) {
    for (int code : {4, 11, -1, INT_MIN, INT_MAX}) {
        EXPECT_EQ(FindFunctionType(code), nullptr) << code;
        EXPECT_EQ(FunctionTypePosition(code), -1) << code;
        EXPECT_FALSE(IsHostSideFunction(code));
    }
    EXPECT_EQ(FindMouseFunction(4), nullptr);
    EXPECT_EQ(FindMouseFunction(0), nullptr);
    EXPECT_EQ(FindMouseFunction(9), nullptr);
    EXPECT_EQ(FindMultimediaFunction(0), nullptr);
    EXPECT_EQ(FindMultimediaFunction(8), nullptr);
    for (int code : {0, 9, 10, 11, 12, -1}) {
        EXPECT_EQ(FindShortcutFunction(code), nullptr) << code;
    }
    EXPECT_EQ(FindShortcutEncoding(9), nullptr);
    EXPECT_EQ(FindShortcutEncoding(12), nullptr);
    ASSERT_NE(FindShortcutEncoding(10), nullptr);  // known to the keyboard, offered by no list
    ASSERT_NE(FindShortcutEncoding(11), nullptr);
}

TEST(FunctionCatalogueTest, OnlyApplicationWebsiteAndTextRunOnTheComputer) {
    std::set<int> hostSide;
    for (const auto& entry : kFunctionTypes) {
        if (IsHostSideFunction(entry.code)) {
            hostSide.insert(entry.code);
        }
    }
    EXPECT_EQ(hostSide, (std::set<int>{8, 9, 10}));
    EXPECT_EQ(FindFunctionType(kFunctionDefault)->runner, FunctionRunner::kNothing);
}

// The list's combinations and the bytes the keyboard receives must describe the same keys.
TEST(FunctionCatalogueTest, ShortcutCombinationsMatchTheirEncoding) {
    for (const ShortcutFunction& shortcut : kShortcutFunctions) {
        const ShortcutEncoding* encoding = FindShortcutEncoding(shortcut.code);
        ASSERT_NE(encoding, nullptr) << shortcut.code;
        if (shortcut.code == kShortcutSwitchWindows) {
            EXPECT_EQ(encoding->bytes.functionClass, kClassInternal);
            continue;
        }
        EXPECT_GE(shortcut.modifierUsage, 224);
        EXPECT_LE(shortcut.modifierUsage, 231);
        const KeyFunctionBytes expected = {kClassKeyboardKey,
                                           static_cast<std::uint8_t>(ModifierBit(shortcut.modifierUsage)),
                                           static_cast<std::uint8_t>(shortcut.keyUsage)};
        EXPECT_EQ(encoding->bytes, expected) << shortcut.code;
    }
}

TEST(FunctionCatalogueTest, MouseButtonsAreDistinctSingleBits) {
    std::set<int> bits;
    for (const MouseFunction& mouse : kMouseFunctions) {
        if (mouse.bytes.functionClass == kClassMouseButton) {
            const int bit = mouse.bytes.byte1;
            EXPECT_NE(bit, 0);
            EXPECT_EQ(bit & (bit - 1), 0) << mouse.code;
            EXPECT_TRUE(bits.insert(bit).second) << mouse.code;
            EXPECT_EQ(mouse.bytes.byte2, 0);
        } else {
            EXPECT_EQ(mouse.bytes.functionClass, kClassMouseWheel);
            EXPECT_EQ(mouse.bytes.byte1, 0);
        }
    }
    EXPECT_EQ(bits.size(), 5u);
}

}  // namespace
}  // namespace vantora
