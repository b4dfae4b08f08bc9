#include "device/protocol.h"

namespace vantora::protocol {

std::uint8_t Checksum(const std::uint8_t* data, std::size_t first, std::size_t last) {
    unsigned sum = 0;
    for (std::size_t i = first; i <= last; ++i) {
        sum += data[i];
    }
    return static_cast<std::uint8_t>(sum & 0xFF);
}

bool IsValidRequest(const std::uint8_t* report, std::size_t size) {
    if (report == nullptr || size < kReportSize) {
        return false;
    }
    return report[kMarker] == kRequestMarker && report[kChecksum] == Checksum(report, 4, kReportSize - 1);
}

}  // namespace vantora::protocol
