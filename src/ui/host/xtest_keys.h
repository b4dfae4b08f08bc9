#pragma once

namespace vantora {

// Control+V sent to the X server as if typed (the XTest extension), so the
// window in front pastes. Only on Qt's xcb platform with XTest; elsewhere
// (Wayland, offscreen, a build without libXtst) nothing can be sent.
namespace xtest {

// True when key presses can be sent.
bool Available();
// Control_L down, then v down. False when nothing was sent.
bool PressPaste();
// v up, then Control_L up.
void ReleasePaste();

}  // namespace xtest
}  // namespace vantora
