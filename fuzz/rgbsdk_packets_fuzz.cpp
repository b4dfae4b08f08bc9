// libFuzzer target: arbitrary bytes as what one SDK client sends, cut into
// reads of a size the first byte chooses, through the packet parser and the
// request handler of a three-key keyboard. Any crash, hang or sanitizer
// report is a finding, as is an answer that is not a whole packet, a
// controller data block whose size field disagrees with its length, or a
// controller left with another number of colours than LEDs or a current
// mode it does not have.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <vector>

#include "rgbsdk/byte_codec.h"
#include "rgbsdk/controller_description.h"
#include "rgbsdk/request_handler.h"
#include "rgbsdk/sdk_packet.h"

namespace {

using namespace vantora::rgbsdk;

class CheckingActions : public ControllerActions {
public:
    explicit CheckingActions(std::size_t leds) : leds_(leds) {}
    void SetLedColours(std::span<const std::uint32_t> colours) override {
        if (colours.size() != leds_) {
            std::abort();
        }
    }
    void UpdateMode(std::int32_t, const SdkMode&) override {}
    void SaveMode(std::int32_t, const SdkMode&) override {}
    void SetCustomMode() override {}

private:
    std::size_t leds_;
};

SdkMode Wave() {
    SdkMode mode;
    mode.name = "Wave";
    mode.flags = kModeSpeed | kModeBrightness | kModeDirectionLeftRight | kModeSpecificColour;
    mode.speedMax = 4;
    mode.brightnessMax = 100;
    mode.coloursMin = 1;
    mode.coloursMax = 1;
    mode.colourMode = kColourModeSpecific;
    mode.colours = {0xFF};
    return mode;
}

void CheckAnswer(const std::vector<std::uint8_t>& answer) {
    PacketParser parser;
    std::vector<Packet> packets;
    if (!parser.Feed(answer, packets) || packets.size() != 1 || parser.Pending() != 0) {
        std::abort();
    }
    if (packets[0].id == kRequestControllerData) {
        ByteReader reader(packets[0].data);
        if (reader.U32() != packets[0].data.size()) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t chunk = std::size_t{data[0]} + 1;
    const std::span<const std::uint8_t> stream(data + 1, size - 1);

    std::optional<SdkController> controller = BuildKeyboardController(
        {"Keyboard", "Vendor", "Description", "1.0", "SN", "Location"},
        {{"Esc", "Échap", 0, 0, 41}, {"A", "", 2, 0, 4}, {"B", "", 1, 1, 5}}, {Wave()});
    if (!controller) {
        std::abort();
    }
    CheckingActions actions(controller->ledNames.size());
    RequestHandler handler(controller, actions);
    PacketParser parser;
    for (std::size_t at = 0; at < stream.size(); at += chunk) {
        std::vector<Packet> packets;
        const bool good = parser.Feed(stream.subspan(at, std::min(chunk, stream.size() - at)), packets);
        for (const Packet& packet : packets) {
            for (const auto& answer : handler.Handle(packet)) {
                CheckAnswer(answer);
            }
            if (controller->colours.size() != controller->ledNames.size() || controller->activeMode < 0 ||
                static_cast<std::size_t>(controller->activeMode) >= controller->modes.size() ||
                handler.Version() > kMaxProtocolVersion) {
                std::abort();
            }
        }
        if (parser.Pending() > kHeaderSize + kMaxPacketData) {
            std::abort();
        }
        if (!good) {
            break;  // the connection is closed
        }
    }
    return 0;
}
