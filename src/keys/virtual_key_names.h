#pragma once

#include <string>
#include <string_view>

namespace vantora {

// The names captured keys are shown and stored with: Windows-style key names
// of a US layout ("A", "Enter", "Page Up", "Num 7", "F5"), so stored labels
// and exchange files read the same everywhere. Shift, Control and Alt are
// "Shift", "Ctrl", "Alt" on the left (160, 162, 164) and "RShift", "RCtrl",
// "RAlt" on the right (161, 163, 165); the plain 16, 17 and 18 name as the
// left keys.

// The name of a virtual-key code; empty for a code without one.
std::string_view VirtualKeyName(unsigned virtualKey);

// The virtual-key code a name stands for, ignoring case and surrounding
// blanks; 0 for a name no key has. 16, 17 and 18 are never returned: their
// names are the left keys'.
unsigned VirtualKeyFromName(std::string_view name);

}  // namespace vantora
