#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "device/protocol.h"

namespace vantora {

// One 65-byte host request: report id 0, marker 0x55, the command, length,
// offset (little-endian) and up to 56 data bytes. The checksum is filled in
// by the exchange.
using ReportRequest = std::array<std::uint8_t, protocol::kRequestSize>;

ReportRequest MakeRequest(std::uint8_t command, int length = 0, int offset = 0,
                          std::span<const std::uint8_t> data = {});

}  // namespace vantora
