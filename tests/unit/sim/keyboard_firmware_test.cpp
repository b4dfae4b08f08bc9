#include <gtest/gtest.h>

#include <array>
#include <span>
#include <vector>

#include "device/key_index.h"
#include "device/protocol.h"
#include "sim/keyboard_firmware.h"

namespace vantora::sim {
namespace {

using Report = std::array<std::uint8_t, protocol::kReportSize>;

Report Request(std::uint8_t command, std::uint8_t length = 0, std::uint16_t offset = 0,
               std::uint8_t fill = 0) {
    Report report{};
    report[protocol::kMarker] = protocol::kRequestMarker;
    report[protocol::kCommand] = command;
    report[protocol::kLength] = length;
    report[protocol::kOffsetLow] = static_cast<std::uint8_t>(offset & 0xFF);
    report[protocol::kOffsetHigh] = static_cast<std::uint8_t>(offset >> 8);
    for (std::size_t i = protocol::kData; i < report.size(); ++i) {
        report[i] = static_cast<std::uint8_t>(fill + i);
    }
    report[protocol::kChecksum] = protocol::Checksum(report.data(), 4, 63);
    return report;
}

Report Answer(KeyboardFirmware& firmware, const Report& request) {
    auto reply = firmware.HandleReport(request);
    EXPECT_TRUE(reply.answer.has_value());
    return reply.answer.value_or(Report{});
}

TEST(KeyboardFirmwareTest, AcknowledgesWithItsHeader) {
    KeyboardFirmware firmware;
    Report request = Request(protocol::CMD_READ_SETTINGS, 32);
    Report answer = Answer(firmware, request);
    EXPECT_EQ(answer[0], protocol::kAnswerMarker);
    EXPECT_EQ(answer[1], protocol::CMD_READ_SETTINGS);
    EXPECT_EQ(answer[4], 32);  // length and offset repeat the request's
    EXPECT_EQ(answer[5], 0);
    EXPECT_EQ(answer[3], protocol::Checksum(answer.data(), 4, 63));
    auto settings = KeyboardFirmware::FactorySettings();
    for (std::size_t i = 0; i < 56; ++i) {
        EXPECT_EQ(answer[8 + i], settings[i]);
    }
}

TEST(KeyboardFirmwareTest, RefusesBadMarkerBadChecksumAndUnknownCommands) {
    KeyboardFirmware firmware;
    Report badMarker = Request(protocol::CMD_BEGIN);
    badMarker[0] = 0x54;
    Report badChecksum = Request(protocol::CMD_WRITE_KEYS, 56);
    badChecksum[protocol::kChecksum] ^= 0x01;
    Report unknown = Request(0x03);
    for (const Report& request : {badMarker, badChecksum, unknown}) {
        Report answer = Answer(firmware, request);
        EXPECT_NE(answer[0], protocol::kAnswerMarker);
    }
    EXPECT_EQ(Answer(firmware, badMarker)[2], KeyboardFirmware::kBadMarker);
    EXPECT_EQ(Answer(firmware, badChecksum)[2], KeyboardFirmware::kBadChecksum);
    EXPECT_EQ(Answer(firmware, unknown)[2], KeyboardFirmware::kUnknownCommand);
    EXPECT_EQ(firmware.KeyTable(), KeyboardFirmware::FactoryKeyTable());  // nothing was stored
}

TEST(KeyboardFirmwareTest, RefusesReportsThatAreNotSixtyFourBytes) {
    KeyboardFirmware firmware;
    const Report begin = Request(protocol::CMD_BEGIN);
    std::vector<std::uint8_t> longer(begin.begin(), begin.end());
    longer.push_back(0);
    for (std::size_t size : {std::size_t{0}, std::size_t{4}, std::size_t{63}, std::size_t{65}}) {
        const std::span<const std::uint8_t> report(size == 65 ? longer.data() : begin.data(), size);
        auto reply = firmware.HandleReport(report);
        ASSERT_TRUE(reply.answer) << size;
        EXPECT_EQ((*reply.answer)[0], 0x00) << size;
        EXPECT_EQ((*reply.answer)[2], KeyboardFirmware::kBadLength) << size;
    }
    EXPECT_FALSE(firmware.InTransaction());
    EXPECT_EQ(Answer(firmware, begin)[0], protocol::kAnswerMarker);
}

TEST(KeyboardFirmwareTest, TracksTheTransaction) {
    KeyboardFirmware firmware;
    Answer(firmware, Request(protocol::CMD_BEGIN));
    EXPECT_TRUE(firmware.InTransaction());
    Answer(firmware, Request(protocol::CMD_END));
    EXPECT_FALSE(firmware.InTransaction());
}

TEST(KeyboardFirmwareTest, WritesLandAtTheirOffsetsForTheirLength) {
    KeyboardFirmware firmware;
    EXPECT_EQ(Answer(firmware, Request(protocol::CMD_WRITE_KEYS, 40, 728, 1))[0], protocol::kAnswerMarker);
    EXPECT_EQ(firmware.KeyTable()[728], static_cast<std::uint8_t>(1 + 8));
    EXPECT_EQ(firmware.KeyTable()[767], static_cast<std::uint8_t>(1 + 8 + 39));

    EXPECT_EQ(Answer(firmware, Request(protocol::CMD_WRITE_KEY_COLOURS, 48, 336, 2))[0],
              protocol::kAnswerMarker);
    EXPECT_EQ(firmware.KeyColours()[383], static_cast<std::uint8_t>(2 + 8 + 47));
    EXPECT_EQ(firmware.KeyColours()[335], 0);

    EXPECT_EQ(Answer(firmware, Request(protocol::CMD_WRITE_MACROS, 56, 56 * 63, 3))[0],
              protocol::kAnswerMarker);
    EXPECT_EQ(firmware.MacroMemory()[56 * 63], static_cast<std::uint8_t>(3 + 8));

    EXPECT_EQ(Answer(firmware, Request(protocol::CMD_STREAM_COLOURS, 56, 0, 4))[0], protocol::kAnswerMarker);
    EXPECT_EQ(firmware.MusicFrame()[0], static_cast<std::uint8_t>(4 + 8));

    // The settings write carries only the length asked for.
    EXPECT_EQ(Answer(firmware, Request(protocol::CMD_WRITE_SETTINGS, 32, 0, 5))[0], protocol::kAnswerMarker);
    EXPECT_EQ(firmware.Settings()[31], static_cast<std::uint8_t>(5 + 8 + 31));
    EXPECT_EQ(firmware.Settings()[32], KeyboardFirmware::FactorySettings()[32]);
}

TEST(KeyboardFirmwareTest, NeverWritesPastItsTables) {
    KeyboardFirmware firmware;
    auto before = firmware.MacroMemory();
    // The block after a full macro memory, and one that would run over.
    EXPECT_NE(Answer(firmware, Request(protocol::CMD_WRITE_MACROS, 40, 3584))[0], protocol::kAnswerMarker);
    EXPECT_NE(Answer(firmware, Request(protocol::CMD_WRITE_KEYS, 56, 728))[0], protocol::kAnswerMarker);
    EXPECT_NE(Answer(firmware, Request(protocol::CMD_WRITE_KEY_COLOURS, 56, 0xFFFF))[0],
              protocol::kAnswerMarker);
    EXPECT_NE(Answer(firmware, Request(protocol::CMD_WRITE_SETTINGS, 57, 0))[0], protocol::kAnswerMarker);
    EXPECT_NE(Answer(firmware, Request(protocol::CMD_READ_KEYS, 56, 768))[0], protocol::kAnswerMarker);
    EXPECT_EQ(firmware.MacroMemory(), before);
    EXPECT_EQ(firmware.KeyTable(), KeyboardFirmware::FactoryKeyTable());
}

TEST(KeyboardFirmwareTest, ReadsTheLastKeyBlockWithZerosBeyondTheTable) {
    KeyboardFirmware firmware;
    Report answer = Answer(firmware, Request(protocol::CMD_READ_DEFAULT_KEYS, 40, 728));
    ASSERT_EQ(answer[0], protocol::kAnswerMarker);
    for (std::size_t i = 0; i < 40; ++i) {
        EXPECT_EQ(answer[8 + i], firmware.DefaultKeyTable()[728 + i]);
    }
    for (std::size_t i = 40; i < 56; ++i) {
        EXPECT_EQ(answer[8 + i], 0);
    }
}

TEST(KeyboardFirmwareTest, ReadKeysReturnsTheCurrentTableNotTheDefault) {
    KeyboardFirmware firmware;
    Answer(firmware, Request(protocol::CMD_WRITE_KEYS, 56, 0, 9));
    Report current = Answer(firmware, Request(protocol::CMD_READ_KEYS, 56, 0));
    Report defaults = Answer(firmware, Request(protocol::CMD_READ_DEFAULT_KEYS, 56, 0));
    EXPECT_EQ(current[8], static_cast<std::uint8_t>(9 + 8));
    EXPECT_EQ(defaults[8], KeyboardFirmware::FactoryKeyTable()[0]);
}

TEST(KeyboardFirmwareTest, FactoryResetRestoresEverything) {
    KeyboardFirmware firmware;
    Answer(firmware, Request(protocol::CMD_WRITE_KEYS, 56, 0, 1));
    Answer(firmware, Request(protocol::CMD_WRITE_SETTINGS, 32, 0, 1));
    Answer(firmware, Request(protocol::CMD_WRITE_MACROS, 56, 0, 1));
    Answer(firmware, Request(protocol::CMD_WRITE_KEY_COLOURS, 56, 0, 1));
    Answer(firmware, Request(protocol::CMD_STREAM_COLOURS, 56, 0, 1));
    EXPECT_EQ(Answer(firmware, Request(protocol::CMD_FACTORY_RESET))[0], protocol::kAnswerMarker);
    EXPECT_EQ(firmware.KeyTable(), KeyboardFirmware::FactoryKeyTable());
    EXPECT_EQ(firmware.Settings(), KeyboardFirmware::FactorySettings());
    EXPECT_EQ(firmware.MacroMemory()[8], 0);
    EXPECT_EQ(firmware.KeyColours()[8], 0);
    EXPECT_EQ(firmware.MusicFrame()[8], 0);
}

TEST(KeyboardFirmwareTest, FactoryTableGivesEveryKeyItsOwnUsage) {
    auto table = KeyboardFirmware::FactoryKeyTable();
    int keys = 0;
    for (int index = 0; index < 128; ++index) {
        const std::uint8_t* slot = table.data() + 6 * index;
        int code = KeyIndexToCode(index);
        if (code == 0) {
            for (int b = 0; b < 6; ++b) {
                EXPECT_EQ(slot[b], 0) << "index " << index;
            }
            continue;
        }
        ++keys;
        if (index == kFnKeyIndex) {
            EXPECT_EQ(slot[0], protocol::kClassInternal);
            continue;
        }
        EXPECT_EQ(slot[0], protocol::kClassKey) << "index " << index;
        EXPECT_EQ(slot[1], 0);
        unsigned expected = (code >= 224 && code <= 231) ? ModifierBit(static_cast<unsigned>(code))
                                                         : static_cast<unsigned>(code);
        EXPECT_EQ(slot[2], expected) << "index " << index;
    }
    EXPECT_EQ(keys, 109);
    // Index 12 is F1: its FN layer plays or pauses.
    EXPECT_EQ(table[6 * 12 + 3], protocol::kClassConsumer);
    EXPECT_EQ(table[6 * 12 + 4], 0xCD);
    // A letter keeps its usage on the FN layer.
    EXPECT_EQ(table[6 * 9 + 3], protocol::kClassKey);
    EXPECT_EQ(table[6 * 9 + 5], 4);  // index 9 is A
}

TEST(KeyboardFirmwareTest, PressOfAHostFunctionKeyEmitsTheEventReport) {
    KeyboardFirmware firmware;
    Report request = Request(protocol::CMD_WRITE_KEYS, 6, 6 * 9);
    for (int i = 8; i < 64; ++i) {
        request[i] = 0;
    }
    request[8] = protocol::kClassApplication;
    request[9] = 7;
    request[11] = protocol::kClassHostFunction;
    request[12] = 0xFF;
    request[protocol::kChecksum] = protocol::Checksum(request.data(), 4, 63);
    ASSERT_EQ(Answer(firmware, request)[0], protocol::kAnswerMarker);

    auto standard = firmware.PressKey(9, false);
    ASSERT_TRUE(standard);
    EXPECT_EQ((*standard)[0], 2);
    EXPECT_EQ((*standard)[1], 0x50);
    EXPECT_EQ((*standard)[2], 7);
    auto fn = firmware.PressKey(9, true);
    ASSERT_TRUE(fn);
    EXPECT_EQ((*fn)[1], 0x60);
    EXPECT_EQ((*fn)[2], 0xFF);
    EXPECT_FALSE(firmware.PressKey(10, false));  // a plain key
    EXPECT_FALSE(firmware.PressKey(-1, false));
    EXPECT_FALSE(firmware.PressKey(128, false));
}

TEST(KeyboardFirmwareTest, FaultsRefuseDelayStayQuietOrVanish) {
    KeyboardFirmware firmware;
    firmware.SetFaults({.refuseAll = true});
    EXPECT_EQ(Answer(firmware, Request(protocol::CMD_BEGIN))[2], KeyboardFirmware::kFaultRefuse);

    firmware.SetFaults({.answerDelayMs = 60});
    auto delayed = firmware.HandleReport(Request(protocol::CMD_BEGIN));
    EXPECT_TRUE(delayed.answer);
    EXPECT_EQ(delayed.delayMs, 60);

    firmware.SetFaults({.neverAnswer = true});
    EXPECT_FALSE(firmware.HandleReport(Request(protocol::CMD_WRITE_KEYS, 56, 0, 1)).answer);
    EXPECT_EQ(firmware.KeyTable(), KeyboardFirmware::FactoryKeyTable());

    KeyboardFirmware vanishing;
    vanishing.SetFaults({.vanishAfterReports = 1});
    EXPECT_FALSE(vanishing.HandleReport(Request(protocol::CMD_BEGIN)).vanished);
    EXPECT_TRUE(vanishing.HandleReport(Request(protocol::CMD_END)).vanished);
    EXPECT_TRUE(vanishing.Vanished());
    EXPECT_TRUE(vanishing.HandleReport(Request(protocol::CMD_END)).vanished);
    EXPECT_TRUE(vanishing.InTransaction());  // it went away mid-transaction
}

}  // namespace
}  // namespace vantora::sim
