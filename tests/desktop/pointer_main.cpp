// Moves and clicks a pointer of its own under a wlroots compositor (the
// virtual pointer protocol), for the checks under headless sway, which has
// no mouse of its own. The steps come as arguments, after the size of the
// compositor's layout (the frame the positions are in):
//   vantora-pointer WIDTHxHEIGHT STEP...
//   move X Y   the pointer to X,Y of the layout
//   press      the left button down
//   release    the left button up
//   wait MS    nothing for MS milliseconds (clients take their time)
// Exit status: 0 every step was sent and taken, 1 the compositor refused or
// offers no virtual pointer, 2 usage.
#include "virtual-pointer-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <linux/input-event-codes.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Globals {
    wl_seat* seat = nullptr;
    zwlr_virtual_pointer_manager_v1* manager = nullptr;
};

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t) {
    auto* globals = static_cast<Globals*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && globals->seat == nullptr) {
        globals->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
        globals->manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    }
}

void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

std::uint32_t NowMs() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool ParseUnsigned(const char* text, unsigned& value) {
    char* end = nullptr;
    const unsigned long parsed = std::strtoul(text, &end, 10);
    if (end == text || *end != '\0' || parsed > 100000) {
        return false;
    }
    value = static_cast<unsigned>(parsed);
    return true;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: vantora-pointer WIDTHxHEIGHT STEP...\n"
                 "  steps: move X Y | press | release | wait MS\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    unsigned width = 0;
    unsigned height = 0;
    if (argc < 3 || std::sscanf(argv[1], "%ux%u", &width, &height) != 2 || width == 0 || height == 0) {
        return Usage();
    }
    // The steps are checked before anything is sent.
    const std::vector<std::string> steps(argv + 2, argv + argc);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        unsigned value = 0;
        if (steps[i] == "move") {
            if (i + 2 >= steps.size() || !ParseUnsigned(steps[i + 1].c_str(), value) ||
                !ParseUnsigned(steps[i + 2].c_str(), value)) {
                return Usage();
            }
            i += 2;
        } else if (steps[i] == "wait") {
            if (i + 1 >= steps.size() || !ParseUnsigned(steps[i + 1].c_str(), value)) {
                return Usage();
            }
            i += 1;
        } else if (steps[i] != "press" && steps[i] != "release") {
            return Usage();
        }
    }

    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "vantora-pointer: no Wayland display\n");
        return 1;
    }
    Globals globals;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistryListener, &globals);
    wl_display_roundtrip(display);
    if (globals.manager == nullptr) {
        std::fprintf(stderr, "vantora-pointer: the compositor offers no virtual pointer\n");
        wl_display_disconnect(display);
        return 1;
    }
    zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(globals.manager, globals.seat);
    wl_display_roundtrip(display);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (steps[i] == "move") {
            unsigned x = 0;
            unsigned y = 0;
            ParseUnsigned(steps[i + 1].c_str(), x);
            ParseUnsigned(steps[i + 2].c_str(), y);
            i += 2;
            zwlr_virtual_pointer_v1_motion_absolute(pointer, NowMs(), x, y, width, height);
        } else if (steps[i] == "press" || steps[i] == "release") {
            zwlr_virtual_pointer_v1_button(
                pointer, NowMs(), BTN_LEFT,
                steps[i] == "press" ? WL_POINTER_BUTTON_STATE_PRESSED : WL_POINTER_BUTTON_STATE_RELEASED);
        } else {
            unsigned ms = 0;
            ParseUnsigned(steps[i + 1].c_str(), ms);
            i += 1;
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            continue;
        }
        zwlr_virtual_pointer_v1_frame(pointer);
        wl_display_roundtrip(display);
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    const int failed = wl_display_roundtrip(display) < 0 || wl_display_get_error(display) != 0;
    if (failed) {
        std::fprintf(stderr, "vantora-pointer: the compositor refused a step\n");
    }
    wl_display_disconnect(display);
    return failed ? 1 : 0;
}
