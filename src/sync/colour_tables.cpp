#include "sync/colour_tables.h"

#include "device/key_index.h"

namespace vantora {

ColourTable BuildColourTable(const std::vector<KeyColourSample>& keys,
                             const std::map<int, int>& layoutCodeToIndex) {
    ColourTable table{};
    for (const KeyColourSample& key : keys) {
        const int index = LookupKeyIndex(layoutCodeToIndex, key.keyCode);
        if (index < 0 || index >= kKeyIndexCount) {
            continue;
        }
        const std::size_t offset = 3 * static_cast<std::size_t>(index);
        table[offset] = static_cast<std::uint8_t>(key.colour & 0xFFu);
        table[offset + 1] = static_cast<std::uint8_t>((key.colour >> 8) & 0xFFu);
        table[offset + 2] = static_cast<std::uint8_t>((key.colour >> 16) & 0xFFu);
    }
    return table;
}

ColourTable BuildKeyColourTable(const std::vector<KeyColour>& rows,
                                const std::map<int, int>& layoutCodeToIndex) {
    std::vector<KeyColourSample> keys;
    keys.reserve(rows.size());
    for (const KeyColour& row : rows) {
        keys.push_back({row.key_code, static_cast<std::uint32_t>(row.key_rgb)});
    }
    return BuildColourTable(keys, layoutCodeToIndex);
}

}  // namespace vantora
