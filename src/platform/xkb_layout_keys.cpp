#include "platform/xkb_layout_keys.h"

#include "text/utf8.h"

#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <fstream>

namespace vantora {
namespace {

// XKB numbers keys as the kernel does, plus 8.
constexpr xkb_keycode_t kEvdevOffset = 8;

// The keys that may serve as modifiers, in order of preference: Shift,
// AltGr (the third level of most layouts), Control, Alt, Super, and the
// right-hand ones.
constexpr std::uint16_t kModifierCandidates[] = {42, 100, 29, 56, 125, 54, 97, 126};

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// `KEY="value"` of a shell-style settings file, quotes taken off.
std::string ShellValue(const std::string& file, const std::string& key) {
    std::ifstream in(file);
    std::string line;
    std::string value;
    while (std::getline(in, line)) {
        const auto start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, key.size() + 1, key + "=") != 0) {
            continue;
        }
        value = line.substr(start + key.size() + 1);
        while (!value.empty() && (value.back() == '\r' || value.back() == ' ' || value.back() == '\t')) {
            value.pop_back();
        }
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
    }
    return value;
}

xkb_keysym_t KeysymOf(char32_t c) {
    switch (c) {
        case U'\n':
        case U'\r':
            return XKB_KEY_Return;
        case U'\t':
            return XKB_KEY_Tab;
        default:
            return xkb_utf32_to_keysym(static_cast<std::uint32_t>(c));
    }
}

}  // namespace

KeyboardLayoutNames SessionLayoutNames(const std::string& defaultsFile) {
    KeyboardLayoutNames names{Env("XKB_DEFAULT_RULES"), Env("XKB_DEFAULT_MODEL"), Env("XKB_DEFAULT_LAYOUT"),
                              Env("XKB_DEFAULT_VARIANT"), Env("XKB_DEFAULT_OPTIONS")};
    if (!names.layout.empty()) {
        return names;
    }
    names.model = ShellValue(defaultsFile, "XKBMODEL");
    names.layout = ShellValue(defaultsFile, "XKBLAYOUT");
    names.variant = ShellValue(defaultsFile, "XKBVARIANT");
    names.options = ShellValue(defaultsFile, "XKBOPTIONS");
    return names;
}

std::unique_ptr<LayoutKeys> LayoutKeys::Create(const KeyboardLayoutNames& names, std::string& error) {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    if (context == nullptr) {
        error = "XKB could not start";
        return nullptr;
    }
    const auto orNull = [](const std::string& s) { return s.empty() ? nullptr : s.c_str(); };
    const xkb_rule_names rmlvo{orNull(names.rules), orNull(names.model), orNull(names.layout),
                               orNull(names.variant), orNull(names.options)};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &rmlvo, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (keymap == nullptr) {
        xkb_context_unref(context);
        error = "no keyboard layout \"" + names.layout +
                (names.variant.empty() ? "" : "(" + names.variant + ")") + "\" in XKB's data";
        return nullptr;
    }
    return std::unique_ptr<LayoutKeys>(new LayoutKeys(context, keymap, 0));
}

std::unique_ptr<LayoutKeys> LayoutKeys::FromKeymapText(std::string_view text, std::uint32_t group,
                                                       std::string& error) {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    if (context == nullptr) {
        error = "XKB could not start";
        return nullptr;
    }
    xkb_keymap* keymap = xkb_keymap_new_from_buffer(context, text.data(), text.size(),
                                                    XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (keymap == nullptr) {
        xkb_context_unref(context);
        error = "XKB could not read the keymap";
        return nullptr;
    }
    if (group >= xkb_keymap_num_layouts(keymap)) {
        group = 0;
    }
    return std::unique_ptr<LayoutKeys>(new LayoutKeys(context, keymap, group));
}

LayoutKeys::LayoutKeys(xkb_context* context, xkb_keymap* keymap, std::uint32_t group)
    : context_(context), keymap_(keymap), group_(group), modifierKeys_(xkb_keymap_num_mods(keymap), 0) {
    // Which modifier each candidate key sets, as the keymap has it.
    for (std::uint16_t key : kModifierCandidates) {
        xkb_state* state = NewState();
        xkb_state_update_key(state, key + kEvdevOffset, XKB_KEY_DOWN);
        const xkb_mod_mask_t mods = xkb_state_serialize_mods(state, XKB_STATE_MODS_DEPRESSED);
        xkb_state_unref(state);
        for (std::size_t i = 0; i < modifierKeys_.size() && i < 32; ++i) {
            if ((mods & (1u << i)) != 0 && modifierKeys_[i] == 0) {
                modifierKeys_[i] = key;
            }
        }
    }
}

xkb_state* LayoutKeys::NewState() const {
    xkb_state* state = xkb_state_new(keymap_);
    xkb_state_update_mask(state, 0, 0, 0, 0, 0, group_);
    return state;
}

LayoutKeys::~LayoutKeys() {
    xkb_keymap_unref(keymap_);
    xkb_context_unref(context_);
}

std::optional<KeyStroke> LayoutKeys::StrokeFor(char32_t c) const {
    const xkb_keysym_t wanted = KeysymOf(c);
    if (wanted == XKB_KEY_NoSymbol) {
        return std::nullopt;
    }
    std::optional<KeyStroke> best;
    const xkb_keycode_t last = xkb_keymap_max_keycode(keymap_);
    for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap_); code <= last; ++code) {
        if (code < kEvdevOffset || code - kEvdevOffset > 0xFFFF) {
            continue;
        }
        const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap_, code, group_);
        for (xkb_level_index_t level = 0; level < levels; ++level) {
            const xkb_keysym_t* syms = nullptr;
            if (xkb_keymap_key_get_syms_by_level(keymap_, code, group_, level, &syms) != 1 ||
                syms[0] != wanted) {
                continue;
            }
            xkb_mod_mask_t masks[8];
            const std::size_t count =
                xkb_keymap_key_get_mods_for_level(keymap_, code, group_, level, masks, 8);
            for (std::size_t m = 0; m < count; ++m) {
                KeyStroke stroke;
                stroke.key = static_cast<std::uint16_t>(code - kEvdevOffset);
                bool reachable = true;
                for (std::size_t i = 0; i < modifierKeys_.size() && i < 32 && reachable; ++i) {
                    if ((masks[m] & (1u << i)) != 0) {
                        reachable = modifierKeys_[i] != 0;
                        stroke.modifiers.push_back(modifierKeys_[i]);
                    }
                }
                if (!reachable) {
                    continue;
                }
                // What the keys give when pressed this way (the level's
                // modifiers may be a lock, or consumed otherwise).
                xkb_state* state = NewState();
                for (std::uint16_t modifier : stroke.modifiers) {
                    xkb_state_update_key(state, modifier + kEvdevOffset, XKB_KEY_DOWN);
                }
                const bool gives = xkb_state_key_get_one_sym(state, code) == wanted;
                xkb_state_unref(state);
                if (gives && (!best || stroke.modifiers.size() < best->modifiers.size())) {
                    best = stroke;
                }
            }
        }
    }
    return best;
}

TypingPlan LayoutKeys::Plan(std::string_view utf8) const {
    TypingPlan plan;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t c = NextUtf8(utf8, pos);
        if (c == kInvalidUtf8) {
            c = U'\uFFFD';
        }
        if (c == U'\r' && pos < utf8.size() && utf8[pos] == '\n') {
            continue;  // a Windows line break is one Return
        }
        if (auto stroke = StrokeFor(c)) {
            plan.strokes.push_back(std::move(*stroke));
        } else if (plan.missing.find(c) == std::u32string::npos) {
            plan.missing.push_back(c);
        }
    }
    return plan;
}

}  // namespace vantora
