#pragma once

#include <cstddef>

namespace vantora {

// Tables longer than one report travel in blocks of 56 data bytes: block b
// carries table bytes 56*b to 56*b + 55 at offset 56*b; only the last block's
// length byte differs per table.
inline constexpr std::size_t kBlockBytes = 56;

struct BlockPlan {
    int count = 0;       // number of blocks
    int lastLength = 0;  // length byte of the last block (the others say 56)

    int LengthOf(int block) const { return block == count - 1 ? lastLength : static_cast<int>(kBlockBytes); }
};

// The key table: 768 bytes, 14 blocks, the last with 40.
inline constexpr std::size_t kKeyTableBytes = 768;
inline constexpr BlockPlan kKeyTableBlocks{14, 40};
// The per-key colour table and the music frame: 384 bytes, 7 blocks, the last with 48.
inline constexpr std::size_t kColourTableBytes = 384;
inline constexpr BlockPlan kColourTableBlocks{7, 48};

}  // namespace vantora
