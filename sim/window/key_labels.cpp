#include "sim/window/key_labels.h"

#include <algorithm>
#include <bit>
#include <cstdio>

#include "device/key_index.h"
#include "device/protocol.h"
#include "i18n/strings.h"
#include "keys/function_catalogue.h"

namespace vantora::sim {

namespace {

// The modifier byte's bits, from bit 0 (Left Ctrl) to bit 7 (Right GUI).
constexpr const char* kModifierNames[8] = {"Ctrl", "Shift", "Alt", "Win", "RCtrl", "RShift", "RAlt", "RWin"};

constexpr int kMacroStringId = 117;
constexpr int kApplicationStringId = 121;
constexpr int kWebsiteOrTextStringId = 122;
constexpr int kDisabledStringId = 124;

std::string HexByte(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(value) & 0xFFu);
    return text;
}

std::string UsageName(int usage, const UsageNames& names) {
    if (auto found = names.find(usage); found != names.end() && !found->second.empty()) {
        return found->second;
    }
    for (const auto& key : BuiltInKeyMatrix()) {
        if (key.code == usage && !key.name.empty()) {
            return std::string(key.name);
        }
    }
    return {};
}

std::string ModifierNames(std::uint8_t bits) {
    std::string text;
    for (int bit = 0; bit < 8; ++bit) {
        if (bits & (1u << bit)) {
            text += text.empty() ? "" : "+";
            text += kModifierNames[bit];
        }
    }
    return text;
}

std::string KeyboardKeyLabel(std::uint8_t modifiers, std::uint8_t usage, const UsageNames& names) {
    if (modifiers == 0 && usage == 0) {
        return GetUiString(kDisabledStringId);
    }
    std::string key = UsageName(usage, names);
    if (modifiers == 0 && key.empty() && std::has_single_bit(unsigned{usage})) {
        return ModifierNames(usage);  // a lone modifier travels as its bit
    }
    if (key.empty()) {
        key = usage == 0 ? std::string() : HexByte(usage);
    }
    std::string mods = ModifierNames(modifiers);
    return mods.empty() ? key : key.empty() ? mods : mods + "+" + key;
}

std::string WithNumber(int stringId, int number) {
    return GetUiString(stringId) + " " + std::to_string(number);
}

}  // namespace

std::string KeyFunctionLabel(std::span<const std::uint8_t, 3> layer, std::span<const std::uint8_t, 3> factory,
                             const std::string& printedName, const UsageNames& names) {
    if (std::equal(layer.begin(), layer.end(), factory.begin())) {
        return printedName;
    }
    const KeyFunctionBytes bytes{layer[0], layer[1], layer[2]};
    switch (bytes.functionClass) {
        case kClassKeyboardKey:
            for (const auto& shortcut : kShortcutEncodings) {
                if (shortcut.bytes == bytes) {
                    if (const ShortcutFunction* known = FindShortcutFunction(shortcut.code)) {
                        return GetUiString(known->stringId);
                    }
                }
            }
            return KeyboardKeyLabel(bytes.byte1, bytes.byte2, names);
        case kClassMouseButton:
        case kClassMouseWheel:
            for (const auto& mouse : kMouseFunctions) {
                if (mouse.bytes == bytes) {
                    return GetUiString(mouse.stringId);
                }
            }
            return GetUiString(118);  // "Mouse"
        case kClassConsumer: {
            const unsigned usage = bytes.byte1 | (unsigned{bytes.byte2} << 8);
            for (const auto& media : kMultimediaFunctions) {
                if (media.consumerUsage == usage) {
                    return GetUiString(media.stringId);
                }
            }
            return GetUiString(119);  // "Multimedia"
        }
        case kClassApplication:
            return WithNumber(kApplicationStringId, bytes.byte1);
        case kClassHostText:
            return WithNumber(kWebsiteOrTextStringId, bytes.byte1);
        case kClassMacro:
            return WithNumber(kMacroStringId, bytes.byte1 + 1);
        case kClassInternal:
            if (bytes.byte1 == 0x01) {
                return "Fn";
            }
            if (const ShortcutFunction* known = FindShortcutFunction(kShortcutSwitchWindows);
                known != nullptr && bytes == FindShortcutEncoding(kShortcutSwitchWindows)->bytes) {
                return GetUiString(known->stringId);
            }
            return HexByte(bytes.functionClass) + " " + HexByte(bytes.byte1);
        default:
            return HexByte(bytes.functionClass);
    }
}

}  // namespace vantora::sim
