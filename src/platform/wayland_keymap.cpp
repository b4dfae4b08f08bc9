#include "platform/wayland_keymap.h"

#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vantora {
namespace {

using Clock = std::chrono::steady_clock;

// The versions whose events this file handles.
constexpr std::uint32_t kSeatVersion = 5;

struct Session {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_seat* seat = nullptr;
    wl_keyboard* keyboard = nullptr;
    std::uint32_t seatName = 0;
    std::uint32_t seatVersion = 0;
    std::uint32_t capabilities = 0;
    bool capabilitiesKnown = false;
    std::optional<SeatKeymap> keymap;
    std::string keymapError;
    std::optional<std::uint32_t> group;

    ~Session() {
        if (keyboard != nullptr) {
            if (wl_keyboard_get_version(keyboard) >= WL_KEYBOARD_RELEASE_SINCE_VERSION) {
                wl_keyboard_release(keyboard);
            } else {
                wl_keyboard_destroy(keyboard);
            }
        }
        if (seat != nullptr) {
            wl_seat_destroy(seat);
        }
        if (registry != nullptr) {
            wl_registry_destroy(registry);
        }
        if (display != nullptr) {
            wl_display_disconnect(display);
        }
    }
};

Session& Of(void* data) {
    return *static_cast<Session*>(data);
}

void OnGlobal(void* data, wl_registry*, std::uint32_t name, const char* interface, std::uint32_t version) {
    Session& session = Of(data);
    if (session.seatName == 0 && std::strcmp(interface, wl_seat_interface.name) == 0) {
        session.seatName = name;
        session.seatVersion = version;
    }
}
void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

void OnCapabilities(void* data, wl_seat*, std::uint32_t capabilities) {
    Of(data).capabilities = capabilities;
    Of(data).capabilitiesKnown = true;
}
void OnSeatName(void*, wl_seat*, const char*) {}
const wl_seat_listener kSeatListener = {OnCapabilities, OnSeatName};

// The keymap's text from the compositor's file: read-only and private, its
// size checked against the file so a short file cannot fault.
void OnKeymap(void* data, wl_keyboard*, std::uint32_t format, std::int32_t fd, std::uint32_t size) {
    Session& session = Of(data);
    session.keymap.reset();
    struct stat file {};
    if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) {
        session.keymapError = "the compositor's keymap is not in XKB's text form";
    } else if (size == 0 || size > kMaxKeymapBytes) {
        session.keymapError =
            "the compositor's keymap has an unlikely size (" + std::to_string(size) + " bytes)";
    } else if (fstat(fd, &file) != 0 || file.st_size < static_cast<off_t>(size)) {
        session.keymapError = "the compositor's keymap file is shorter than announced";
    } else if (void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0); map == MAP_FAILED) {
        session.keymapError =
            std::string("the compositor's keymap could not be mapped: ") + std::strerror(errno);
    } else {
        const char* text = static_cast<const char*>(map);
        session.keymap = SeatKeymap{std::string(text, strnlen(text, size)), 0};
        munmap(map, size);
    }
    close(fd);
}
void OnEnter(void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {}
void OnLeave(void*, wl_keyboard*, std::uint32_t, wl_surface*) {}
void OnKey(void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {}
void OnModifiers(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                 std::uint32_t group) {
    Of(data).group = group;
}
void OnRepeatInfo(void*, wl_keyboard*, std::int32_t, std::int32_t) {}
const wl_keyboard_listener kKeyboardListener = {OnKeymap, OnEnter, OnLeave, OnKey, OnModifiers, OnRepeatInfo};

void OnSyncDone(void* data, wl_callback*, std::uint32_t) {
    *static_cast<bool*>(data) = true;
}
const wl_callback_listener kSyncListener = {OnSyncDone};

// Handles events until the compositor has answered all requests sent so
// far; false when it has not by `deadline` or the connection failed.
bool RoundTrip(wl_display* display, Clock::time_point deadline) {
    bool done = false;
    wl_callback* callback = wl_display_sync(display);
    wl_callback_add_listener(callback, &kSyncListener, &done);
    bool failed = false;
    while (!done && !failed) {
        if (wl_display_prepare_read(display) != 0) {
            failed = wl_display_dispatch_pending(display) < 0;
            continue;
        }
        if (wl_display_flush(display) < 0 && errno != EAGAIN) {
            wl_display_cancel_read(display);
            failed = true;
            break;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd ready{wl_display_get_fd(display), POLLIN, 0};
        const int polled = left > 0 ? poll(&ready, 1, static_cast<int>(left)) : 0;
        if (polled <= 0) {
            wl_display_cancel_read(display);
            failed = polled == 0 || errno != EINTR;
            continue;
        }
        failed = wl_display_read_events(display) < 0 || wl_display_dispatch_pending(display) < 0;
    }
    wl_callback_destroy(callback);
    return done;
}

}  // namespace

std::optional<SeatKeymap> ReadWaylandKeymap(std::string& error, std::chrono::milliseconds timeout) {
    const Clock::time_point deadline = Clock::now() + timeout;
    Session session;
    session.display = wl_display_connect(nullptr);
    if (session.display == nullptr) {
        error = "no Wayland compositor to connect to";
        return std::nullopt;
    }
    const std::string noAnswer = "the Wayland compositor did not answer in time";
    session.registry = wl_display_get_registry(session.display);
    wl_registry_add_listener(session.registry, &kRegistryListener, &session);
    if (!RoundTrip(session.display, deadline)) {
        error = noAnswer;
        return std::nullopt;
    }
    if (session.seatName == 0) {
        error = "the Wayland compositor offers no seat";
        return std::nullopt;
    }
    session.seat = static_cast<wl_seat*>(wl_registry_bind(
        session.registry, session.seatName, &wl_seat_interface, std::min(session.seatVersion, kSeatVersion)));
    wl_seat_add_listener(session.seat, &kSeatListener, &session);
    if (!RoundTrip(session.display, deadline) || !session.capabilitiesKnown) {
        error = noAnswer;
        return std::nullopt;
    }
    if ((session.capabilities & WL_SEAT_CAPABILITY_KEYBOARD) == 0) {
        error = "the Wayland compositor's seat has no keyboard";
        return std::nullopt;
    }
    session.keyboard = wl_seat_get_keyboard(session.seat);
    wl_keyboard_add_listener(session.keyboard, &kKeyboardListener, &session);
    if (!RoundTrip(session.display, deadline)) {
        error = noAnswer;
        return std::nullopt;
    }
    if (!session.keymap) {
        error = session.keymapError.empty() ? "the Wayland compositor sent no keymap" : session.keymapError;
        return std::nullopt;
    }
    session.keymap->group = session.group.value_or(0);
    return session.keymap;
}

}  // namespace vantora
