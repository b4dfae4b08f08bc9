#pragma once

#include <span>

namespace vantora {

// Captured keys and recorded macros store Windows virtual-key codes (so exchange files stay portable);
// the keyboard wants HID keyboard usages.
struct VirtualKeyUsage {
    unsigned virtualKey;
    unsigned usage;
};

// Every virtual key with a usage, sorted by virtual key.
std::span<const VirtualKeyUsage> VirtualKeyTable();

// The HID usage of a virtual-key code; 0 for a code without one.
// 666 is the program's own code for the Non-US # key (usage 50), 254 the Fn key (usage 255).
unsigned VirtualKeyToUsage(unsigned virtualKey);

}  // namespace vantora
