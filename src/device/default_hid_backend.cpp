#include "device/default_hid_backend.h"

#include <cstdlib>
#include <cstring>

#include "device/hidapi_backend.h"
#include "device/sim_hid_backend.h"

namespace vantora {

std::shared_ptr<CompositeHidBackend> CreateDefaultHidBackend() {
    auto backend = std::make_shared<CompositeHidBackend>();
    const char* simulatedOnly = std::getenv("VANTORA_SIMULATED_ONLY");
    if (simulatedOnly == nullptr || std::strcmp(simulatedOnly, "1") != 0) {
        backend->Add(std::make_shared<HidapiBackend>());
    }
    backend->Add(std::make_shared<SimHidBackend>());
    return backend;
}

}  // namespace vantora
