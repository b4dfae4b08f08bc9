#pragma once

#include <cstdint>
#include <vector>

namespace vantora {

// The longest input, output and feature report of an interface in bytes,
// counted as the HID class driver of other systems does: the report's data
// plus one byte for the report id, whether or not the interface numbers
// its reports. 0 where the interface has no report of that kind.
struct ReportLengths {
    int input = 0;
    int output = 0;
    int feature = 0;
};

// Parses a HID report descriptor. False when it is malformed (an item runs
// past the end, a pop without a push); `lengths` is then untouched.
bool ParseReportLengths(const std::vector<std::uint8_t>& descriptor, ReportLengths& lengths);

// The interface test used on arrival: both the input and the output report
// byte lengths are greater than 64.
bool HasProtocolReportLengths(const std::vector<std::uint8_t>& descriptor);

}  // namespace vantora
