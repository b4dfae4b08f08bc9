#include "sync/report_request.h"

#include <algorithm>

namespace vantora {

ReportRequest MakeRequest(std::uint8_t command, int length, int offset, std::span<const std::uint8_t> data) {
    ReportRequest request{};
    request[protocol::kHostMarker] = protocol::kRequestMarker;
    request[protocol::kHostCommand] = command;
    request[protocol::kHostLength] = static_cast<std::uint8_t>(length & 0xFF);
    request[protocol::kHostOffsetLow] = static_cast<std::uint8_t>(offset & 0xFF);
    request[protocol::kHostOffsetHigh] = static_cast<std::uint8_t>((offset >> 8) & 0xFF);
    const std::size_t count = std::min(data.size(), protocol::kBlockDataSize);
    std::copy_n(data.begin(), count, request.begin() + protocol::kHostData);
    return request;
}

}  // namespace vantora
