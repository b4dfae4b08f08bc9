#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "db/records.h"

namespace vantora {

// Per-key colour tables (the stored per-key colours and the music frame):
// red, green, blue at 3 * key index; 384 bytes used of a zeroed 400-byte
// buffer so that the last block's 56-byte data field stays inside it.
using ColourTable = std::array<std::uint8_t, 400>;

// One key and its colour (0x00BBGGRR: red in the low byte).
struct KeyColourSample {
    int keyCode = 0;
    std::uint32_t colour = 0;
    bool operator==(const KeyColourSample&) const = default;
};

// Writes each key's colour at its key index (layout map first, built-in table
// second); keys without an index are skipped, a later entry for the same key
// wins.
ColourTable BuildColourTable(const std::vector<KeyColourSample>& keys,
                             const std::map<int, int>& layoutCodeToIndex);

// The per-key colour table from the stored t_key_light_data rows.
ColourTable BuildKeyColourTable(const std::vector<KeyColour>& rows,
                                const std::map<int, int>& layoutCodeToIndex);

}  // namespace vantora
