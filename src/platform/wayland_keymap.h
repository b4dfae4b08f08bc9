#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace vantora {

// The keymap a Wayland compositor gives the keyboards of its clients: XKB's
// text form, and the group (layout) in use when the compositor told it, 0
// otherwise (it tells only the client with the keyboard focus).
struct SeatKeymap {
    std::string text;
    std::uint32_t group = 0;
};

// Keymaps larger than this are refused (real ones are some 60 KiB).
inline constexpr std::uint32_t kMaxKeymapBytes = 1024 * 1024;

// Asks the compositor of the session (WAYLAND_DISPLAY) for the keymap of its
// first seat's keyboard over a connection of our own, waiting at most
// `timeout` for its answers. Nothing, with the reason in `error`, when there
// is no compositor, the seat has no keyboard, or the compositor sends no
// usable keymap in time.
std::optional<SeatKeymap> ReadWaylandKeymap(
    std::string& error, std::chrono::milliseconds timeout = std::chrono::milliseconds(500));

}  // namespace vantora
