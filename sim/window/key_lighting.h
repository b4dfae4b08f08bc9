#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "device/protocol.h"

namespace vantora::sim {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const Rgb&) const = default;
};

// Where a key sits: its key index (-1: none) and its centre across the
// keyboard, x from 0 (left edge) to 1 (right edge), y from 0 (top) to 1.
struct KeyPlace {
    int index = -1;
    double x = 0;
    double y = 0;
};

inline constexpr int kPerKeyMode = 0;
inline constexpr int kLastLightMode = 22;

// True when the light mode of `settings` changes the keys over time (every
// mode but the per-key mode, the two fixed modes and unknown modes, and
// none at brightness 0).
bool LightAnimates(std::span<const std::uint8_t, protocol::kSettingsSize> settings);

// The colour of every place at `ms` milliseconds, as the keyboard shows its
// light mode: mode byte 2, brightness 3 (0 to 100), speed 4 (0 fastest to 4
// slowest), direction 5, colourful 6 and the single colour in bytes 8 to 10.
// The per-key mode shows `keyColours`; an unknown mode leaves the keys dark;
// a key without an index is always dark.
std::vector<Rgb> LightKeys(std::span<const std::uint8_t, protocol::kSettingsSize> settings,
                           std::span<const std::uint8_t, protocol::kKeyColoursSize> keyColours,
                           std::span<const KeyPlace> places, std::uint64_t ms);

// The colours of a streamed music frame, as received (3 bytes per key index).
std::vector<Rgb> MusicKeys(std::span<const std::uint8_t, protocol::kMusicFrameSize> frame,
                           std::span<const KeyPlace> places);

}  // namespace vantora::sim
