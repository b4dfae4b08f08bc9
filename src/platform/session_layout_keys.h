#pragma once

#include "platform/xkb_layout_keys.h"

#include <memory>
#include <string>

namespace vantora {

// Where the keys of the session's layout came from.
enum class LayoutSource {
    Compositor,  // the keymap the Wayland compositor gives its clients
    Names,       // the layout's names guessed from the environment
};

struct SessionKeys {
    std::unique_ptr<LayoutKeys> keys;  // null when neither source gave a layout
    LayoutSource source = LayoutSource::Names;
    // Why the compositor's keymap was not used (with source Names), and why
    // there are no keys at all (with null keys).
    std::string compositorError;
    std::string error;
};

// The keys of the layout the desktop uses: the Wayland compositor's keymap
// (in its active group when the compositor told it, else its first), else
// the layout named by SessionLayoutNames().
SessionKeys ReadSessionKeys();

}  // namespace vantora
