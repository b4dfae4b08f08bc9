#pragma once

#include <atomic>
#include <cstdint>

namespace vantora {

// What the user has selected: shared by the pages (UI thread), the device
// worker and the command line. Each field is atomic on its own; a sequence
// of reads is not a snapshot.
struct Selection {
    std::atomic<int> profile{1};  // profile being edited and downloaded
    std::atomic<int> layer{0};    // 0 standard, 1 FN
    std::atomic<int> lightMode{1};
    std::atomic<int> selectedKey{0};  // key_code on the picture, 0 none
    std::atomic<int> musicLayerId{1};
    std::atomic<std::uint8_t> rgbMode{1};
};

}  // namespace vantora
