#pragma once

#include <string>

#include "ui/toolkit/mdialog.h"

namespace vantora {

// Decodes a key event of a capture field into the Windows virtual-key code
// and name captured keys are stored with (see DecodeX11Key). On xcb and
// Wayland the event carries the keysym (nativeVirtualKey) and the X keycode
// (nativeScanCode), which decide; without them (offscreen), or when they name
// no key, the Qt key does, with the punctuation of the US positions and the
// keypad from `keypad`. False when the key has no code. Fits
// RecordEditDlg::SetKeyDecoder.
bool DecodeCaptureKey(const CaptureKey& key, int& code, std::string& name);

}  // namespace vantora
