#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

#include "rgbsdk/byte_codec.h"
#include "rgbsdk/controller_description.h"
#include "rgbsdk/light_mode_offer.h"
#include "rgbsdk/request_handler.h"
#include "rgbsdk/sdk_packet.h"

namespace vantora::rgbsdk {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using Bytes = std::vector<std::uint8_t>;

Bytes U32s(std::initializer_list<std::uint32_t> values) {
    Bytes out;
    ByteWriter writer(out);
    for (std::uint32_t value : values) {
        writer.U32(value);
    }
    return out;
}

SdkMode WaveMode() {
    SdkMode mode;
    mode.name = "Wave";
    mode.value = 7;
    mode.flags =
        kModeSpeed | kModeBrightness | kModeDirectionLeftRight | kModeSpecificColour | kModeRandomColour;
    mode.speedMin = 0;
    mode.speedMax = 4;
    mode.brightnessMin = 0;
    mode.brightnessMax = 100;
    mode.coloursMin = 1;
    mode.coloursMax = 1;
    mode.speed = 3;
    mode.brightness = 100;
    mode.colourMode = kColourRandom;
    mode.colours = {0x38E3ED};
    return mode;
}

// Three keys on a 3x2 grid: Esc and A on the top row, B below between them.
SdkController ThreeKeys() {
    DeviceTexts texts{"VANTORA Keyboard", "Vantora", "Per-key RGB keyboard", "1.02", "SN1",
                      "HID: /dev/hidraw3"};
    std::vector<SdkKey> keys{{"Esc", "Échap", 0, 0, 41}, {"A", "", 2, 0, 4}, {"B", "", 1, 1, 5}};
    auto controller = BuildKeyboardController(texts, keys, {WaveMode()});
    EXPECT_TRUE(controller.has_value());
    return *controller;
}

TEST(PacketParserTest, CutsPacketsWhateverPiecesTheBytesArriveIn) {
    Bytes stream = EncodePacket(0, kUpdateSingleLed, U32s({1, 0x0000FF}));
    const Bytes second = EncodePacket(3, kRequestControllerCount, {});
    stream.insert(stream.end(), second.begin(), second.end());

    PacketParser byteByByte;
    std::vector<Packet> packets;
    for (std::uint8_t byte : stream) {
        ASSERT_TRUE(byteByByte.Feed(std::span(&byte, 1), packets));
    }
    PacketParser allAtOnce;
    std::vector<Packet> together;
    ASSERT_TRUE(allAtOnce.Feed(stream, together));

    for (const auto& got : {packets, together}) {
        ASSERT_EQ(got.size(), 2u);
        EXPECT_EQ(got[0].id, kUpdateSingleLed);
        EXPECT_EQ(got[0].data, U32s({1, 0x0000FF}));
        EXPECT_EQ(got[1].device, 3u);
        EXPECT_EQ(got[1].id, kRequestControllerCount);
        EXPECT_TRUE(got[1].data.empty());
    }
    EXPECT_EQ(allAtOnce.Pending(), 0u);
}

TEST(PacketParserTest, BadMagicOrOversizeMakesTheStreamBadForGood) {
    const Bytes good = EncodePacket(0, kRequestControllerCount, {});
    Bytes badMagic = good;
    badMagic.insert(badMagic.end(), {'O', 'R', 'G', 'X'});
    PacketParser parser;
    std::vector<Packet> packets;
    EXPECT_FALSE(parser.Feed(badMagic, packets));
    EXPECT_EQ(packets.size(), 1u);  // the packet before the garbage still counts
    EXPECT_FALSE(parser.Feed(good, packets));
    EXPECT_EQ(packets.size(), 1u);

    Bytes header = EncodePacket(0, kUpdateLeds, {});
    PacketParser atBound;
    ByteWriter(header).PatchU32(12, kMaxPacketData);
    EXPECT_TRUE(atBound.Feed(header, packets));
    EXPECT_EQ(atBound.Pending(), kHeaderSize);
    PacketParser aboveBound;
    ByteWriter(header).PatchU32(12, kMaxPacketData + 1);
    EXPECT_FALSE(aboveBound.Feed(header, packets));
    EXPECT_TRUE(aboveBound.Bad());
    EXPECT_EQ(aboveBound.Pending(), 0u);
}

// The fields of a controller data block, read back in the order of `version`.
struct Block {
    std::uint32_t size = 0;
    std::int32_t type = 0;
    std::vector<std::string> texts;
    std::int32_t activeMode = 0;
    std::vector<SdkMode> modes;
    std::string zoneName;
    std::int32_t zoneType = 0;
    std::uint32_t zoneLeds[3] = {};
    std::uint16_t matrixLength = 0;
    std::uint32_t height = 0;
    std::uint32_t width = 0;
    std::vector<std::uint32_t> matrix;
    std::vector<std::string> ledNames;
    std::vector<std::uint32_t> ledValues;
    std::vector<std::uint32_t> colours;
    std::vector<std::string> displayNames;
    std::size_t zoneEnd = 0;  // offset just after the zone
};

Block ReadBlock(const Bytes& bytes, std::uint32_t version) {
    ByteReader reader(bytes);
    Block block;
    block.size = reader.U32();
    block.type = reader.I32();
    for (int i = 0; i < (version >= 1 ? 6 : 5); ++i) {
        block.texts.push_back(reader.String());
    }
    const std::uint16_t modes = reader.U16();
    block.activeMode = reader.I32();
    for (std::uint16_t i = 0; i < modes; ++i) {
        block.modes.push_back(ReadMode(reader, version));
    }
    EXPECT_EQ(reader.U16(), 1u);
    block.zoneName = reader.String();
    block.zoneType = reader.I32();
    for (std::uint32_t& count : block.zoneLeds) {
        count = reader.U32();
    }
    block.matrixLength = reader.U16();
    block.height = reader.U32();
    block.width = reader.U32();
    for (std::uint32_t i = 0; i < block.width * block.height; ++i) {
        block.matrix.push_back(reader.U32());
    }
    if (version >= 4) {
        EXPECT_EQ(reader.U16(), 0u);  // no segments
    }
    if (version >= 5) {
        EXPECT_EQ(reader.U32(), 0u);  // zone flags
    }
    block.zoneEnd = bytes.size() - reader.Remaining();
    const std::uint16_t leds = reader.U16();
    for (std::uint16_t i = 0; i < leds; ++i) {
        block.ledNames.push_back(reader.String());
        block.ledValues.push_back(reader.U32());
    }
    const std::uint16_t colours = reader.U16();
    for (std::uint16_t i = 0; i < colours; ++i) {
        block.colours.push_back(reader.U32());
    }
    if (version >= 5) {
        const std::uint16_t names = reader.U16();
        for (std::uint16_t i = 0; i < names; ++i) {
            block.displayNames.push_back(reader.String());
        }
        EXPECT_EQ(reader.U32(), 0u);  // controller flags
    }
    EXPECT_TRUE(reader.Ok());
    EXPECT_EQ(reader.Remaining(), 0u);
    return block;
}

TEST(ControllerDataTest, VersionZeroLayout) {
    const SdkController controller = ThreeKeys();
    const Bytes bytes = SerializeController(controller, 0);
    // Size, type, then the name's length (with its NUL) and text.
    EXPECT_THAT(Bytes(bytes.begin() + 4, bytes.begin() + 13), ElementsAre(5, 0, 0, 0, 17, 0, 'V', 'A', 'N'));
    const Block block = ReadBlock(bytes, 0);
    EXPECT_EQ(block.size, bytes.size());
    EXPECT_EQ(block.type, kKeyboardDeviceType);
    EXPECT_THAT(block.texts,
                ElementsAre("VANTORA Keyboard", "Per-key RGB keyboard", "1.02", "SN1", "HID: /dev/hidraw3"));
    ASSERT_EQ(block.modes.size(), 3u);
    EXPECT_EQ(block.modes[0].name, "Direct");
    EXPECT_EQ(block.modes[1].name, "Custom");
    SdkMode wave = WaveMode();
    wave.brightness = wave.brightnessMin = wave.brightnessMax = 0;  // not in version 0
    EXPECT_EQ(block.modes[2], wave);
    EXPECT_EQ(block.zoneName, "Keyboard");
    EXPECT_EQ(block.zoneType, kMatrixZoneType);
    EXPECT_THAT(block.zoneLeds, ElementsAre(3, 3, 3));
    EXPECT_EQ(block.matrixLength, 8 + 4 * 6);
    EXPECT_EQ(block.width, 3u);
    EXPECT_EQ(block.height, 2u);
    EXPECT_THAT(block.matrix, ElementsAre(0, kNoLed, 1, kNoLed, 2, kNoLed));
    EXPECT_THAT(block.ledNames, ElementsAre("Key: Esc", "Key: A", "Key: B"));
    EXPECT_THAT(block.ledValues, ElementsAre(41, 4, 5));
    EXPECT_THAT(block.colours, ElementsAre(0, 0, 0));
}

TEST(ControllerDataTest, VersionFiveAddsVendorBrightnessSegmentsFlagsAndDisplayNames) {
    const SdkController controller = ThreeKeys();
    const Bytes v0 = SerializeController(controller, 0);
    const Bytes v5 = SerializeController(controller, 5);
    const Block block = ReadBlock(v5, 5);
    EXPECT_EQ(block.size, v5.size());
    EXPECT_EQ(block.texts[1], "Vantora");
    EXPECT_EQ(block.modes[2], WaveMode());
    EXPECT_EQ(block.modes[1].brightnessMax, 100u);
    EXPECT_THAT(block.displayNames, ElementsAre("Échap", "A", "B"));
    // Vendor (2 + 8), three brightness fields per mode, segment count and
    // zone flags, display names (2 + (2 + 7) + (2 + 2) * 2) and controller flags.
    EXPECT_EQ(v5.size() - v0.size(), 10 + 3 * 12 + 6 + 19 + 4);
    EXPECT_EQ(SerializeController(controller, 9), v5);
    // Segment count and zone flags sit at the zone's end.
    EXPECT_EQ(ReadBlock(SerializeController(controller, 3), 3).zoneEnd + 6, block.zoneEnd);
}

TEST(ControllerDataTest, KeysThatCannotFormAGridGiveNoController) {
    EXPECT_FALSE(BuildKeyboardController({}, {}, {}).has_value());
    EXPECT_FALSE(BuildKeyboardController({}, {{"A", "", 200, 200, 4}}, {}).has_value());
    const auto shared = BuildKeyboardController({}, {{"A", "", 0, 0, 4}, {"B", "", 0, 0, 5}}, {});
    ASSERT_TRUE(shared.has_value());
    EXPECT_THAT(shared->matrix, ElementsAre(0));  // the first key keeps the cell
    EXPECT_EQ(shared->colours.size(), 2u);
}

TEST(LightModeOfferTest, OffersTheLightingPageParametersAndReadsThemBack) {
    LightModeOffer offer{.name = "Wave",
                         .number = 9,
                         .hasSpeed = true,
                         .hasBrightness = true,
                         .hasUpDown = true,
                         .hasColour = true,
                         .hasColourful = true,
                         .speed = 2,
                         .brightness = 60,
                         .directionFirst = true,
                         .colourful = false,
                         .colour = 0x123456};
    SdkMode mode = DescribeLightMode(offer);
    EXPECT_EQ(mode.flags, kModeSpeed | kModeBrightness | kModeDirectionUpDown | kModeSpecificColour |
                              kModeRandomColour | kModeAutomaticSave);
    EXPECT_EQ(mode.value, 9);
    EXPECT_EQ(mode.direction, kDirectionUp);
    EXPECT_EQ(mode.colourMode, kColourModeSpecific);
    EXPECT_EQ(SettingsOf(mode), (LightModeSettings{2, 60, true, false, 0x123456}));

    offer = LightModeOffer{.name = "Spectrum", .hasColourful = true, .speed = 9, .colourful = true};
    mode = DescribeLightMode(offer);
    EXPECT_EQ(mode.flags, kModeRandomColour | kModeAutomaticSave);
    EXPECT_EQ(mode.colourMode, kColourRandom);
    EXPECT_TRUE(mode.colours.empty());
    EXPECT_EQ(SettingsOf(mode), (LightModeSettings{0, 0, false, true, 0}));
}

class MockActions : public ControllerActions {
public:
    MOCK_METHOD(void, SetLedColours, (std::span<const std::uint32_t>), (override));
    MOCK_METHOD(void, UpdateMode, (std::int32_t, const SdkMode&), (override));
    MOCK_METHOD(void, SaveMode, (std::int32_t, const SdkMode&), (override));
    MOCK_METHOD(void, SetCustomMode, (), (override));
};

class RequestHandlerTest : public ::testing::Test {
protected:
    std::vector<Bytes> Send(std::uint32_t id, const Bytes& data, std::uint32_t device = 0) {
        return handler.Handle(Packet{device, id, data});
    }
    // The data of a single answer, after checking its header.
    Bytes OnlyAnswer(std::uint32_t id, const Bytes& data) {
        const auto answers = Send(id, data);
        EXPECT_EQ(answers.size(), 1u);
        if (answers.empty()) {
            return {};
        }
        const Bytes answer(answers[0].begin() + kHeaderSize, answers[0].end());
        EXPECT_EQ(answers[0], EncodePacket(0, id, answer));
        return answer;
    }
    Bytes ModeBlock(std::int32_t index, const SdkMode& mode) {
        Bytes data;
        ByteWriter writer(data);
        writer.U32(0);
        writer.I32(index);
        WriteMode(writer, mode, handler.Version());
        writer.PatchU32(0, static_cast<std::uint32_t>(data.size()));
        return data;
    }

    std::optional<SdkController> controller = ThreeKeys();
    ::testing::StrictMock<MockActions> actions;
    RequestHandler handler{controller, actions};
};

TEST_F(RequestHandlerTest, NegotiatesTheLowerOfBothVersions) {
    EXPECT_EQ(OnlyAnswer(kRequestProtocolVersion, U32s({3})), U32s({3}));
    EXPECT_EQ(handler.Version(), 3u);
    EXPECT_EQ(OnlyAnswer(kRequestProtocolVersion, U32s({6})), U32s({5}));
    EXPECT_EQ(handler.Version(), 5u);
    EXPECT_EQ(OnlyAnswer(kRequestProtocolVersion, {}), U32s({0}));
    EXPECT_EQ(handler.Version(), 0u);
}

TEST_F(RequestHandlerTest, AnswersEveryRequestOfTheOfferedVersions) {
    EXPECT_EQ(OnlyAnswer(kRequestControllerCount, {}), U32s({1}));
    EXPECT_EQ(OnlyAnswer(kRequestControllerData, {}), SerializeController(*controller, 0));
    EXPECT_EQ(OnlyAnswer(kRequestControllerData, U32s({5})), SerializeController(*controller, 5));
    const Bytes emptyList{6, 0, 0, 0, 0, 0};
    EXPECT_EQ(OnlyAnswer(kGetProfileList, {}), emptyList);
    EXPECT_EQ(OnlyAnswer(kGetPluginList, {}), emptyList);
    for (std::uint32_t quiet : std::initializer_list<std::uint32_t>{
             kSetClientName, kRequestRescanDevices, kSaveProfile, kLoadProfile, kDeleteProfile, kResizeZone,
             kClearSegments, kAddSegment, 9999u}) {
        EXPECT_TRUE(Send(quiet, {'x', 0, 'y'}).empty()) << quiet;
    }
    EXPECT_EQ(handler.ClientName(), "x");
    EXPECT_TRUE(Send(kRequestControllerData, U32s({5}), 1).empty());  // no second controller
    controller.reset();
    EXPECT_EQ(OnlyAnswer(kRequestControllerCount, {}), U32s({0}));
    EXPECT_TRUE(Send(kRequestControllerData, {}).empty());
}

TEST_F(RequestHandlerTest, LedUpdatesSendTheWholeFrame) {
    Bytes all;
    ByteWriter writer(all);
    writer.U32(4 + 2 + 12);
    writer.U16(3);
    for (std::uint32_t colour : {0x0000FFu, 0xFF00FF00u, 0xFF0000u}) {
        writer.U32(colour);
    }
    EXPECT_CALL(actions, SetLedColours(ElementsAre(0x0000FF, 0x00FF00, 0xFF0000)));
    EXPECT_TRUE(Send(kUpdateLeds, all).empty());

    EXPECT_CALL(actions, SetLedColours(ElementsAre(0x0000FF, 0x123456, 0xFF0000)));
    Send(kUpdateSingleLed, U32s({1, 0x123456}));

    Bytes zone;
    ByteWriter zoneWriter(zone);
    zoneWriter.U32(4 + 4 + 2 + 4);
    zoneWriter.U32(0);
    zoneWriter.U16(1);
    zoneWriter.U32(0xABCDEF);
    EXPECT_CALL(actions, SetLedColours(ElementsAre(0xABCDEF, 0x123456, 0xFF0000)));
    Send(kUpdateZoneLeds, zone);

    // Ignored: an LED that does not exist, a second zone, a count above the
    // colours sent, another device.
    Send(kUpdateSingleLed, U32s({3, 0xFFFFFF}));
    zoneWriter.PatchU32(4, 1);
    Send(kUpdateZoneLeds, zone);
    all.resize(all.size() - 4);
    Send(kUpdateLeds, all);
    Send(kUpdateSingleLed, U32s({0, 0xFFFFFF}), 1);
    EXPECT_THAT(controller->colours, ElementsAre(0xABCDEF, 0x123456, 0xFF0000));
}

TEST_F(RequestHandlerTest, ModesTakeOnlyWhatTheyOffer) {
    Send(kRequestProtocolVersion, U32s({5}));
    SdkMode sent = WaveMode();
    sent.name = "Renamed";
    sent.flags = 0;
    sent.speed = 9;  // clamped to 4
    sent.brightness = 40;
    sent.direction = 1;
    sent.colourMode = kColourModeSpecific;
    sent.colours = {0xFF000000 | 0x00FF00};
    SdkMode expected = WaveMode();
    expected.speed = 4;
    expected.brightness = 40;
    expected.direction = 1;
    expected.colourMode = kColourModeSpecific;
    expected.colours = {0x00FF00};
    EXPECT_CALL(actions, UpdateMode(2, expected));
    Send(kUpdateMode, ModeBlock(2, sent));
    EXPECT_EQ(controller->activeMode, 2);
    EXPECT_EQ(controller->modes[2], expected);

    sent.direction = kDirectionUp;    // not offered by Wave: kept
    sent.colourMode = kColourPerLed;  // not offered by Wave: kept
    sent.colours = {1, 2};            // above its colour count: kept
    EXPECT_CALL(actions, SaveMode(2, expected));
    Send(kSaveMode, ModeBlock(2, sent));

    EXPECT_CALL(actions, SetCustomMode());
    Send(kSetCustomMode, {});
    EXPECT_EQ(controller->activeMode, kDirectModeIndex);

    Send(kUpdateMode, ModeBlock(3, sent));  // no such mode
    Bytes truncated = ModeBlock(2, sent);
    truncated.pop_back();
    Send(kUpdateMode, truncated);
    EXPECT_EQ(controller->activeMode, kDirectModeIndex);
}

}  // namespace
}  // namespace vantora::rgbsdk
