// Keys for characters under a US and two non-US layouts (XKB's own data),
// from a keymap's text as a compositor sends it, and where the session's
// layout is read from.
#include "platform/xkb_layout_keys.h"

#include <gtest/gtest.h>
#include <xkbcommon/xkbcommon.h>
#include <cstdlib>

#include "support/env_guard.h"
#include "support/temp_dir.h"

namespace vantora {
namespace {

// Linux key codes: the keys by their place on a US keyboard.
constexpr std::uint16_t kShift = 42;
constexpr std::uint16_t kAltGr = 100;
constexpr std::uint16_t kKey2 = 3;
constexpr std::uint16_t kKey0 = 11;
constexpr std::uint16_t kKeyA = 30;
constexpr std::uint16_t kKeyQ = 16;
constexpr std::uint16_t kKeyW = 17;
constexpr std::uint16_t kKeyY = 21;
constexpr std::uint16_t kKeyZ = 44;
constexpr std::uint16_t kReturn = 28;

KeyboardLayoutNames Layout(const char* layout) {
    KeyboardLayoutNames names;
    names.layout = layout;
    return names;
}

struct Case {
    const char* layout;
    char32_t c;
    std::optional<KeyStroke> stroke;
};

TEST(LayoutKeysTest, CharactersGetTheKeysAndModifiersOfTheLayout) {
    const Case cases[] = {
        {"us", U'z', KeyStroke{{}, kKeyZ}},
        {"us", U'@', KeyStroke{{kShift}, kKey2}},
        {"us", U'é', std::nullopt},
        {"us", U'\n', KeyStroke{{}, kReturn}},
        {"de", U'z', KeyStroke{{}, kKeyY}},
        {"de", U'@', KeyStroke{{kAltGr}, kKeyQ}},
        {"de", U'é', std::nullopt},  // only through a dead key
        {"fr", U'z', KeyStroke{{}, kKeyW}},
        {"fr", U'é', KeyStroke{{}, kKey2}},
        {"fr", U'@', KeyStroke{{kAltGr}, kKey0}},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto keys = LayoutKeys::Create(Layout(c.layout), error);
        ASSERT_NE(keys, nullptr) << error;
        EXPECT_EQ(keys->StrokeFor(c.c), c.stroke) << c.layout << " U+" << std::hex << static_cast<int>(c.c);
    }
}

TEST(LayoutKeysTest, APlanKeepsTheOrderAndNamesEachMissingCharacterOnce) {
    std::string error;
    const auto keys = LayoutKeys::Create(Layout("us"), error);
    ASSERT_NE(keys, nullptr) << error;
    const TypingPlan plan = keys->Plan("zé\r\nzéж\xff");
    EXPECT_EQ(plan.strokes, (std::vector<KeyStroke>{{{}, kKeyZ}, {{}, kReturn}, {{}, kKeyZ}}));
    EXPECT_EQ(plan.missing, U"éж\uFFFD");
}

TEST(LayoutKeysTest, AnUnknownLayoutIsRefusedWithItsName) {
    std::string error;
    EXPECT_EQ(LayoutKeys::Create(Layout("no-such-layout"), error), nullptr);
    EXPECT_NE(error.find("no-such-layout"), std::string::npos) << error;
}

// The keymap the names choose, in XKB's text form.
std::string KeymapText(const char* layout) {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    const xkb_rule_names names{nullptr, nullptr, layout, nullptr, nullptr};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    char* text = keymap != nullptr ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
    std::string result = text != nullptr ? text : "";
    std::free(text);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return result;
}

TEST(LayoutKeysTest, AKeymapsTextGivesTheKeysOfTheChosenGroupAndBadTextIsRefused) {
    struct GroupCase {
        const char* layouts;
        std::uint32_t group;
        std::uint16_t keyForA;
    };
    // A group the keymap does not have means its first.
    for (const GroupCase& c : {GroupCase{"fr", 0, kKeyQ}, GroupCase{"us,fr", 1, kKeyQ},
                               GroupCase{"us,fr", 0, kKeyA}, GroupCase{"fr", 3, kKeyQ}}) {
        const std::string text = KeymapText(c.layouts);
        ASSERT_FALSE(text.empty()) << c.layouts;
        std::string error;
        const auto keys = LayoutKeys::FromKeymapText(text, c.group, error);
        ASSERT_NE(keys, nullptr) << error;
        EXPECT_EQ(keys->StrokeFor(U'a'), (KeyStroke{{}, c.keyForA})) << c.layouts << " group " << c.group;
    }
    std::string error;
    EXPECT_EQ(LayoutKeys::FromKeymapText("xkb_keymap { nonsense", 0, error), nullptr);
    EXPECT_EQ(error, "XKB could not read the keymap");
}

TEST(LayoutKeysTest, TheSessionsLayoutComesFromXkbsVariablesElseTheSystemsSettings) {
    test::TempDir dir;
    test::EnvGuard env;
    const std::string file =
        dir.WriteFile("keyboard", "XKBMODEL=\"pc105\"\nXKBLAYOUT=\"fr\"\nXKBVARIANT=\"\"\n");
    for (const char* name : {"XKB_DEFAULT_RULES", "XKB_DEFAULT_MODEL", "XKB_DEFAULT_LAYOUT",
                             "XKB_DEFAULT_VARIANT", "XKB_DEFAULT_OPTIONS"}) {
        env.Unset(name);
    }
    KeyboardLayoutNames names = SessionLayoutNames(file);
    EXPECT_EQ(names.layout, "fr");
    EXPECT_EQ(names.model, "pc105");
    env.Set("XKB_DEFAULT_LAYOUT", "de");
    env.Set("XKB_DEFAULT_VARIANT", "nodeadkeys");
    names = SessionLayoutNames(file);
    EXPECT_EQ(names.layout, "de");
    EXPECT_EQ(names.variant, "nodeadkeys");
    EXPECT_EQ(names.model, "");
}

}  // namespace
}  // namespace vantora
