#include "platform/x11_raw_keys.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace vantora {
namespace {

// Called by Xlib instead of exit() when the connection breaks.
void OnConnectionBroken(Display*, void* userData) {
    *static_cast<bool*>(userData) = true;
}

}  // namespace

RawKeyListener::~RawKeyListener() {
    Stop();
}

bool RawKeyListener::Start(Callback callback, const std::string& displayName) {
    std::lock_guard lock(mutex_);
    if (running_) {
        return true;
    }
    CloseLocked();  // a listener whose connection broke
    Display* display = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (display == nullptr) {
        return false;
    }
    broken_ = false;
    XSetIOErrorExitHandler(display, OnConnectionBroken, &broken_);
    int opcode = 0;
    int firstEvent = 0;
    int firstError = 0;
    int major = 2;
    int minor = 2;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &firstEvent, &firstError) ||
        XIQueryVersion(display, &major, &minor) != Success || major < 2 || (major == 2 && minor < 2)) {
        XCloseDisplay(display);
        return false;
    }
    unsigned char maskBits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(maskBits, XI_RawKeyPress);
    XISetMask(maskBits, XI_RawKeyRelease);
    XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof maskBits), maskBits};
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
    XSync(display, False);  // selected before Start returns: no key after it is missed
    const int wakeFd = broken_ ? -1 : ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd < 0) {
        XCloseDisplay(display);
        return false;
    }
    display_ = display;
    xiOpcode_ = opcode;
    wakeFd_ = wakeFd;
    callback_ = std::move(callback);
    running_ = true;
    thread_ = std::thread(&RawKeyListener::Run, this);
    return true;
}

void RawKeyListener::Stop() {
    std::lock_guard lock(mutex_);
    CloseLocked();
}

void RawKeyListener::CloseLocked() {
    if (!thread_.joinable()) {
        return;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(wakeFd_, &one, sizeof one);
    thread_.join();
    running_ = false;
    // A broken connection is closed all the same: Xlib only frees it then.
    XCloseDisplay(display_);
    display_ = nullptr;
    ::close(wakeFd_);
    wakeFd_ = -1;
    callback_ = nullptr;
}

void RawKeyListener::Run() {
    pollfd fds[2] = {{ConnectionNumber(display_), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    while (true) {
        HandlePending();  // also what Xlib read into its queue already
        if (broken_) {
            break;
        }
        fds[0].revents = 0;
        fds[1].revents = 0;
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (fds[1].revents != 0) {
            break;  // Stop
        }
    }
    running_ = false;
}

void RawKeyListener::HandlePending() {
    while (!broken_ && XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        XGenericEventCookie* cookie = &event.xcookie;
        if (cookie->type != GenericEvent || cookie->extension != xiOpcode_ ||
            !XGetEventData(display_, cookie)) {
            continue;
        }
        if (cookie->evtype == XI_RawKeyPress || cookie->evtype == XI_RawKeyRelease) {
            const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
            const auto keycode = static_cast<unsigned>(raw->detail);
            // Keycodes are 8..255; anything else names no key.
            const KeySym keysym =
                keycode <= 255 ? XkbKeycodeToKeysym(display_, static_cast<KeyCode>(keycode), 0, 0) : NoSymbol;
            if (const auto key = DecodeX11Key(static_cast<unsigned>(keysym), keycode)) {
                callback_(*key, cookie->evtype == XI_RawKeyRelease);
            }
        }
        XFreeEventData(display_, cookie);
    }
}

}  // namespace vantora
