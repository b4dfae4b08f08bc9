#pragma once

#include <string>
#include <utility>

namespace vantora {

// What one host-side action came to: done (or, for a text, begun), or why not.
struct HostActionResult {
    bool ok = false;
    std::string error;  // set when !ok

    static HostActionResult Done() { return {true, {}}; }
    static HostActionResult Failed(std::string why) { return {false, std::move(why)}; }
};

// The things the computer does for the keyboard's host-side keys and for the
// KEY page's on-screen keyboard button. The program's own implementation
// lives in the UI layer (it needs the desktop); tests give a fake.
class HostActions {
public:
    virtual ~HostActions() = default;

    // Starts the program at `path`: an executable file or a .desktop entry.
    virtual HostActionResult StartProgram(const std::string& path) = 0;
    // Opens `url` (http, https or mailto) with the desktop's default handler.
    virtual HostActionResult OpenWebAddress(const std::string& url) = 0;
    // Types `text` into the window in front. ok means the typing has begun;
    // it finishes later.
    virtual HostActionResult SendText(const std::string& text) = 0;
    // Starts an on-screen keyboard.
    virtual HostActionResult OpenOnScreenKeyboard() = 0;
};

}  // namespace vantora
