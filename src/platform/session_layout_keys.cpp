#include "platform/session_layout_keys.h"

#include "platform/wayland_keymap.h"

namespace vantora {

SessionKeys ReadSessionKeys() {
    SessionKeys result;
    if (const auto keymap = ReadWaylandKeymap(result.compositorError)) {
        result.keys = LayoutKeys::FromKeymapText(keymap->text, keymap->group, result.compositorError);
        if (result.keys != nullptr) {
            result.source = LayoutSource::Compositor;
            return result;
        }
    }
    result.keys = LayoutKeys::Create(SessionLayoutNames(), result.error);
    return result;
}

}  // namespace vantora
