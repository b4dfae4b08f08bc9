// SendReport and QueryReport against the simulated keyboard, in virtual time.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "device/hid_device_manager.h"
#include "device/protocol.h"
#include "sim/in_process_backend.h"
#include "support/fake_clock.h"

namespace vantora {
namespace {

using protocol::kRequestSize;
using Request = std::array<std::uint8_t, kRequestSize>;

Request MakeRequest(std::uint8_t command, std::uint8_t length = 0, std::uint16_t offset = 0) {
    Request request{};
    request[protocol::kHostMarker] = protocol::kRequestMarker;
    request[protocol::kHostCommand] = command;
    request[protocol::kHostLength] = length;
    request[protocol::kHostOffsetLow] = static_cast<std::uint8_t>(offset & 0xFF);
    request[protocol::kHostOffsetHigh] = static_cast<std::uint8_t>(offset >> 8);
    return request;
}

class ReportExchangeTest : public ::testing::Test {
protected:
    ReportExchangeTest() : backend(clock), manager(backend, clock) {
        manager.AddDeviceFilter(0x1209, 0x0001, "");
    }

    void Connect() {
        keyboard = backend.AddKeyboard();
        ASSERT_TRUE(manager.OpenDevices());
        manager.SetOpenFlag(true);
        clock.ClearSleeps();
    }

    test::FakeClock clock;
    sim::InProcessHidBackend backend;
    HidDeviceManager manager;
    std::shared_ptr<sim::InProcessKeyboard> keyboard;
};

TEST_F(ReportExchangeTest, NoKeyboardFailsAtOnceWithoutWaiting) {
    manager.OpenDevices();
    manager.SetOpenFlag(true);
    Request request = MakeRequest(protocol::CMD_BEGIN);
    EXPECT_FALSE(manager.SendReport(request, -1));
    EXPECT_FALSE(manager.QueryReport(request, -1));
    EXPECT_FALSE(manager.SendReport(request, 0));
    EXPECT_FALSE(manager.QueryReport(request, 0));
    EXPECT_TRUE(clock.Sleeps().empty());
}

TEST_F(ReportExchangeTest, PreconditionsRefuseWithoutWritingOrWaiting) {
    Connect();
    Request request = MakeRequest(protocol::CMD_BEGIN);
    EXPECT_FALSE(manager.SendReport(request, 1));    // past the device list
    EXPECT_FALSE(manager.QueryReport(request, -1));  // negative index
    std::array<std::uint8_t, 64> shortBuffer{};
    EXPECT_FALSE(manager.SendReport(shortBuffer, 0));  // shorter than 65 bytes
    EXPECT_FALSE(manager.QueryReport(shortBuffer, 0));
    manager.SetOpenFlag(false);
    EXPECT_FALSE(manager.SendReport(request, 0));
    EXPECT_FALSE(manager.QueryReport(request, 0));
    EXPECT_EQ(keyboard->WriteCount(), 0);
    EXPECT_TRUE(clock.Sleeps().empty());
}

TEST_F(ReportExchangeTest, SendReportWaitsThenWritesTheWholeRequestWithItsChecksum) {
    Connect();
    Request request = MakeRequest(protocol::CMD_WRITE_KEYS, 56, 0x0118);
    for (std::size_t i = protocol::kHostData; i < kRequestSize; ++i) {
        request[i] = static_cast<std::uint8_t>(i);
    }
    request[64] = 0x80;  // the last byte counts for SendReport
    ASSERT_TRUE(manager.SendReport(request, 0));
    EXPECT_EQ(clock.Sleeps(), (std::vector<int>{10}));
    auto received = keyboard->Received();
    ASSERT_EQ(received.size(), 1u);
    Request expected = MakeRequest(protocol::CMD_WRITE_KEYS, 56, 0x0118);
    for (std::size_t i = protocol::kHostData; i < kRequestSize; ++i) {
        expected[i] = static_cast<std::uint8_t>(i);
    }
    expected[64] = 0x80;
    EXPECT_EQ(received[0][3], protocol::Checksum(expected.data(), 5, 64));
    EXPECT_EQ(received[0][63], 0x80);
    EXPECT_EQ(request[0], protocol::kAnswerMarker);  // the answer replaced the request
}

TEST_F(ReportExchangeTest, ChecksumExamples) {
    Connect();
    Request settings = MakeRequest(protocol::CMD_READ_SETTINGS, 32);
    ASSERT_TRUE(manager.QueryReport(settings, 0));
    Request begin = MakeRequest(protocol::CMD_BEGIN);
    ASSERT_TRUE(manager.SendReport(begin, 0));
    auto received = keyboard->Received();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0][protocol::kChecksum], 0x20);
    EXPECT_EQ(received[1][protocol::kChecksum], 0x00);
}

TEST_F(ReportExchangeTest, QueryChecksumLeavesOutTheLastHostByteWhichIsNeverSent) {
    Connect();
    Request request = MakeRequest(protocol::CMD_READ_KEYS, 56, 56);
    request[64] = 0x77;
    ASSERT_TRUE(manager.QueryReport(request, 0));  // the keyboard accepted the checksum
    auto received = keyboard->Received();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0][protocol::kChecksum], 56 + 56);
    EXPECT_EQ(received[0][63], 0);  // a query's last byte goes as zero
}

TEST_F(ReportExchangeTest, BothExchangesWriteTheReportIdAndTheWholeReport) {
    Connect();
    Request begin = MakeRequest(protocol::CMD_BEGIN);
    ASSERT_TRUE(manager.SendReport(begin, 0));
    Request read = MakeRequest(protocol::CMD_READ_SETTINGS, 32);
    ASSERT_TRUE(manager.QueryReport(read, 0));
    // Report id 0 is dropped on the way, as hidraw does; the keyboard takes
    // only whole 64-byte reports.
    EXPECT_EQ(keyboard->ReceivedLengths(), (std::vector<std::size_t>{64, 64}));
}

TEST_F(ReportExchangeTest, QueryReportReturnsTheTableData) {
    Connect();
    Request request = MakeRequest(protocol::CMD_READ_DEFAULT_KEYS, 56, 0);
    ASSERT_TRUE(manager.QueryReport(request, 0));
    EXPECT_EQ(request[0], protocol::kAnswerMarker);
    auto table = sim::KeyboardFirmware::FactoryKeyTable();
    for (std::size_t i = 0; i < 56; ++i) {
        EXPECT_EQ(request[8 + i], table[i]) << i;
    }
    // One drain read (nothing left over), the 10 ms wait, an answer at once.
    EXPECT_EQ(clock.Sleeps(), (std::vector<int>{50, 10}));
}

TEST_F(ReportExchangeTest, UnansweredSendReportFollowsTheRetrySchedule) {
    Connect();
    keyboard->SetFaults({.neverAnswer = true});
    Request request = MakeRequest(protocol::CMD_BEGIN);
    EXPECT_FALSE(manager.SendReport(request, 0));
    EXPECT_EQ(keyboard->WriteCount(), 3);
    EXPECT_EQ(clock.Sleeps(), (std::vector<int>{10, 50, 100, 50, 1000, 50}));
    EXPECT_EQ(clock.TotalSleptMs(), 1260u);
}

TEST_F(ReportExchangeTest, RefusingKeyboardGetsThreeWritesFromSendReport) {
    Connect();
    keyboard->SetFaults({.refuseAll = true});
    Request request = MakeRequest(protocol::CMD_WRITE_KEYS, 56);
    EXPECT_FALSE(manager.SendReport(request, 0));
    EXPECT_EQ(keyboard->WriteCount(), 3);
    EXPECT_EQ(clock.Sleeps(), (std::vector<int>{10, 100, 1000}));
    EXPECT_NE(request[0], protocol::kAnswerMarker);
}

TEST_F(ReportExchangeTest, RefusingKeyboardGetsOneWriteAndThreeReadsFromQueryReport) {
    Connect();
    keyboard->SetFaults({.refuseAll = true});
    Request request = MakeRequest(protocol::CMD_READ_SETTINGS, 32);
    EXPECT_FALSE(manager.QueryReport(request, 0));
    EXPECT_EQ(keyboard->WriteCount(), 1);
    // Drain (nothing), 10 ms, the refusal at once, then two reads that time
    // out, each after a 10 ms wait.
    EXPECT_EQ(clock.Sleeps(), (std::vector<int>{50, 10, 10, 50, 10, 50}));
}

TEST_F(ReportExchangeTest, AnswerAfterSixtyMillisecondsIsTakenOnTheSecondTry) {
    Connect();
    keyboard->SetFaults({.answerDelayMs = 60});
    Request request = MakeRequest(protocol::CMD_BEGIN);
    EXPECT_TRUE(manager.SendReport(request, 0));
    EXPECT_EQ(keyboard->WriteCount(), 2);
    // The first read gives up after 50 ms; after the 100 ms wait the late
    // first answer is there and acknowledges the second write.
    EXPECT_EQ(clock.Sleeps(), (std::vector<int>{10, 50, 100}));
}

TEST_F(ReportExchangeTest, QueryReportDrainsAnswersLeftOver) {
    Connect();
    keyboard->SetFaults({.answerDelayMs = 60});
    Request begin = MakeRequest(protocol::CMD_BEGIN);
    ASSERT_TRUE(manager.SendReport(begin, 0));  // leaves the second answer behind
    keyboard->SetFaults({});
    clock.Advance(100);  // the late answer has arrived meanwhile
    clock.ClearSleeps();

    Request request = MakeRequest(protocol::CMD_READ_SETTINGS, 32);
    ASSERT_TRUE(manager.QueryReport(request, 0));
    EXPECT_EQ(request[1], protocol::CMD_READ_SETTINGS);  // its own answer, not CMD_BEGIN's
    EXPECT_EQ(request[8 + 3], 100);                      // factory brightness
    // The drain takes the leftover at once and pauses 10 ms, finds nothing
    // more after 50 ms; then the 10 ms wait and the request.
    EXPECT_EQ(clock.Sleeps(), (std::vector<int>{10, 50, 10}));
}

TEST_F(ReportExchangeTest, WriteFailureGivesUpAfterOneRetry) {
    Connect();
    keyboard->SetFaults({.vanishAfterReports = 0});
    Request request = MakeRequest(protocol::CMD_BEGIN);
    EXPECT_FALSE(manager.SendReport(request, 0));
    EXPECT_EQ(keyboard->WriteCount(), 2);
    EXPECT_EQ(clock.Sleeps(), (std::vector<int>{10, 10}));

    Request query = MakeRequest(protocol::CMD_READ_SETTINGS, 32);
    clock.ClearSleeps();
    EXPECT_FALSE(manager.QueryReport(query, 0));
    EXPECT_EQ(keyboard->WriteCount(), 4);
    EXPECT_EQ(clock.Sleeps(), (std::vector<int>{10, 10}));  // the drain read fails at once
}

TEST_F(ReportExchangeTest, KeyboardVanishingMidTransactionFailsTheRestQuickly) {
    Connect();
    keyboard->SetFaults({.vanishAfterReports = 2});
    Request begin = MakeRequest(protocol::CMD_BEGIN);
    EXPECT_TRUE(manager.SendReport(begin, 0));
    Request block = MakeRequest(protocol::CMD_WRITE_KEYS, 56);
    EXPECT_TRUE(manager.SendReport(block, 0));
    Request second = MakeRequest(protocol::CMD_WRITE_KEYS, 56, 56);
    EXPECT_FALSE(manager.SendReport(second, 0));
    Request end = MakeRequest(protocol::CMD_END);
    EXPECT_FALSE(manager.SendReport(end, 0));
    EXPECT_TRUE(keyboard->WithFirmware([](sim::KeyboardFirmware& f) { return f.InTransaction(); }));
}

// Only a whole answer that repeats the request's command and offset
// acknowledges it: a garbled answer never does, and a late answer to an
// earlier request is passed over rather than taken for this one's.
TEST_F(ReportExchangeTest, OnlyTheRequestsOwnWholeAnswerAcknowledgesIt) {
    using Garbage = sim::FirmwareFaults::Garbage;
    Connect();
    for (Garbage garbage : {Garbage::kWrongMarker, Garbage::kWrongEcho, Garbage::kShort}) {
        SCOPED_TRACE(static_cast<int>(garbage));
        keyboard->SetFaults({.garbage = garbage});
        Request block = MakeRequest(protocol::CMD_WRITE_KEYS, 56, 56);
        EXPECT_FALSE(manager.SendReport(block, 0));
        Request query = MakeRequest(protocol::CMD_READ_DEFAULT_KEYS, 56, 0);
        EXPECT_FALSE(manager.QueryReport(query, 0));
    }

    keyboard->SetFaults({.answerDelayMs = 60});
    Request begin = MakeRequest(protocol::CMD_BEGIN);
    ASSERT_TRUE(manager.SendReport(begin, 0));  // leaves the second answer behind
    keyboard->SetFaults({.refuseAll = true});
    Request block = MakeRequest(protocol::CMD_WRITE_KEYS, 56);
    EXPECT_FALSE(manager.SendReport(block, 0));  // refused, whatever CMD_BEGIN's answer said
    keyboard->SetFaults({.answerDelayMs = 60});
    Request again = MakeRequest(protocol::CMD_BEGIN);
    ASSERT_TRUE(manager.SendReport(again, 0));
    keyboard->SetFaults({});
    Request query = MakeRequest(protocol::CMD_READ_SETTINGS, 32);
    ASSERT_TRUE(manager.QueryReport(query, 0));  // the late answer comes after the drain
    EXPECT_EQ(query[protocol::kCommand], protocol::CMD_READ_SETTINGS);
    EXPECT_EQ(query[protocol::kData + 3], 100);  // factory brightness
}

}  // namespace
}  // namespace vantora
