#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace vantora {

// The names that choose a keyboard layout (XKB's rules, model, layout,
// variant and options); empty parts take XKB's defaults.
struct KeyboardLayoutNames {
    std::string rules;
    std::string model;
    std::string layout;
    std::string variant;
    std::string options;
};

// The layout of the user's session as far as a program can tell without
// the compositor: XKB_DEFAULT_RULES/MODEL/LAYOUT/VARIANT/OPTIONS where set
// (compositors such as sway take their layout from these too), else the
// system's keyboard settings (`defaultsFile`, Debian's XKBLAYOUT=... lines).
KeyboardLayoutNames SessionLayoutNames(const std::string& defaultsFile = "/etc/default/keyboard");

// One character as keys: the modifier keys held while `key` is pressed
// (Linux input event codes, as in <linux/input-event-codes.h>).
struct KeyStroke {
    std::vector<std::uint16_t> modifiers;
    std::uint16_t key = 0;

    bool operator==(const KeyStroke&) const = default;
};

// A text as keys: the strokes in order, and the characters that the layout
// cannot produce with one key and its modifiers (each once, in order of
// first appearance), which are left out of the strokes.
struct TypingPlan {
    std::vector<KeyStroke> strokes;
    std::u32string missing;
};

// The keys of one group (layout) of a keymap: which key and modifiers give
// a character. Line breaks are Return, tabs Tab.
class LayoutKeys {
public:
    // The first group of the keymap the names choose. Null, with the reason
    // in `error`, when XKB cannot make the keymap.
    static std::unique_ptr<LayoutKeys> Create(const KeyboardLayoutNames& names, std::string& error);
    // The given group of a keymap in XKB's text form (the first one when the
    // keymap has no such group). Null, with the reason in `error`, when XKB
    // cannot read the text.
    static std::unique_ptr<LayoutKeys> FromKeymapText(std::string_view text, std::uint32_t group,
                                                      std::string& error);
    ~LayoutKeys();
    LayoutKeys(const LayoutKeys&) = delete;
    LayoutKeys& operator=(const LayoutKeys&) = delete;

    // The fewest modifiers that give `c`; nothing when no key does.
    std::optional<KeyStroke> StrokeFor(char32_t c) const;
    // The UTF-8 text as keys; bytes that are not UTF-8 count as U+FFFD.
    TypingPlan Plan(std::string_view utf8) const;

private:
    LayoutKeys(xkb_context* context, xkb_keymap* keymap, std::uint32_t group);
    // A state of the keymap with the group in use and no modifiers.
    xkb_state* NewState() const;

    xkb_context* context_;
    xkb_keymap* keymap_;
    std::uint32_t group_;
    // For each of the keymap's modifiers, the key that sets it (0: none).
    std::vector<std::uint16_t> modifierKeys_;
};

}  // namespace vantora
