#include "device/report_descriptor.h"

#include <algorithm>
#include <map>

namespace vantora {

namespace {

struct GlobalState {
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::uint8_t reportId = 0;
};

struct Totals {
    std::uint64_t input = 0;
    std::uint64_t output = 0;
    std::uint64_t feature = 0;
};

// Sums that cannot wrap around: absurd descriptors saturate.
void AddBits(std::uint64_t& total, std::uint64_t bits) {
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 48;
    total = std::min(kLimit, total + std::min(kLimit, bits));
}

int ByteLength(std::uint64_t bits) {
    std::uint64_t bytes = (bits + 7) / 8 + 1;
    return bytes > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(bytes);
}

}  // namespace

bool ParseReportLengths(const std::vector<std::uint8_t>& descriptor, ReportLengths& lengths) {
    GlobalState global;
    std::vector<GlobalState> stack;
    std::map<std::uint8_t, Totals> reports;
    std::size_t i = 0;
    while (i < descriptor.size()) {
        std::uint8_t prefix = descriptor[i];
        if (prefix == 0xFE) {  // long item: prefix, size, tag, data
            if (i + 2 >= descriptor.size()) {
                return false;
            }
            std::size_t size = descriptor[i + 1];
            if (i + 3 + size > descriptor.size()) {
                return false;
            }
            i += 3 + size;
            continue;
        }
        std::size_t size = prefix & 0x03;
        if (size == 3) {
            size = 4;
        }
        if (i + 1 + size > descriptor.size()) {
            return false;
        }
        std::uint32_t value = 0;
        for (std::size_t b = 0; b < size; ++b) {
            value |= static_cast<std::uint32_t>(descriptor[i + 1 + b]) << (8 * b);
        }
        int type = (prefix >> 2) & 0x03;
        int tag = prefix >> 4;
        if (type == 0) {  // main
            std::uint64_t bits = static_cast<std::uint64_t>(global.reportSize) * global.reportCount;
            if (tag == 0x8) {
                AddBits(reports[global.reportId].input, bits);
            } else if (tag == 0x9) {
                AddBits(reports[global.reportId].output, bits);
            } else if (tag == 0xB) {
                AddBits(reports[global.reportId].feature, bits);
            }
        } else if (type == 1) {  // global
            if (tag == 0x7) {
                global.reportSize = value;
            } else if (tag == 0x9) {
                global.reportCount = value;
            } else if (tag == 0x8) {
                global.reportId = static_cast<std::uint8_t>(value);
            } else if (tag == 0xA) {
                stack.push_back(global);
            } else if (tag == 0xB) {
                if (stack.empty()) {
                    return false;
                }
                global = stack.back();
                stack.pop_back();
            }
        }
        i += 1 + size;
    }
    ReportLengths result;
    for (const auto& [id, totals] : reports) {
        if (totals.input > 0) {
            result.input = std::max(result.input, ByteLength(totals.input));
        }
        if (totals.output > 0) {
            result.output = std::max(result.output, ByteLength(totals.output));
        }
        if (totals.feature > 0) {
            result.feature = std::max(result.feature, ByteLength(totals.feature));
        }
    }
    lengths = result;
    return true;
}

bool HasProtocolReportLengths(const std::vector<std::uint8_t>& descriptor) {
    ReportLengths lengths;
    return ParseReportLengths(descriptor, lengths) && lengths.input > 64 && lengths.output > 64;
}

}  // namespace vantora
