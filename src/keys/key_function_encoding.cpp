#include "keys/key_function_encoding.h"

#include "device/key_index.h"
#include "keys/function_catalogue.h"

namespace vantora {
namespace {

std::uint8_t LowByte(unsigned value) {
    return static_cast<std::uint8_t>(value & 0xFFu);
}
std::uint8_t LowByte(int value) {
    return LowByte(static_cast<unsigned>(value));
}

void Put(std::span<std::uint8_t, 3> slot, const KeyFunctionBytes& bytes) {
    slot[0] = bytes.functionClass;
    slot[1] = bytes.byte1;
    slot[2] = bytes.byte2;
}

bool IsModifierUsage(int usage) {
    return usage >= 224 && usage <= 231;
}

KeyFunctionBytes KeyboardKeyBytes(int key, int modifier) {
    if (modifier != 0) {
        return {kClassKeyboardKey, LowByte(ModifierBit(static_cast<unsigned>(modifier))), LowByte(key)};
    }
    if (IsModifierUsage(key)) {
        // A lone modifier is sent as its bit in the key byte.
        return {kClassKeyboardKey, 0x00, LowByte(ModifierBit(static_cast<unsigned>(key)))};
    }
    return {kClassKeyboardKey, 0x00, LowByte(key)};
}

}  // namespace

void EncodeKeyFunction(const KeyFunctionValues& values, int macroPosition, std::span<std::uint8_t, 3> slot) {
    const int value = values.macroValue;
    switch (values.macroType) {
        case kFunctionDisableKey:
            Put(slot, {kClassKeyboardKey, 0x00, 0x00});
            return;
        case kFunctionKeyboard:
            Put(slot, KeyboardKeyBytes(value, values.macroValue2));
            return;
        case kFunctionMacro:
            if (macroPosition >= 0 && macroPosition <= 0xFF) {
                Put(slot, {kClassMacro, LowByte(macroPosition), 0x01});
            }
            return;
        case kFunctionMouse: {
            const MouseFunction* mouse = FindMouseFunction(value);
            Put(slot, mouse != nullptr ? mouse->bytes : kUnknownMouseBytes);
            return;
        }
        case kFunctionMultimedia: {
            const MultimediaFunction* media = FindMultimediaFunction(value);
            if (media == nullptr) {
                Put(slot, kUnknownMultimediaBytes);
                return;
            }
            Put(slot, {kClassConsumer, LowByte(unsigned{media->consumerUsage}),
                       LowByte(unsigned{media->consumerUsage} >> 8)});
            return;
        }
        case kFunctionWindowsShortcut: {
            const ShortcutEncoding* shortcut = FindShortcutEncoding(value);
            if (shortcut == nullptr) {
                slot[0] = kClassKeyboardKey;
                return;
            }
            Put(slot, shortcut->bytes);
            return;
        }
        case kFunctionApplication:
            Put(slot, {kClassApplication, LowByte(value), 0x00});
            return;
        case kFunctionWebsite:
        case kFunctionSendText:
            Put(slot, {kClassHostText, LowByte(value), 0x00});
            return;
        default:
            return;
    }
}

}  // namespace vantora
