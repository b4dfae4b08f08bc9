#pragma once

#include <array>
#include <cstdint>

#include "device/protocol.h"
#include "sim/sim_keyboard_server.h"

namespace vantora::sim {

// A copy of what the simulated keyboard shows, taken in one go under the
// model's lock, so the window draws without touching the model.
struct KeyboardSnapshot {
    std::array<std::uint8_t, protocol::kSettingsSize> settings{};
    std::array<std::uint8_t, protocol::kKeyTableSize> keys{};
    std::array<std::uint8_t, protocol::kKeyTableSize> defaultKeys{};
    std::array<std::uint8_t, protocol::kKeyColoursSize> keyColours{};
    std::array<std::uint8_t, protocol::kMusicFrameSize> musicFrame{};
    bool plugged = false;
    bool inTransaction = false;
    int reportsReceived = 0;
    int streamBlocksReceived = 0;
    bool showsMusicFrame = false;

    bool operator==(const KeyboardSnapshot&) const = default;
};

KeyboardSnapshot TakeSnapshot(SimKeyboardServer& server);

}  // namespace vantora::sim
