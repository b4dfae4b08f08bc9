#pragma once

namespace vantora {

// Control+V sent to the X server as if typed (the XTest extension), so the
// window in front pastes. Only on Qt's xcb platform with XTest; elsewhere
// (Wayland, offscreen, a build without libXtst) nothing can be sent.
namespace xtest {

// True when key presses can be sent.
bool Available();
// Whether the window in front is one of the X server's, so that keys sent
// to it arrive. Always on a plain X11 session; under Xwayland (a Wayland
// session: WAYLAND_DISPLAY or XDG_SESSION_TYPE=wayland) only when the
// window manager names an X11 window as the active one
// (_NET_ACTIVE_WINDOW, which the compositor clears while a Wayland window
// has the focus), or, without that property, when the X input focus is on
// a window.
bool FocusIsX11Window();
// Control_L down, then v down. False when nothing was sent.
bool PressPaste();
// v up, then Control_L up.
void ReleasePaste();

}  // namespace xtest
}  // namespace vantora
