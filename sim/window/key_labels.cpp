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

// The name of a function type, as the key editor lists it.
std::string TypeName(int functionType) {
    const FunctionTypeEntry* type = FindFunctionType(functionType);
    return type != nullptr ? GetUiString(type->stringId) : std::string();
}

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
        return TypeName(kFunctionDisableKey);
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

std::string WithNumber(int functionType, int number) {
    return TypeName(functionType) + " " + std::to_string(number);
}

}  // namespace

std::string KeyFunctionLabel(std::span<const std::uint8_t, 3> layer, std::span<const std::uint8_t, 3> factory,
                             const std::string& printedName, const UsageNames& names) {
    if (std::equal(layer.begin(), layer.end(), factory.begin())) {
        return printedName;
    }
    const KeyFunctionBytes bytes{layer[0], layer[1], layer[2]};
    for (const auto& shortcut : kShortcutEncodings) {
        const ShortcutFunction* listed = FindShortcutFunction(shortcut.code);
        if (shortcut.bytes == bytes && listed != nullptr) {
            return GetUiString(listed->stringId);
        }
    }
    switch (bytes.functionClass) {
        case kClassKeyboardKey:
            return KeyboardKeyLabel(bytes.byte1, bytes.byte2, names);
        case kClassMouseButton:
        case kClassMouseWheel:
            for (const auto& mouse : kMouseFunctions) {
                if (mouse.bytes == bytes) {
                    return GetUiString(mouse.stringId);
                }
            }
            return TypeName(kFunctionMouse);
        case kClassConsumer: {
            const unsigned usage = bytes.byte1 | (unsigned{bytes.byte2} << 8);
            for (const auto& media : kMultimediaFunctions) {
                if (media.consumerUsage == usage) {
                    return GetUiString(media.stringId);
                }
            }
            return TypeName(kFunctionMultimedia);
        }
        case kClassApplication:
            return WithNumber(kFunctionApplication, bytes.byte1);
        case kClassHostText:
            return WithNumber(kFunctionWebsite, bytes.byte1);
        case kClassMacro:
            return WithNumber(kFunctionMacro, bytes.byte1 + 1);
        case kClassInternal:
            if (bytes.byte1 == 0x01) {
                return "Fn";  // the layer switch
            }
            return HexByte(bytes.functionClass) + " " + HexByte(bytes.byte1);
        default:
            return HexByte(bytes.functionClass);
    }
}

}  // namespace vantora::sim
