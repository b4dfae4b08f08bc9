#include <gtest/gtest.h>

#include "sim/sim_command_line.h"

namespace vantora::sim {
namespace {

TEST(SimCommandLineTest, DefaultsComeFromTheConfiguredIds) {
    SimCommandLine options;
    std::string error;
    ASSERT_TRUE(ParseSimCommandLine({}, "abcd", "00EF", options, error));
    EXPECT_EQ(options.server.vendorId, 0xABCD);
    EXPECT_EQ(options.server.productId, 0x00EF);
    // Unusable configured ids leave the built-in ones.
    ASSERT_TRUE(ParseSimCommandLine({}, "", "xyz", options, error));
    EXPECT_EQ(options.server.vendorId, 0x1209);
    EXPECT_EQ(options.server.productId, 0x0001);
}

TEST(SimCommandLineTest, ConfiguredIdsAreReadAsTheProgramReadsThem) {
    SimCommandLine options;
    std::string error;
    ASSERT_TRUE(ParseSimCommandLine({"--configured-ids"}, "1209", "0001", options, error));
    EXPECT_TRUE(options.configuredIds);
    EXPECT_EQ(ConfiguredIdsLine(" 0xABCD", "1;x"), "abcd 0001");
    EXPECT_EQ(ConfiguredIdsLine("", "zz"), "0000 0000");
}

TEST(SimCommandLineTest, ReadsEverySwitch) {
    SimCommandLine options;
    std::string error;
    ASSERT_TRUE(ParseSimCommandLine(
        {"--vid", "1234", "--pid", "0x5678", "--release", "0203", "--trace", "/tmp/t", "--state", "/tmp/s",
         "--refuse", "--delay", "60", "--no-answer", "--vanish-after", "5", "--product", "Board", "--window"},
        "1209", "0001", options, error))
        << error;
    EXPECT_EQ(options.server.vendorId, 0x1234);
    EXPECT_EQ(options.server.productId, 0x5678);
    EXPECT_EQ(options.server.releaseNumber, 0x0203);
    EXPECT_EQ(options.server.traceFile, "/tmp/t");
    EXPECT_EQ(options.server.stateFile, "/tmp/s");
    EXPECT_TRUE(options.server.faults.refuseAll);
    EXPECT_EQ(options.server.faults.answerDelayMs, 60);
    EXPECT_TRUE(options.server.faults.neverAnswer);
    EXPECT_EQ(options.server.faults.vanishAfterReports, 5);
    EXPECT_EQ(options.server.product, "Board");
    EXPECT_TRUE(options.window);
}

TEST(SimCommandLineTest, RejectsBadArguments) {
    SimCommandLine options;
    std::string error;
    EXPECT_FALSE(ParseSimCommandLine({"--vid"}, "1209", "0001", options, error));
    EXPECT_FALSE(ParseSimCommandLine({"--vid", "12345"}, "1209", "0001", options, error));
    EXPECT_FALSE(ParseSimCommandLine({"--pid", "zz"}, "1209", "0001", options, error));
    EXPECT_FALSE(ParseSimCommandLine({"--delay", "-1"}, "1209", "0001", options, error));
    EXPECT_FALSE(ParseSimCommandLine({"--bogus"}, "1209", "0001", options, error));
    EXPECT_FALSE(error.empty());
}

TEST(SimCommandLineTest, ParsesCommands) {
    auto press = ParseSimCommand("press 12");
    EXPECT_EQ(press.kind, SimCommand::Kind::Press);
    EXPECT_EQ(press.index, 12);
    EXPECT_FALSE(press.fn);
    auto fn = ParseSimCommand("  press 127 fn ");
    EXPECT_EQ(fn.kind, SimCommand::Kind::Press);
    EXPECT_TRUE(fn.fn);
    EXPECT_EQ(ParseSimCommand("unplug").kind, SimCommand::Kind::Unplug);
    EXPECT_EQ(ParseSimCommand("plug").kind, SimCommand::Kind::Plug);
    EXPECT_EQ(ParseSimCommand("dump").kind, SimCommand::Kind::Dump);
    EXPECT_EQ(ParseSimCommand("quit").kind, SimCommand::Kind::Quit);
    EXPECT_EQ(ParseSimCommand("").kind, SimCommand::Kind::Empty);
    EXPECT_EQ(ParseSimCommand("press 128").kind, SimCommand::Kind::Invalid);
    EXPECT_EQ(ParseSimCommand("press -1").kind, SimCommand::Kind::Invalid);
    EXPECT_EQ(ParseSimCommand("press 3 fm").kind, SimCommand::Kind::Invalid);
    EXPECT_EQ(ParseSimCommand("press").kind, SimCommand::Kind::Invalid);
    EXPECT_EQ(ParseSimCommand("plug now").kind, SimCommand::Kind::Invalid);
    EXPECT_EQ(ParseSimCommand("dump all").kind, SimCommand::Kind::Invalid);
}

}  // namespace
}  // namespace vantora::sim
