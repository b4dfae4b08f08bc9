#include "model/model.h"

#include <algorithm>

namespace vantora::model {

Profile* Model::FindProfile(int id) {
    for (Profile& profile : profiles) {
        if (profile.id == id) {
            return &profile;
        }
    }
    return nullptr;
}

const Profile* Model::ActiveProfile() const {
    for (const Profile& profile : profiles) {
        if (profile.id == active) {
            return &profile;
        }
    }
    return nullptr;
}

Macro* Model::FindMacro(int id) {
    for (Macro& macro : macros) {
        if (macro.id == id) {
            return &macro;
        }
    }
    return nullptr;
}

std::optional<std::array<std::uint8_t, 3>> EncodeFunction(const KeyFunction& function,
                                                          const std::map<int, int>& heldPositions) {
    using Bytes = std::array<std::uint8_t, 3>;
    switch (function.fn) {
        case Fn::kDisable:
            return Bytes{0x10, 0x00, 0x00};
        case Fn::kKeyA:
            return Bytes{0x10, 0x00, 0x04};
        case Fn::kKeyBCtrl:
            return Bytes{0x10, 0x01, 0x05};
        case Fn::kShiftAlone:
            return Bytes{0x10, 0x00, 0x02};
        case Fn::kMouseLeft:
            return Bytes{0x20, 0x01, 0x00};
        case Fn::kScrollUp:
            return Bytes{0x21, 0x00, 0x01};
        case Fn::kMediaPlay:
            return Bytes{0x30, 0xCD, 0x00};
        case Fn::kSwitchWin:
            return Bytes{0xF0, 0xA6, 0x00};
        case Fn::kShortcut1:
            return Bytes{0x10, 0x08, 0x07};
        case Fn::kMacro: {
            // A macro the memory does not hold (deleted, or no room) leaves
            // the key at its default function.
            const auto held = heldPositions.find(function.macroId);
            if (held == heldPositions.end()) {
                return std::nullopt;
            }
            return Bytes{0x70, static_cast<std::uint8_t>(held->second), 0x01};
        }
        case Fn::kProgram:
            return Bytes{0x50, 0x00, 0x00};
        case Fn::kWeb:
        case Fn::kText:
            return Bytes{0x60, 0x00, 0x00};
        case Fn::kCount:
            break;
    }
    return std::nullopt;
}

std::map<int, int> HeldMacroPositions(const std::vector<Macro>& macros) {
    constexpr int kSlots = 32;
    constexpr int kRecordRoom = 880;
    std::map<int, int> held;
    int used = 0;
    for (int position = 0; position < static_cast<int>(macros.size()) && position < kSlots; ++position) {
        const int count = static_cast<int>(macros[static_cast<std::size_t>(position)].records.size());
        if (used + count <= kRecordRoom) {
            used += count;
            held[macros[static_cast<std::size_t>(position)].id] = position;
        }
    }
    return held;
}

namespace {

// The HID usage of the virtual keys the generated records use.
std::uint8_t UsageOfVirtualKey(int value) {
    switch (value) {
        case 0x41:
            return 0x04;  // A
        case 0x42:
            return 0x05;  // B
        case 0x20:
            return 0x2C;  // Space
        case 0xA0:
            return 0xE1;  // Left Shift
        default:
            return 0x00;
    }
}

}  // namespace

std::array<std::uint8_t, 4> EncodeRecord(const Record& record, bool last) {
    const int delay = std::clamp(record.delay <= 0 ? 1 : record.delay, 1, 0xFFFF);
    std::array<std::uint8_t, 4> bytes{static_cast<std::uint8_t>(delay & 0xFF),
                                      static_cast<std::uint8_t>(delay >> 8), 0, 0};
    const bool modifierCode = record.value >= 224 && record.value <= 231;
    switch (record.type) {
        case 2:
            bytes[2] = static_cast<std::uint8_t>(0x40 | (modifierCode ? 0x01 : 0x02));
            bytes[3] = UsageOfVirtualKey(record.value);
            break;
        case 3:
            bytes[2] = static_cast<std::uint8_t>((modifierCode ? 0x01 : 0x02) | (last ? 0x80 : 0x00));
            bytes[3] = UsageOfVirtualKey(record.value);
            break;
        case 4:
            bytes[2] = 0xC2;
            bytes[3] = static_cast<std::uint8_t>(record.value & 0xFF);
            break;
        case 5:
            bytes[2] = 0x82;
            bytes[3] = static_cast<std::uint8_t>(record.value & 0xFF);
            break;
        default:
            break;
    }
    return bytes;
}

}  // namespace vantora::model
