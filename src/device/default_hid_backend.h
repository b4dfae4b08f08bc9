#pragma once

#include <memory>

#include "device/hid_backend.h"

namespace vantora {

// The program's HID back end: real keyboards through hidapi, then the
// simulated keyboards of the simulator folder. With VANTORA_SIMULATED_ONLY=1
// in the environment only simulated keyboards are seen.
std::shared_ptr<CompositeHidBackend> CreateDefaultHidBackend();

}  // namespace vantora
