#pragma once

#include "platform/xkb_layout_keys.h"

#include <chrono>
#include <string>
#include <vector>

namespace vantora {

// Whether this user can make a virtual keyboard in the kernel.
enum class UinputAccess {
    kReady,     // the device node can be opened for writing
    kNoAccess,  // it exists, but this user may not write it (the udev rule is off)
    kMissing,   // no /dev/uinput (no uinput module, or a container without it)
};
UinputAccess ProbeUinput(const std::string& node = "/dev/uinput");

// A keyboard made through uinput that types key strokes as if pressed on a
// real keyboard; the desktop turns them into characters with its own
// layout. It exists from Open until the object goes.
class UinputKeyboard {
public:
    UinputKeyboard() = default;
    ~UinputKeyboard();
    UinputKeyboard(const UinputKeyboard&) = delete;
    UinputKeyboard& operator=(const UinputKeyboard&) = delete;

    // Makes the device and waits `settle` for the desktop to take it in
    // (a key sent earlier is lost). False, with the reason, on failure.
    bool Open(std::string& error, const std::string& node = "/dev/uinput",
              std::chrono::milliseconds settle = std::chrono::milliseconds(300));
    // Presses and releases each stroke (modifiers first, released last),
    // waiting `gap` after each event. False when the device stopped taking events.
    bool Type(const std::vector<KeyStroke>& strokes,
              std::chrono::milliseconds gap = std::chrono::milliseconds(4));

private:
    bool Emit(unsigned short type, unsigned short code, int value);
    bool Key(std::uint16_t code, bool down, std::chrono::milliseconds gap);
    int fd_ = -1;
};

}  // namespace vantora
