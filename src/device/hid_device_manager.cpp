#include "device/hid_device_manager.h"

#include <algorithm>
#include <cstring>

#include "device/debug_log.h"
#include "device/protocol.h"
#include "device/report_descriptor.h"
#include "text/numbers.h"

namespace vantora {

namespace {

constexpr int kShortWaitMs = 10;
constexpr int kAnswerTimeoutMs = 50;
constexpr int kSecondTryWaitMs = 100;
constexpr int kThirdTryWaitMs = 1000;

// Answers to other requests (late ones) that one read may pass over.
constexpr int kOtherAnswersPassedOver = 8;

// The offset field of a host request buffer.
int RequestOffset(const std::uint8_t* data) {
    return data[protocol::kHostOffsetLow] | (data[protocol::kHostOffsetHigh] << 8);
}

// Reads the keyboard's answer to the request with `command` and `offset`
// into `data`: true when it accepted it (0xAA). Only a whole 64-byte answer
// that repeats the request's command and offset is its answer; a short one,
// or the late answer to an earlier request, is passed over and the next one
// read. False on a refusal, a read that times out, or a failed read.
bool ReadAnswer(HidHandle& device, std::uint8_t* data, std::size_t size, std::uint8_t command, int offset,
                int timeoutMs) {
    for (int other = 0; other <= kOtherAnswersPassedOver; ++other) {
        const int read = device.ReadTimeout(data, size, timeoutMs);
        if (read <= 0) {
            return false;
        }
        const int echoedOffset = data[protocol::kOffsetLow] | (data[protocol::kOffsetHigh] << 8);
        if (read >= static_cast<int>(protocol::kReportSize) && data[protocol::kCommand] == command &&
            echoedOffset == offset) {
            return data[protocol::kMarker] == protocol::kAnswerMarker;
        }
        VANTORA_DEBUG("report %02x offset %d: passed over an answer of %d bytes to %02x offset %d", command,
                      offset, read, data[protocol::kCommand], echoedOffset);
    }
    return false;
}

}  // namespace

bool PassesKeyboardCheck(HidHandle& handle) {
    std::vector<std::uint8_t> descriptor;
    return handle.GetReportDescriptor(descriptor) && HasProtocolReportLengths(descriptor);
}

int ParseHexId(const std::string& text) {
    // Beyond 31 bits no USB id; 0 matches nothing.
    return static_cast<int>(ParseHex(text, NumberSyntax::kLeading, 0x7FFFFFFF).value_or(0));
}

HidDeviceManager::HidDeviceManager(HidBackend& backend, Clock& clock) : backend_(backend), clock_(clock) {}

HidDeviceManager::~HidDeviceManager() {
    std::lock_guard lock(mutex_);
    open_ = true;  // close whatever is open, whatever the flag says
    CloseDevicesLocked();
}

void HidDeviceManager::AddDeviceFilter(std::uint16_t vendorId, std::uint16_t productId,
                                       const std::string& productName, int interfaceNumber) {
    std::lock_guard lock(mutex_);
    filters_.push_back(DeviceFilter{vendorId, productId, productName, interfaceNumber});
}

bool HidDeviceManager::FilterMatches(const HidDeviceInfo& entry) const {
    // The first filter with the entry's ids decides the interface number, as
    // the path pattern of the first such filter does on other systems.
    bool productMatched = false;
    for (const auto& filter : filters_) {
        if (filter.vendorId == entry.vendorId && filter.productId == entry.productId &&
            (filter.productName.empty() || filter.productName == entry.productString)) {
            productMatched = true;
            break;
        }
    }
    if (!productMatched) {
        return false;
    }
    for (const auto& filter : filters_) {
        if (filter.vendorId == entry.vendorId && filter.productId == entry.productId) {
            return filter.interfaceNumber == entry.interfaceNumber;
        }
    }
    return false;
}

bool HidDeviceManager::OpenDevices() {
    std::lock_guard lock(mutex_);
    if (!records_.empty()) {
        return true;  // at most one interface is open at any time
    }
    const std::vector<HidDeviceInfo> entries = backend_.Enumerate(0, 0);
    for (const auto& entry : entries) {
        if (!FilterMatches(entry)) {
            continue;
        }
        auto device = backend_.OpenPath(entry.path);
        if (!device) {
            VANTORA_DEBUG("keyboard %04x:%04x at %s cannot be opened", entry.vendorId, entry.productId,
                          entry.path.c_str());
            continue;  // held by someone else or gone: try the next one
        }
        if (!PassesKeyboardCheck(*device)) {
            VANTORA_DEBUG("keyboard %04x:%04x at %s fails the interface check: not written to",
                          entry.vendorId, entry.productId, entry.path.c_str());
            continue;
        }
        VANTORA_DEBUG("keyboard %04x:%04x opened at %s (interface %d, release %04x)", entry.vendorId,
                      entry.productId, entry.path.c_str(), entry.interfaceNumber, entry.releaseNumber);
        DeviceRecord record;
        record.info.index = static_cast<int>(records_.size());
        record.info.vendorId = entry.vendorId;
        record.info.productId = entry.productId;
        record.info.path = entry.path;
        record.info.manufacturer = device->ManufacturerString();
        record.info.product = device->ProductString();
        record.info.releaseNumber = entry.releaseNumber;
        record.device = std::move(device);
        if (records_.empty()) {
            firstReleaseNumber_ = record.info.releaseNumber;
        }
        records_.push_back(std::move(record));
        break;
    }
    if (records_.empty()) {
        VANTORA_DEBUG("no keyboard opened among the %zu HID interfaces seen", entries.size());
    }
    return !records_.empty();
}

void HidDeviceManager::CloseDevices() {
    std::lock_guard lock(mutex_);
    CloseDevicesLocked();
}

void HidDeviceManager::CloseDevicesLocked() {
    if (!open_.load()) {
        return;
    }
    open_ = false;
    for (auto& record : records_) {
        if (record.device) {
            record.device->CancelRead();
        }
        VANTORA_DEBUG("keyboard at %s closed", record.info.path.c_str());
    }
    records_.clear();
    firstReleaseNumber_ = 0;
}

void HidDeviceManager::SetOpenFlag(bool open) {
    std::lock_guard lock(mutex_);
    open_ = open;
}

int HidDeviceManager::DeviceCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(records_.size());
}

std::vector<DeviceRecordInfo> HidDeviceManager::Records() const {
    std::lock_guard lock(mutex_);
    std::vector<DeviceRecordInfo> infos;
    for (const auto& record : records_) {
        infos.push_back(record.info);
    }
    return infos;
}

int HidDeviceManager::FirmwareVersion() const {
    // Without the exchange lock: a download may hold it for many seconds
    // against a silent keyboard, and the number needs no exchange.
    return open_.load() ? firstReleaseNumber_.load() : 0;
}

HidHandle* HidDeviceManager::DeviceForExchange(int index) const {
    if (!open_.load()) {
        return nullptr;
    }
    if (index < 0 || index >= static_cast<int>(records_.size())) {
        return nullptr;
    }
    return records_[static_cast<std::size_t>(index)].device.get();
}

bool HidDeviceManager::SendReport(std::span<std::uint8_t> buffer, int index) {
    if (buffer.size() < protocol::kRequestSize) {
        return false;
    }
    std::lock_guard lock(mutex_);
    HidHandle* device = DeviceForExchange(index);
    std::uint8_t* data = buffer.data();
    const std::uint8_t command = data[protocol::kHostCommand];
    const int offset = RequestOffset(data);
    if (device == nullptr) {
        VANTORA_DEBUG("report %02x offset %d not sent: no keyboard open", command, offset);
        return false;
    }

    clock_.SleepMs(kShortWaitMs);
    data[protocol::kHostChecksum] = protocol::Checksum(data, 5, 64);
    std::uint8_t request[protocol::kRequestSize];
    std::memcpy(request, data, sizeof request);

    auto write = [&] { return device->Write(request, sizeof request); };
    if (write() <= 0) {
        VANTORA_DEBUG("report %02x offset %d: write failed, writing again", command, offset);
        clock_.SleepMs(kShortWaitMs);
        if (write() <= 0) {
            VANTORA_DEBUG("report %02x offset %d refused: the keyboard takes no report", command, offset);
            return false;
        }
    }
    if (ReadAnswer(*device, data, protocol::kRequestSize, command, offset, kAnswerTimeoutMs)) {
        return true;
    }

    VANTORA_DEBUG("report %02x offset %d: no acknowledgement (answer %02x), second try", command, offset,
                  data[0]);
    clock_.SleepMs(kSecondTryWaitMs);
    write();
    if (ReadAnswer(*device, data, protocol::kRequestSize, command, offset, kAnswerTimeoutMs)) {
        return true;
    }

    VANTORA_DEBUG("report %02x offset %d: no acknowledgement (answer %02x), third try", command, offset,
                  data[0]);
    clock_.SleepMs(kThirdTryWaitMs);
    write();
    const bool acknowledged =
        ReadAnswer(*device, data, protocol::kRequestSize, command, offset, kAnswerTimeoutMs);
    if (!acknowledged) {
        VANTORA_DEBUG("report %02x offset %d refused after three tries (answer %02x)", command, offset,
                      data[0]);
    }
    return acknowledged;
}

bool HidDeviceManager::QueryReport(std::span<std::uint8_t> buffer, int index) {
    if (buffer.size() < protocol::kRequestSize) {
        return false;
    }
    std::lock_guard lock(mutex_);
    HidHandle* device = DeviceForExchange(index);
    std::uint8_t* data = buffer.data();
    const std::uint8_t command = data[protocol::kHostCommand];
    const int offset = RequestOffset(data);
    if (device == nullptr) {
        VANTORA_DEBUG("query %02x offset %d not sent: no keyboard open", command, offset);
        return false;
    }

    // Drain answers left over from earlier requests.
    std::uint8_t scratch[protocol::kReportSize];
    while (device->ReadTimeout(scratch, sizeof scratch, kAnswerTimeoutMs) > 0) {
        clock_.SleepMs(kShortWaitMs);
    }

    clock_.SleepMs(kShortWaitMs);
    data[protocol::kHostChecksum] = protocol::Checksum(data, 5, 63);

    // The report id and the 64-byte report: hidraw sends the bytes as given,
    // without padding. The last byte is not part of a query and goes as 0.
    std::uint8_t request[protocol::kRequestSize];
    std::memcpy(request, data, protocol::kReportSize);
    request[protocol::kReportSize] = 0;

    if (device->Write(request, sizeof request) < 1) {
        VANTORA_DEBUG("query %02x offset %d: write failed, writing again", command, offset);
        clock_.SleepMs(kShortWaitMs);
        if (device->Write(request, sizeof request) < 1) {
            VANTORA_DEBUG("query %02x offset %d refused: the keyboard takes no report", command, offset);
            return false;
        }
    }
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (attempt > 0) {
            VANTORA_DEBUG("query %02x offset %d: not acknowledged (answer %02x), reading again", command,
                          offset, data[0]);
            clock_.SleepMs(kShortWaitMs);
        }
        if (ReadAnswer(*device, data, protocol::kReportSize, command, offset, kAnswerTimeoutMs)) {
            return true;
        }
    }
    VANTORA_DEBUG("query %02x offset %d refused after three reads (answer %02x)", command, offset, data[0]);
    return false;
}

}  // namespace vantora
