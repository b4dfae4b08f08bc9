#pragma once

#include <memory>

#include "device/hid_backend.h"

namespace vantora {

// The program's HID back end: real keyboards through hidapi, then the
// simulated keyboards of the simulator folder.
std::shared_ptr<CompositeHidBackend> CreateDefaultHidBackend();

}  // namespace vantora
