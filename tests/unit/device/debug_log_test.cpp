// The debug lines on standard error: off unless VANTORA_LOG=debug or
// --verbose asks for them, and then telling what is done with the keyboard.
#include "device/debug_log.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "device/hid_device_manager.h"
#include "sim/in_process_backend.h"
#include "support/env_guard.h"
#include "support/fake_clock.h"
#include "support/temp_dir.h"

namespace vantora {
namespace {

// Everything written to standard error while the object lives.
class StderrCapture {
public:
    explicit StderrCapture(const std::string& file) : file_(file) {
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        std::FILE* sink = std::fopen(file.c_str(), "w");
        ::dup2(::fileno(sink), STDERR_FILENO);
        std::fclose(sink);
    }
    ~StderrCapture() { Restore(); }
    std::string Text() {
        Restore();
        std::ifstream in(file_);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }

private:
    void Restore() {
        if (saved_ >= 0) {
            std::fflush(stderr);
            ::dup2(saved_, STDERR_FILENO);
            ::close(saved_);
            saved_ = -1;
        }
    }
    std::string file_;
    int saved_ = -1;
};

class DebugLogTest : public ::testing::Test {
protected:
    DebugLogTest() : backend(clock), manager(backend, clock) {}
    void TearDown() override { debug_log::SetEnabled(false); }

    // Opens a refusing keyboard, sends it one key table block and closes it.
    void TalkToARefusingKeyboard() {
        backend.AddKeyboard()->SetFaults({.refuseAll = true});
        manager.AddDeviceFilter(0x1209, 0x0001, "");
        ASSERT_TRUE(manager.OpenDevices());
        manager.SetOpenFlag(true);
        std::array<std::uint8_t, protocol::kRequestSize> request{};
        request[protocol::kHostMarker] = protocol::kRequestMarker;
        request[protocol::kHostCommand] = protocol::CMD_WRITE_KEYS;
        request[protocol::kHostLength] = 56;
        request[protocol::kHostOffsetLow] = 112;
        EXPECT_FALSE(manager.SendReport(request, 0));
        manager.CloseDevices();
    }

    test::TempDir dir;
    test::EnvGuard env;
    test::FakeClock clock;
    sim::InProcessHidBackend backend;
    HidDeviceManager manager;
};

TEST_F(DebugLogTest, OffByDefaultNothingIsWrittenNorFormatted) {
    env.Unset("VANTORA_LOG");
    debug_log::ConfigureFromEnvironment();
    StderrCapture captured(dir.path() + "err");
    int formatted = 0;
    VANTORA_DEBUG("%d", ++formatted);
    TalkToARefusingKeyboard();
    EXPECT_EQ(formatted, 0);
    EXPECT_EQ(captured.Text(), "");
}

TEST_F(DebugLogTest, DebugInTheEnvironmentTellsOpenCloseRetriesAndRefusals) {
    env.Set("VANTORA_LOG", "debug");
    debug_log::ConfigureFromEnvironment();
    StderrCapture captured(dir.path() + "err");
    TalkToARefusingKeyboard();
    const std::string text = captured.Text();
    for (const char* expected : {"vantora: debug: ", "keyboard 1209:0001 opened at ",
                                 "report 09 offset 112: no acknowledgement (answer 00), second try",
                                 "third try", "report 09 offset 112 refused after three tries", "closed"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected << " in:\n" << text;
    }
}

// --verbose switches the lines on whatever the environment says; any other
// VANTORA_LOG value leaves them off.
TEST_F(DebugLogTest, TheSwitchFollowsVerboseAndOnlyTheWordDebug) {
    env.Set("VANTORA_LOG", "info");
    debug_log::ConfigureFromEnvironment();
    EXPECT_FALSE(debug_log::Enabled());
    debug_log::SetEnabled(true);
    StderrCapture captured(dir.path() + "err");
    VANTORA_DEBUG("job %d (%s) starts", 4, "key table");
    const std::string text = captured.Text();
    EXPECT_EQ(text.rfind("vantora: debug: ", 0), 0u) << text;
    EXPECT_NE(text.find(" job 4 (key table) starts\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace vantora
