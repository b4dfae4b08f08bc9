#include "platform/wlroots_active_window.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <list>
#include <memory>

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

namespace vantora::platform {
namespace {

// The highest version whose events this build knows (the protocol file under
// data/wayland/); a newer compositor speaks this one with us.
constexpr std::uint32_t kManagerVersion = 2;

struct Globals {
    std::uint32_t managerName = 0;
    std::uint32_t managerVersion = 0;
};

void OnGlobal(void* data, wl_registry*, std::uint32_t name, const char* interface, std::uint32_t version) {
    if (std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) == 0) {
        auto* globals = static_cast<Globals*>(data);
        globals->managerName = name;
        globals->managerVersion = version;
    }
}
void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

// The registry's view of the compositor at `display` after one round trip.
Globals ReadGlobals(wl_display* display, wl_registry* registry) {
    Globals globals;
    wl_registry_add_listener(registry, &kRegistryListener, &globals);
    wl_display_roundtrip(display);
    // Later globals go nowhere: the listener's data ends here.
    wl_proxy_set_user_data(reinterpret_cast<wl_proxy*>(registry), nullptr);
    return globals;
}

}  // namespace

struct Toplevel;

struct WlrootsActiveWindowSource::State {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    zwlr_foreign_toplevel_manager_v1* manager = nullptr;
    std::list<Toplevel> toplevels;
    Callback callback;
    ActiveWindow last;
    bool reported = false;
    bool finished = false;  // the compositor ended the manager

    ~State();
    void ReportIfChanged();
};

struct Toplevel {
    WlrootsActiveWindowSource::State* owner = nullptr;
    zwlr_foreign_toplevel_handle_v1* handle = nullptr;
    ActiveWindow window;     // as of the last `done`
    ActiveWindow pending;    // with the changes since then
    bool activated = false;  // as of the last `done`
    bool pendingActivated = false;
};

WlrootsActiveWindowSource::State::~State() {
    for (Toplevel& toplevel : toplevels) {
        zwlr_foreign_toplevel_handle_v1_destroy(toplevel.handle);
    }
    if (manager != nullptr) {
        zwlr_foreign_toplevel_manager_v1_destroy(manager);
    }
    if (registry != nullptr) {
        wl_registry_destroy(registry);
    }
    if (display != nullptr) {
        wl_display_disconnect(display);
    }
}

void WlrootsActiveWindowSource::State::ReportIfChanged() {
    const auto front = std::find_if(toplevels.begin(), toplevels.end(),
                                    [](const Toplevel& toplevel) { return toplevel.activated; });
    const ActiveWindow now = front == toplevels.end() ? ActiveWindow{} : front->window;
    if (!reported || now.appId != last.appId || now.title != last.title) {
        reported = true;
        last = now;
        callback(now);
    }
}

namespace {

Toplevel& Of(void* data) {
    return *static_cast<Toplevel*>(data);
}

void OnTitle(void* data, zwlr_foreign_toplevel_handle_v1*, const char* title) {
    Of(data).pending.title = title;
}
void OnAppId(void* data, zwlr_foreign_toplevel_handle_v1*, const char* appId) {
    Of(data).pending.appId = appId;
}
void OnOutput(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
void OnState(void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states) {
    bool activated = false;
    const auto* values = static_cast<const std::uint32_t*>(states->data);
    for (std::size_t i = 0; i < states->size / sizeof(std::uint32_t); ++i) {
        activated |= values[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED;
    }
    Of(data).pendingActivated = activated;
}
void OnDone(void* data, zwlr_foreign_toplevel_handle_v1*) {
    Toplevel& toplevel = Of(data);
    toplevel.window = toplevel.pending;
    toplevel.activated = toplevel.pendingActivated;
}
void OnClosed(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
    auto& toplevels = Of(data).owner->toplevels;
    zwlr_foreign_toplevel_handle_v1_destroy(handle);
    toplevels.remove_if([handle](const Toplevel& toplevel) { return toplevel.handle == handle; });
}
const zwlr_foreign_toplevel_handle_v1_listener kToplevelListener = {OnTitle, OnAppId, OnOutput, OnOutput,
                                                                    OnState, OnDone,  OnClosed};

void OnToplevel(void* data, zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1* handle) {
    auto* state = static_cast<WlrootsActiveWindowSource::State*>(data);
    Toplevel& toplevel = state->toplevels.emplace_back();
    toplevel.owner = state;
    toplevel.handle = handle;
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &kToplevelListener, &toplevel);
}
void OnFinished(void* data, zwlr_foreign_toplevel_manager_v1* manager) {
    auto* state = static_cast<WlrootsActiveWindowSource::State*>(data);
    zwlr_foreign_toplevel_manager_v1_destroy(manager);
    state->manager = nullptr;
    state->finished = true;
}
const zwlr_foreign_toplevel_manager_v1_listener kManagerListener = {OnToplevel, OnFinished};

}  // namespace

bool WaylandOffersForeignToplevels(const std::string& displayName) {
    wl_display* display = wl_display_connect(displayName.empty() ? nullptr : displayName.c_str());
    if (display == nullptr) {
        return false;
    }
    wl_registry* registry = wl_display_get_registry(display);
    const Globals globals = ReadGlobals(display, registry);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return globals.managerName != 0;
}

WlrootsActiveWindowSource::WlrootsActiveWindowSource(std::string displayName)
    : displayName_(std::move(displayName)) {}

WlrootsActiveWindowSource::~WlrootsActiveWindowSource() {
    Stop();
}

bool WlrootsActiveWindowSource::Start(Callback onChange, std::string& error) {
    std::lock_guard lock(mutex_);
    if (thread_.joinable()) {
        error = "the wlroots source is already running";
        return false;
    }
    auto state = std::make_unique<State>();
    state->display = wl_display_connect(displayName_.empty() ? nullptr : displayName_.c_str());
    if (state->display == nullptr) {
        error = "no Wayland compositor to connect to";
        return false;
    }
    state->registry = wl_display_get_registry(state->display);
    const Globals globals = ReadGlobals(state->display, state->registry);
    if (globals.managerName == 0) {
        error = "the Wayland compositor does not offer zwlr_foreign_toplevel_manager_v1";
        return false;
    }
    state->manager = static_cast<zwlr_foreign_toplevel_manager_v1*>(
        wl_registry_bind(state->registry, globals.managerName, &zwlr_foreign_toplevel_manager_v1_interface,
                         std::min(globals.managerVersion, kManagerVersion)));
    zwlr_foreign_toplevel_manager_v1_add_listener(state->manager, &kManagerListener, state.get());
    // The toplevels there now, then their first details.
    if (wl_display_roundtrip(state->display) < 0 || wl_display_roundtrip(state->display) < 0) {
        error = "the Wayland connection broke";
        return false;
    }
    const int wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd < 0) {
        error = "no event file descriptor for the wlroots source";
        return false;
    }
    state->callback = std::move(onChange);
    state_ = state.release();
    wakeFd_ = wakeFd;
    thread_ = std::thread(&WlrootsActiveWindowSource::Run, this);
    return true;
}

void WlrootsActiveWindowSource::Stop() {
    std::lock_guard lock(mutex_);
    if (!thread_.joinable()) {
        return;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(wakeFd_, &one, sizeof one);
    thread_.join();
    delete state_;
    state_ = nullptr;
    ::close(wakeFd_);
    wakeFd_ = -1;
}

void WlrootsActiveWindowSource::Run() {
    State& state = *state_;
    wl_display* display = state.display;
    pollfd fds[2] = {{wl_display_get_fd(display), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    while (!state.finished) {
        state.ReportIfChanged();  // after every batch of events, the first report included
        while (wl_display_prepare_read(display) != 0) {
            if (wl_display_dispatch_pending(display) < 0) {
                return;
            }
        }
        wl_display_flush(display);
        fds[0].revents = 0;
        fds[1].revents = 0;
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
            wl_display_cancel_read(display);
            return;
        }
        if (fds[1].revents != 0) {
            wl_display_cancel_read(display);
            return;  // Stop
        }
        if ((fds[0].revents & POLLIN) != 0) {
            if (wl_display_read_events(display) < 0) {
                return;
            }
        } else {
            wl_display_cancel_read(display);
            if ((fds[0].revents & (POLLERR | POLLHUP)) != 0) {
                return;  // the compositor went away
            }
        }
        if (wl_display_dispatch_pending(display) < 0) {
            return;
        }
    }
}

}  // namespace vantora::platform
