#include "cli/device_list.h"

#include <cstdio>

#include "cli/json_writer.h"
#include "cli/terminal_text.h"
#include "device/protocol.h"
#include "device/report_descriptor.h"

namespace vantora::cli {
namespace {

std::string Hex4(unsigned id) {
    char text[8];
    std::snprintf(text, sizeof(text), "%04x", id & 0xFFFFu);
    return text;
}

bool ParseHex16(const std::string& text, std::uint16_t& value) {
    if (text.empty() || text.size() > 4 ||
        text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
        return false;
    }
    value = static_cast<std::uint16_t>(std::stoul(text, nullptr, 16));
    return true;
}

const char* CheckWord(const std::optional<bool>& passes) {
    if (!passes) {
        return "no access";
    }
    return *passes ? "passed" : "failed";
}

std::string Padded(std::string text, std::size_t width) {
    if (text.size() < width) {
        text.append(width - text.size(), ' ');
    }
    return text;
}

}  // namespace

std::vector<ListedInterface> ListInterfaces(HidBackend& backend, int vendorId, int productId) {
    std::vector<ListedInterface> listed;
    for (const HidDeviceInfo& info : backend.Enumerate(0, 0)) {
        ListedInterface entry;
        entry.info = info;
        entry.configured = info.vendorId == vendorId && info.productId == productId &&
                           info.interfaceNumber == protocol::kCommandInterface;
        if (auto handle = backend.OpenPath(info.path)) {
            std::vector<std::uint8_t> descriptor;
            if (handle->GetReportDescriptor(descriptor)) {
                entry.passesCheck = HasProtocolReportLengths(descriptor);
            }
        }
        listed.push_back(std::move(entry));
    }
    return listed;
}

bool ParseUsbIds(const std::string& text, std::uint16_t& vendorId, std::uint16_t& productId) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) {
        return false;
    }
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    if (!ParseHex16(text.substr(0, colon), vendor) || !ParseHex16(text.substr(colon + 1), product)) {
        return false;
    }
    vendorId = vendor;
    productId = product;
    return true;
}

std::string UdevRuleLine(std::uint16_t vendorId, std::uint16_t productId) {
    return "KERNEL==\"hidraw*\", SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"" + Hex4(vendorId) +
           "\", ATTRS{idProduct}==\"" + Hex4(productId) + "\", TAG+=\"uaccess\"";
}

CtlResult DevicesResult(const std::vector<ListedInterface>& interfaces, int vendorId, int productId,
                        bool json) {
    CtlResult result;
    const std::string configured =
        Hex4(static_cast<unsigned>(vendorId)) + ":" + Hex4(static_cast<unsigned>(productId));
    if (json) {
        JsonWriter writer;
        writer.BeginObject()
            .Key("configured")
            .BeginObject()
            .Key("vendor_id")
            .String(Hex4(static_cast<unsigned>(vendorId)))
            .Key("product_id")
            .String(Hex4(static_cast<unsigned>(productId)))
            .EndObject()
            .Key("devices")
            .BeginArray();
        for (const ListedInterface& entry : interfaces) {
            writer.BeginObject()
                .Key("vendor_id")
                .String(Hex4(entry.info.vendorId))
                .Key("product_id")
                .String(Hex4(entry.info.productId))
                .Key("interface")
                .Int(entry.info.interfaceNumber)
                .Key("usage_page")
                .String(Hex4(entry.info.usagePage))
                .Key("usage")
                .String(Hex4(entry.info.usage))
                .Key("manufacturer")
                .String(entry.info.manufacturerString)
                .Key("product")
                .String(entry.info.productString)
                .Key("path")
                .String(entry.info.path)
                .Key("keyboard_check");
            if (entry.passesCheck) {
                writer.Bool(*entry.passesCheck);
            } else {
                writer.Null();
            }
            writer.Key("configured").Bool(entry.configured).EndObject();
        }
        writer.EndArray().EndObject();
        result.out = writer.Text() + "\n";
        return result;
    }
    if (interfaces.empty()) {
        result.out = "No HID interfaces found.\n";
    } else {
        result.out = "  VID:PID    IF  CHECK      PRODUCT / PATH\n";
    }
    bool configuredSeen = false;
    for (const ListedInterface& entry : interfaces) {
        configuredSeen = configuredSeen || entry.configured;
        const std::string number =
            entry.info.interfaceNumber < 0 ? std::string("-") : std::to_string(entry.info.interfaceNumber);
        result.out += std::string(entry.configured ? "* " : "  ") + Hex4(entry.info.vendorId) + ":" +
                      Hex4(entry.info.productId) + "  " +
                      std::string(number.size() < 2 ? 2 - number.size() : 0, ' ') + number + "  " +
                      Padded(CheckWord(entry.passesCheck), 9) + "  " +
                      TerminalCell(entry.info.productString) + "\n" + std::string(28, ' ') +
                      TerminalText(entry.info.path) + "\n";
    }
    result.out += configuredSeen
                      ? "* the keyboard configured in config.ini (" + configured + ")\n"
                      : "The keyboard configured in config.ini (" + configured + ") is not attached.\n";
    result.out +=
        "CHECK: whether the interface's report descriptor fits the keyboard's command interface;\n"
        "\"no access\": it could not be opened (see vantoractl devices --rule VID:PID).\n";
    return result;
}

CtlResult RuleResult(std::uint16_t vendorId, std::uint16_t productId, bool json) {
    CtlResult result;
    const std::string line = UdevRuleLine(vendorId, productId);
    if (json) {
        JsonWriter writer;
        writer.BeginObject()
            .Key("vendor_id")
            .String(Hex4(vendorId))
            .Key("product_id")
            .String(Hex4(productId))
            .Key("rule")
            .String(line)
            .EndObject();
        result.out = writer.Text() + "\n";
    } else {
        result.out = line + "\n";
    }
    return result;
}

}  // namespace vantora::cli
