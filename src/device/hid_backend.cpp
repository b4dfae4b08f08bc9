#include "device/hid_backend.h"

namespace vantora {

HidHandle::~HidHandle() = default;
HidBackend::~HidBackend() = default;

void CompositeHidBackend::Add(std::shared_ptr<HidBackend> backend) {
    if (backend) {
        backends_.push_back(std::move(backend));
    }
}

std::vector<HidDeviceInfo> CompositeHidBackend::Enumerate(std::uint16_t vendorId, std::uint16_t productId) {
    std::vector<HidDeviceInfo> all;
    for (const auto& backend : backends_) {
        auto found = backend->Enumerate(vendorId, productId);
        all.insert(all.end(), std::make_move_iterator(found.begin()), std::make_move_iterator(found.end()));
    }
    return all;
}

bool CompositeHidBackend::OwnsPath(const std::string& path) const {
    for (const auto& backend : backends_) {
        if (backend->OwnsPath(path)) {
            return true;
        }
    }
    return false;
}

std::unique_ptr<HidHandle> CompositeHidBackend::OpenPath(const std::string& path) {
    for (const auto& backend : backends_) {
        if (backend->OwnsPath(path)) {
            return backend->OpenPath(path);
        }
    }
    return nullptr;
}

}  // namespace vantora
