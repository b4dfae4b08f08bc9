#include "platform/x11_active_window.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace vantora::platform {
namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_atom_t InternAtom(xcb_connection_t* c, const std::string& name) {
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.data()), nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// The property's value, or null when the window has none or is gone.
Reply<xcb_get_property_reply_t> GetProperty(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property,
                                            xcb_atom_t type) {
    Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, 4096), nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE) {
        return nullptr;
    }
    return reply;
}

std::string Latin1ToUtf8(const char* text, int length) {
    std::string out;
    for (int i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            out += static_cast<char>(byte);
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

}  // namespace

struct X11ActiveWindowSource::Connection {
    xcb_connection_t* c = nullptr;
    xcb_window_t root = 0;
    xcb_atom_t activeAtom = 0;
    xcb_atom_t netNameAtom = 0;
    xcb_atom_t utf8Atom = 0;
    xcb_window_t active = 0;  // the window whose properties are watched
    ActiveWindow last;
    bool reported = false;

    ~Connection() { xcb_disconnect(c); }

    xcb_window_t ReadActiveWindow() const {
        const auto reply = GetProperty(c, root, activeAtom, XCB_ATOM_WINDOW);
        if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4) {
            return 0;
        }
        return *static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
    }

    ActiveWindow Describe(xcb_window_t window) const {
        ActiveWindow described;
        if (window == 0) {
            return described;
        }
        // WM_CLASS is "instance\0class\0".
        if (const auto cls = GetProperty(c, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING)) {
            const auto* text = static_cast<const char*>(xcb_get_property_value(cls.get()));
            const std::string value(text, static_cast<std::size_t>(xcb_get_property_value_length(cls.get())));
            const auto split = value.find('\0');
            if (split != std::string::npos) {
                described.appId = value.substr(split + 1);
                described.appId.erase(std::find(described.appId.begin(), described.appId.end(), '\0'),
                                      described.appId.end());
            }
        }
        if (const auto name = GetProperty(c, window, netNameAtom, utf8Atom)) {
            described.title.assign(static_cast<const char*>(xcb_get_property_value(name.get())),
                                   static_cast<std::size_t>(xcb_get_property_value_length(name.get())));
        } else if (const auto legacy = GetProperty(c, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING)) {
            described.title = Latin1ToUtf8(static_cast<const char*>(xcb_get_property_value(legacy.get())),
                                           xcb_get_property_value_length(legacy.get()));
        }
        return described;
    }

    void Watch(xcb_window_t window, std::uint32_t mask) {
        // Unchecked: a window that is already gone only sends an error event,
        // which the loop drops.
        xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &mask);
    }

    // Follows _NET_ACTIVE_WINDOW and reports what changed.
    void Update(const Callback& callback) {
        const xcb_window_t now = ReadActiveWindow();
        if (now != active) {
            if (active != 0) {
                Watch(active, XCB_EVENT_MASK_NO_EVENT);
            }
            active = now;
            if (active != 0) {
                Watch(active, XCB_EVENT_MASK_PROPERTY_CHANGE);
            }
        }
        ActiveWindow described = Describe(active);
        if (!reported || described.appId != last.appId || described.title != last.title) {
            reported = true;
            last = described;
            callback(described);
        }
    }
};

X11ActiveWindowSource::X11ActiveWindowSource(std::string displayName)
    : displayName_(std::move(displayName)) {}

X11ActiveWindowSource::~X11ActiveWindowSource() {
    Stop();
}

bool X11ActiveWindowSource::Start(Callback onChange, std::string& error) {
    std::lock_guard lock(mutex_);
    if (thread_.joinable()) {
        error = "the X11 source is already running";
        return false;
    }
    auto connection = std::make_unique<Connection>();
    connection->c = xcb_connect(displayName_.empty() ? nullptr : displayName_.c_str(), nullptr);
    if (xcb_connection_has_error(connection->c) != 0) {
        error = "no X display to connect to";
        return false;
    }
    xcb_connection_t* c = connection->c;
    connection->root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    connection->activeAtom = InternAtom(c, "_NET_ACTIVE_WINDOW");
    connection->netNameAtom = InternAtom(c, "_NET_WM_NAME");
    connection->utf8Atom = InternAtom(c, "UTF8_STRING");
    bool announced = false;
    if (const auto supported =
            GetProperty(c, connection->root, InternAtom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM)) {
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(supported.get()));
        const int count = xcb_get_property_value_length(supported.get()) / 4;
        announced = std::find(atoms, atoms + count, connection->activeAtom) != atoms + count;
    }
    if (!announced) {
        error = "the window manager does not announce _NET_ACTIVE_WINDOW";
        return false;
    }
    connection->Watch(connection->root, XCB_EVENT_MASK_PROPERTY_CHANGE);
    xcb_flush(c);
    const int wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd < 0) {
        error = "no event file descriptor for the X11 source";
        return false;
    }
    connection_ = connection.release();
    wakeFd_ = wakeFd;
    callback_ = std::move(onChange);
    thread_ = std::thread(&X11ActiveWindowSource::Run, this);
    return true;
}

void X11ActiveWindowSource::Stop() {
    std::lock_guard lock(mutex_);
    if (!thread_.joinable()) {
        return;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(wakeFd_, &one, sizeof one);
    thread_.join();
    delete connection_;
    connection_ = nullptr;
    ::close(wakeFd_);
    wakeFd_ = -1;
    callback_ = nullptr;
}

void X11ActiveWindowSource::Run() {
    Connection& x = *connection_;
    x.Update(callback_);  // the window in front now
    xcb_flush(x.c);
    pollfd fds[2] = {{xcb_get_file_descriptor(x.c), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    while (xcb_connection_has_error(x.c) == 0) {
        bool changed = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(x.c)) {
            if ((event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY) {
                const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
                changed |=
                    notify->window == x.root ? notify->atom == x.activeAtom : notify->window == x.active;
            }
            std::free(event);  // errors of windows that are gone included
        }
        if (changed) {
            x.Update(callback_);
            xcb_flush(x.c);
            continue;  // replies may have queued further events
        }
        fds[0].revents = 0;
        fds[1].revents = 0;
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
            break;
        }
        if (fds[1].revents != 0) {
            break;  // Stop
        }
    }
}

}  // namespace vantora::platform
