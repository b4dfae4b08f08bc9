#include "sync/settings_block.h"

#include <algorithm>

namespace vantora {
namespace {

std::uint8_t LowByte(int value) {
    return static_cast<std::uint8_t>(static_cast<unsigned>(value) & 0xFFu);
}

}  // namespace

bool SwitchIsOn(const std::string& stored) {
    return stored == "1";
}

std::uint8_t SwitchBits(const std::string& disableWin, const std::string& disableAltTab,
                        const std::string& disableAltF4) {
    std::uint8_t bits = 0;
    if (SwitchIsOn(disableWin)) {
        bits |= kSwitchBitWin;
    }
    if (SwitchIsOn(disableAltTab)) {
        bits |= kSwitchBitAltTab;
    }
    if (SwitchIsOn(disableAltF4)) {
        bits |= kSwitchBitAltF4;
    }
    return bits;
}

void PatchSettingsBlock(std::span<std::uint8_t, kSettingsBytes> data, int lightMode,
                        const std::optional<LightMode>& row, std::uint8_t switchBits) {
    const LightMode values = row.value_or(LightMode{});
    const auto colour = static_cast<unsigned>(values.color_value);
    data[2] = LowByte(lightMode);
    data[3] = LowByte(values.brightness);
    data[4] = LowByte(4 - std::clamp(values.speed, 0, 4));
    data[5] = LowByte(values.direction);
    data[6] = LowByte(values.colorful);
    data[7] = LowByte(values.colorindex);
    data[8] = static_cast<std::uint8_t>(colour & 0xFFu);
    data[9] = static_cast<std::uint8_t>((colour >> 8) & 0xFFu);
    data[10] = static_cast<std::uint8_t>((colour >> 16) & 0xFFu);
    data[kSettingsSwitchOffset] = switchBits;
}

}  // namespace vantora
