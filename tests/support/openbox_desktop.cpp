#include "support/openbox_desktop.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <thread>

#include "support/child_process.h"

extern char** environ;

namespace vantora::test {
namespace {

constexpr const char* kOpenbox = "/usr/bin/openbox";
constexpr const char* kXdotool = "/usr/bin/xdotool";

void SetText(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property, const std::string& text) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, property, XCB_ATOM_STRING, 8,
                        static_cast<std::uint32_t>(text.size()), text.data());
}

}  // namespace

bool OpenboxDesktop::Installed() {
    return XvfbServer::Installed() && ::access(kOpenbox, X_OK) == 0 && ::access(kXdotool, X_OK) == 0;
}

OpenboxDesktop::OpenboxDesktop() {
    if (!server_.Name().empty()) {
        env_.Set("DISPLAY", server_.Name());
        connection_ = xcb_connect(server_.Name().c_str(), nullptr);
    }
}

OpenboxDesktop::~OpenboxDesktop() {
    if (connection_ != nullptr) {
        xcb_disconnect(connection_);
    }
    if (openbox_ > 0) {
        ::kill(openbox_, SIGTERM);
        ::waitpid(openbox_, nullptr, 0);
    }
}

bool OpenboxDesktop::StartWindowManager(const std::function<bool()>& ready) {
    const auto start = [this] {
        char* args[] = {const_cast<char*>("openbox"), const_cast<char*>("--sm-disable"), nullptr};
        return posix_spawn(&openbox_, kOpenbox, nullptr, nullptr, args, environ) == 0;
    };
    if (connection_ == nullptr || !start()) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        if (ready()) {
            return true;
        }
        if (::waitpid(openbox_, nullptr, WNOHANG) == openbox_ && !start()) {
            openbox_ = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

xcb_window_t OpenboxDesktop::OpenWindow(const std::string& instance, const std::string& cls,
                                        const std::string& title) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
    const xcb_window_t window = xcb_generate_id(connection_);
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 100, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    SetText(connection_, window, XCB_ATOM_WM_CLASS, instance + '\0' + cls + '\0');
    SetText(connection_, window, XCB_ATOM_WM_NAME, title);
    xcb_map_window(connection_, window);
    xcb_flush(connection_);
    return window;
}

void OpenboxDesktop::Rename(xcb_window_t window, const std::string& title) {
    SetText(connection_, window, XCB_ATOM_WM_NAME, title);
    xcb_flush(connection_);
}

void OpenboxDesktop::Close(xcb_window_t window) {
    xcb_destroy_window(connection_, window);
    xcb_flush(connection_);
}

bool OpenboxDesktop::Activate(xcb_window_t window,
                              const std::function<bool(std::chrono::milliseconds)>& reached) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < until) {
        RunProgram(kXdotool, {"windowactivate", std::to_string(window)});
        if (reached(std::chrono::milliseconds(500))) {
            return true;
        }
    }
    return false;
}

}  // namespace vantora::test
