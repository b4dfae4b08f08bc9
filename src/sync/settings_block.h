#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "db/records.h"

namespace vantora {

// The keyboard's settings block is 56 data bytes; the host rewrites the light
// mode (offsets 2 to 10) and the system switches (offset 17) and sends every
// other byte back as read.
inline constexpr std::size_t kSettingsBytes = 56;
inline constexpr std::size_t kSettingsSwitchOffset = 17;

// The system switches stored in t_config_data and their bits at offset 17.
inline constexpr const char* kSwitchDisableWin = "disable_win";
inline constexpr const char* kSwitchDisableAltTab = "disable_alttab";
inline constexpr const char* kSwitchDisableAltF4 = "disable_altf4";
inline constexpr std::uint8_t kSwitchBitWin = 0x01;
inline constexpr std::uint8_t kSwitchBitAltTab = 0x02;
inline constexpr std::uint8_t kSwitchBitAltF4 = 0x04;

// A switch is on only when its stored text is exactly "1".
bool SwitchIsOn(const std::string& stored);
std::uint8_t SwitchBits(const std::string& disableWin, const std::string& disableAltTab,
                        const std::string& disableAltF4);

// Writes the light values and the switch bits over the data field of a
// settings block. `row` is the t_light_data row of `lightMode`, or nothing
// when the mode has no row (every value 0, so the speed byte becomes 4).
// Stored speeds outside 0..4 are clamped into it.
void PatchSettingsBlock(std::span<std::uint8_t, kSettingsBytes> data, int lightMode,
                        const std::optional<LightMode>& row, std::uint8_t switchBits);

}  // namespace vantora
