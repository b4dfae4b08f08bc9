// vantoractl run as a user runs it: a private home, the simulated keyboard
// of a private simulator folder served from this process.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "db/profile_database.h"
#include "device/protocol.h"
#include "sim/sim_keyboard_server.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace vantora {
namespace {

using test::ProcessResult;

class VantoraCtlTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"home", "config", "run", "documents", "sim"}) {
            const std::string path = dir.path() + folder;
            ::mkdir(path.c_str(), 0700);
        }
        environment = {{"HOME", dir.path() + "home"},
                       {"XDG_CONFIG_HOME", dir.path() + "config"},
                       {"XDG_RUNTIME_DIR", dir.path() + "run"},
                       {"XDG_DOCUMENTS_DIR", dir.path() + "documents"},
                       {"VANTORA_SIM_DIR", dir.path() + "sim"},
                       {"VANTORA_SIMULATED_ONLY", "1"},
                       {"LANG", "C"}};
    }

    void Plug(const sim::FirmwareFaults& faults = {}) {
        sim::SimKeyboardServer::Options options;
        options.folder = dir.path() + "sim";
        options.traceFile = TracePath();
        options.faults = faults;
        keyboard = std::make_unique<sim::SimKeyboardServer>(options);
        std::string error;
        ASSERT_TRUE(keyboard->Plug(&error)) << error;
    }

    ProcessResult Ctl(const std::vector<std::string>& args) {
        return test::RunProgram(std::string(VANTORA_BIN_DIR) + "vantoractl", args, environment);
    }

    std::string DataFolder() const { return dir.path() + "documents/VANTORA Files/"; }
    std::string TracePath() const { return dir.path() + "trace.log"; }

    // Runs `read` on the database while no vantoractl runs.
    template <typename Read>
    auto WithDatabase(Read read) {
        ProfileDatabase db;
        EXPECT_TRUE(db.OpenProfileDatabase(DataFolder(), "kb_data"));
        return read(db);
    }
    std::uint8_t Firmware(std::size_t settingsOffset) {
        return keyboard->WithFirmware([&](sim::KeyboardFirmware& f) { return f.Settings()[settingsOffset]; });
    }
    // The command byte of every report the keyboard received, in order.
    std::vector<int> TracedCommands() {
        std::ifstream trace(TracePath());
        std::vector<int> commands;
        std::string line;
        while (std::getline(trace, line)) {
            if (line.size() >= 2 * (protocol::kCommand + 1)) {
                commands.push_back(std::stoi(line.substr(2 * protocol::kCommand, 2), nullptr, 16));
            }
        }
        return commands;
    }

    test::TempDir dir;
    std::map<std::string, std::string> environment;
    std::unique_ptr<sim::SimKeyboardServer> keyboard;
};

TEST_F(VantoraCtlTest, WithoutAKeyboardReadingWorksAndChangingChangesNothing) {
    const ProcessResult list = Ctl({"profile", "list"});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find("*  1  Profile 1"), std::string::npos) << list.out;
    // The first start's database: schema, backup, profiles and settings.
    EXPECT_TRUE(std::filesystem::exists(DataFolder() + "db/kb_data_data.db"));
    EXPECT_TRUE(std::filesystem::exists(DataFolder() + "db/data_bak.db"));
    EXPECT_EQ(WithDatabase([](ProfileDatabase& db) {
                  std::string value;
                  return db.GetConfig("disable_win", value);
              }),
              true);

    const ProcessResult status = Ctl({"--json", "status"});
    EXPECT_EQ(status.exitCode, 0);
    EXPECT_NE(status.out.find("\"connected\":false"), std::string::npos) << status.out;
    EXPECT_NE(status.out.find("\"active_profile\":{\"id\":1,\"name\":\"Profile 1\"}"), std::string::npos);

    for (const std::vector<std::string>& args : {std::vector<std::string>{"profile", "add", "x"},
                                                 {"profile", "select", "2"},
                                                 {"profile", "delete", "2"},
                                                 {"profile", "rename", "2", "y"},
                                                 {"switch", "win", "on"},
                                                 {"sync"},
                                                 {"reset", "--yes"}}) {
        const ProcessResult result = Ctl(args);
        EXPECT_EQ(result.exitCode, 3) << args[0] << " " << result.err;
    }
    EXPECT_EQ(WithDatabase([](ProfileDatabase& db) {
                  std::vector<ProfileItem> list;
                  db.ListProfiles(list);
                  std::string win;
                  db.GetConfig("disable_win", win);
                  return std::to_string(list.size()) + list[1].name + win +
                         std::to_string(db.GetActiveProfile());
              }),
              "3Profile 201");
}

TEST_F(VantoraCtlTest, ExportAndImportWorkWithoutAKeyboard) {
    ::mkdir((dir.path() + "out").c_str(), 0700);
    const ProcessResult exported = Ctl({"profile", "export", "Profile 2", dir.path() + "out"});
    EXPECT_EQ(exported.exitCode, 0) << exported.err;
    const std::string file = exported.out.substr(0, exported.out.find('\n'));
    EXPECT_EQ(file.rfind(dir.path() + "out/Profile 2-", 0), 0u) << file;
    const ProcessResult imported = Ctl({"--json", "profile", "import", file});
    EXPECT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_EQ(imported.out, "{\"profile\":{\"id\":4,\"name\":\"Profile 2\"},\"left_out\":[]}\n");
    EXPECT_EQ(WithDatabase([](ProfileDatabase& db) { return db.GetActiveProfile(); }), 1);  // not made active

    EXPECT_EQ(Ctl({"profile", "export", "1", dir.path() + "missing"}).exitCode, 7);
    dir.WriteFile("junk.xml", "<macro></macro>");
    EXPECT_EQ(Ctl({"profile", "import", dir.path() + "junk.xml"}).exitCode, 7);
    EXPECT_EQ(Ctl({"profile", "import", dir.path() + "none.xml"}).exitCode, 7);
}

TEST_F(VantoraCtlTest, ADataFolderThatCannotBeMadeGivesExitSix) {
    dir.WriteFile("blocked", "a file where the documents folder should be");
    environment["XDG_DOCUMENTS_DIR"] = dir.path() + "blocked";
    for (const std::vector<std::string>& args : {std::vector<std::string>{"profile", "list"}, {"status"}}) {
        const ProcessResult result = Ctl(args);
        EXPECT_EQ(result.exitCode, 6) << args[0];
        EXPECT_NE(result.err.find("could not be opened"), std::string::npos) << result.err;
    }
}

TEST_F(VantoraCtlTest, BadUsageIsRefusedWithTheUsageLine) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"frobnicate"},
                                                 {"profile"},
                                                 {"profile", "add"},
                                                 {"switch", "caps", "on"},
                                                 {"switch", "win", "maybe"},
                                                 {"--bogus", "status"},
                                                 {"reset"}}) {
        const ProcessResult result = Ctl(args);
        EXPECT_EQ(result.exitCode, 1) << (args.empty() ? "" : args[0]);
        EXPECT_FALSE(result.err.empty());
    }
    EXPECT_NE(Ctl({"frobnicate"}).err.find("usage: vantoractl"), std::string::npos);
    const ProcessResult json = Ctl({"--json", "frobnicate"});
    EXPECT_EQ(json.out, "{\"error\":\"unknown verb \\\"frobnicate\\\"\",\"exit_code\":1}\n");
    const ProcessResult help = Ctl({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Exit codes"), std::string::npos);
}

TEST_F(VantoraCtlTest, ProfileVerbsFollowTheRulesAndReachTheKeyboard) {
    Plug();
    ASSERT_EQ(Ctl({"profile", "list"}).exitCode, 0);
    // Profile 2 remaps A (usage 4) to B (5); selecting it writes it.
    WithDatabase([](ProfileDatabase& db) {
        KeyAssignment row;
        row.profile = 2;
        row.key_code = 4;
        row.macro_type = 2;
        row.macro_value = 5;
        return db.SaveKeyAssignment(row);
    });
    const auto keyA = [this] {
        return keyboard->WithFirmware([](sim::KeyboardFirmware& f) { return f.KeyTable()[6 * 9 + 2]; });
    };
    EXPECT_NE(keyA(), 5);
    const ProcessResult select = Ctl({"--json", "profile", "select", "Profile 2"});
    EXPECT_EQ(select.exitCode, 0) << select.err;
    EXPECT_NE(select.out.find("\"active_profile\":{\"id\":2"), std::string::npos) << select.out;
    EXPECT_EQ(keyA(), 5);

    const ProcessResult add = Ctl({"profile", "add", "Spiel ✓"});
    EXPECT_EQ(add.exitCode, 0) << add.err;
    EXPECT_NE(keyA(), 5);  // the new active profile has no assignment
    EXPECT_EQ(Ctl({"profile", "rename", "4", "Profile 2"}).exitCode, 0);
    const ProcessResult ambiguous = Ctl({"profile", "select", "Profile 2"});
    EXPECT_EQ(ambiguous.exitCode, 1);
    EXPECT_NE(ambiguous.err.find("  4  Profile 2"), std::string::npos) << ambiguous.err;
    EXPECT_EQ(Ctl({"profile", "select", "99"}).exitCode, 2);
    EXPECT_EQ(Ctl({"profile", "delete", "nobody"}).exitCode, 2);
    EXPECT_EQ(Ctl({"profile", "add", " "}).exitCode, 5);
    EXPECT_EQ(Ctl({"profile", "rename", "1", ""}).exitCode, 5);

    // Deleting the active profile activates its neighbour; the last stays.
    EXPECT_EQ(Ctl({"profile", "select", "2"}).exitCode, 0);
    EXPECT_EQ(Ctl({"profile", "delete", "2"}).exitCode, 0);
    EXPECT_EQ(WithDatabase([](ProfileDatabase& db) { return db.GetActiveProfile(); }), 1);
    EXPECT_EQ(Ctl({"profile", "delete", "1"}).exitCode, 0);
    EXPECT_EQ(Ctl({"profile", "delete", "3"}).exitCode, 0);
    const ProcessResult last = Ctl({"--json", "profile", "delete", "4"});
    EXPECT_EQ(last.exitCode, 5);
    EXPECT_NE(last.out.find("\"exit_code\":5"), std::string::npos);
}

TEST_F(VantoraCtlTest, SwitchesResetAndSync) {
    Plug();
    EXPECT_EQ(Ctl({"switch", "win", "on"}).exitCode, 0);
    EXPECT_EQ(Firmware(17) & 0x01, 0x01);
    EXPECT_EQ(Ctl({"switch", "altf4", "on"}).exitCode, 0);
    EXPECT_EQ(Firmware(17), 0x05);
    const ProcessResult status = Ctl({"status"});
    EXPECT_NE(status.out.find("connected (1209:0001, Fw Ver: 102)"), std::string::npos) << status.out;

    const ProcessResult reset = Ctl({"reset", "--yes"});
    EXPECT_EQ(reset.exitCode, 0) << reset.err;
    EXPECT_EQ(Firmware(17), 0x00);
    EXPECT_EQ(WithDatabase([](ProfileDatabase& db) {
                  std::string win;
                  db.GetConfig("disable_win", win);
                  return win;
              }),
              "0");
    EXPECT_EQ(Ctl({"sync"}).exitCode, 0);
}

TEST_F(VantoraCtlTest, ARefusingKeyboardGivesExitFour) {
    sim::FirmwareFaults faults;
    faults.refuseAll = true;
    Plug(faults);
    const ProcessResult result = Ctl({"switch", "win", "on"});
    EXPECT_EQ(result.exitCode, 4) << result.err;
}

// Two at once: each transaction runs whole before the other begins.
TEST_F(VantoraCtlTest, TwoAtOnceNeverInterleaveOnTheKeyboard) {
    Plug();
    ASSERT_EQ(Ctl({"profile", "list"}).exitCode, 0);
    ProcessResult first;
    ProcessResult second;
    std::thread a([&] { first = Ctl({"profile", "select", "2"}); });
    std::thread b([&] { second = Ctl({"sync"}); });
    a.join();
    b.join();
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(second.exitCode, 0) << second.err;
    int open = 0;
    int transactions = 0;
    for (int command : TracedCommands()) {
        if (command == protocol::CMD_BEGIN) {
            EXPECT_EQ(open, 0) << "a transaction began inside another";
            ++open;
            ++transactions;
        } else if (command == protocol::CMD_END) {
            --open;
        }
    }
    EXPECT_GE(transactions, 5);
}

}  // namespace
}  // namespace vantora
