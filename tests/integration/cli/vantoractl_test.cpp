// vantoractl run as a user runs it: a private home, the simulated keyboard
// of a private simulator folder served from this process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <thread>

#include "db/profile_database.h"
#include "device/protocol.h"
#include "i18n/strings.h"
#include "keys/function_catalogue.h"
#include "keys/key_assignment_editor.h"
#include "sim/sim_keyboard_server.h"
#include "support/child_process.h"
#include "support/other_user.h"
#include "support/temp_dir.h"
#include "unit/db/db_fixture.h"

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
    // The same command in `runs` processes at once.
    std::vector<ProcessResult> AtOnce(int runs, const std::vector<std::string>& args) {
        std::vector<ProcessResult> results(static_cast<std::size_t>(runs));
        std::vector<std::thread> threads;
        for (ProcessResult& result : results) {
            threads.emplace_back([this, &result, &args] { result = Ctl(args); });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        return results;
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
    // The three bytes of a key's function in the keyboard's key table.
    std::array<std::uint8_t, 3> KeySlot(int keyIndex, int layer) {
        return keyboard->WithFirmware([&](sim::KeyboardFirmware& f) {
            const std::size_t at = static_cast<std::size_t>(6 * keyIndex + 3 * layer);
            return std::array<std::uint8_t, 3>{f.KeyTable()[at], f.KeyTable()[at + 1], f.KeyTable()[at + 2]};
        });
    }
    int KeyTableWrites() {
        const std::vector<int> commands = TracedCommands();
        return static_cast<int>(std::count(commands.begin(), commands.end(), protocol::CMD_WRITE_KEYS));
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
                                                 {"key", "set", "A", "disable"},
                                                 {"light", "set", "2"},
                                                 {"light", "keys", "--clear"},
                                                 {"macro", "add", "x"},
                                                 {"macro", "rename", "1", "y"},
                                                 {"macro", "delete", "1"},
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
    EXPECT_EQ(WithDatabase([](ProfileDatabase& db) { return db.CountLightModes(1); }), 0);
    EXPECT_EQ(WithDatabase([](ProfileDatabase& db) {
                  std::vector<Macro> macros;
                  return db.ListMacros(macros);
              }),
              0);
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
    // A pipe nobody writes to is refused at once, never waited on.
    ASSERT_EQ(::mkfifo((dir.path() + "pipe.xml").c_str(), 0600), 0);
    const ProcessResult pipe = Ctl({"profile", "import", dir.path() + "pipe.xml"});
    EXPECT_EQ(pipe.exitCode, 7);
    EXPECT_NE(pipe.err.find("it is a pipe"), std::string::npos) << pipe.err;
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
                                                 {"key", "set", "A"},
                                                 {"key", "list", "--layer", "2"},
                                                 {"--profile", "1", "status"},
                                                 {"reset"},
                                                 {"devices", "extra"},
                                                 {"devices", "--rule", "12345:1"},
                                                 {"devices", "--rule", "1209"},
                                                 {"devices", "--rule"},
                                                 {"status", "--rule", "1209:0001"}}) {
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

// Two keyboards attached; the user's config.ini picks the second one key by
// key, the keys it leaves out still come from the shipped file.
TEST_F(VantoraCtlTest, DevicesListsTheInterfacesAndTheUserConfigChoosesTheKeyboard) {
    Plug();
    sim::SimKeyboardServer::Options options;
    options.folder = dir.path() + "sim";
    options.productId = 0x0002;
    options.product = "Other Keyboard";
    sim::SimKeyboardServer other(options);
    ASSERT_TRUE(other.Plug());
    struct Case {
        const char* userConfig;  // nullptr: none
        std::vector<std::string> lines;
        const char* status;
        const char* layout;
    };
    const Case cases[] = {
        {nullptr,
         {"* 1209:0001   2  passed     VANTORA Gaming Keyboard", "  1209:0001   1  failed ",
          "  1209:0002   2  passed     Other Keyboard", "configured in config.ini (1209:0001)"},
         "\"connected\":true,\"vendor_id\":\"1209\",\"product_id\":\"0001\"",
         "RGB-Keyboard-104K"},
        {"[TEXT]\nPID=0002\n",
         {"  1209:0001   2  passed ", "* 1209:0002   2  passed     Other Keyboard"},
         "\"connected\":true,\"vendor_id\":\"1209\",\"product_id\":\"0002\"",
         "RGB-Keyboard-104K"},
        {"[TEXT]\nVID = dead\nLAYOUT=1\n",
         {"  1209:0001   2  passed ", "(dead:0001) is not attached"},
         "\"connected\":false,\"vendor_id\":\"dead\",\"product_id\":\"0001\"",
         "RGB-Keyboard-61K"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(dir.path() + "config/VANTORA");
        if (c.userConfig != nullptr) {
            dir.WriteFile("config/VANTORA/config.ini", c.userConfig);
        }
        const ProcessResult list = Ctl({"devices"});
        EXPECT_EQ(list.exitCode, 0) << list.err;
        for (const std::string& line : c.lines) {
            EXPECT_NE(list.out.find(line), std::string::npos) << line << "\n" << list.out;
        }
        const ProcessResult status = Ctl({"--json", "status"});
        EXPECT_NE(status.out.find(c.status), std::string::npos) << status.out;
        EXPECT_NE(status.out.find("\"layout\":\"" + std::string(c.layout) + "\""), std::string::npos)
            << status.out;
    }

    const ProcessResult json = Ctl({"devices", "--json"});
    EXPECT_NE(json.out.find("{\"vendor_id\":\"1209\",\"product_id\":\"0001\",\"interface\":2,"
                            "\"usage_page\":\"ff1c\",\"usage\":\"0092\",\"manufacturer\":\"VANTORA\","
                            "\"product\":\"VANTORA Gaming Keyboard\",\"path\":\""),
              std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("\"keyboard_check\":true,\"configured\":false}"), std::string::npos);
    EXPECT_EQ(Ctl({"devices", "--rule", "1209:2"}).out,
              "KERNEL==\"hidraw*\", SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"1209\", "
              "ATTRS{idProduct}==\"0002\", TAG+=\"uaccess\"\n");
    EXPECT_NE(Ctl({"--json", "devices", "--rule=DEAD:beef"}).out.find("\"rule\":\"KERNEL==\\\"hidraw*\\\""),
              std::string::npos);
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
    // Names an exchange file cannot hold are refused where they are typed.
    for (const auto& [args, why] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"profile", "add", "\x1b]0;owned\x07"}, "A profile name cannot hold control characters"},
             {{"profile", "rename", "1", "two\nlines"}, "A profile name cannot hold control characters"},
             {{"profile", "rename", "1", "bad\xff"}, "A profile name must be UTF-8 text"},
             {{"macro", "add", "tab\there"}, "A macro name cannot hold control characters"}}) {
        const ProcessResult refused = Ctl(args);
        EXPECT_EQ(refused.exitCode, 5) << args[1];
        EXPECT_NE(refused.err.find(why), std::string::npos) << refused.err;
    }

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

// Another program writing to the database: a change waits for it (here
// 200 ms) and is then refused with exit 8 and the reason; reading goes on;
// a writer that lets go within the wait only delays the change.
TEST_F(VantoraCtlTest, ADatabaseAnotherWriterKeepsBusyMakesChangesWaitThenExitEight) {
    Plug();
    ASSERT_EQ(Ctl({"profile", "list"}).exitCode, 0);
    environment[kBusyTimeoutVariable] = "200";
    test::OtherWriter other(DataFolder() + "db/kb_data_data.db");
    ASSERT_TRUE(other.Locked());
    const ProcessResult refused = Ctl({"profile", "add", "Locked"});
    EXPECT_EQ(refused.exitCode, 8);
    EXPECT_NE(refused.err.find("in use by another program"), std::string::npos) << refused.err;
    EXPECT_NE(Ctl({"--json", "macro", "add", "Locked"}).out.find("\"exit_code\":8"), std::string::npos);
    EXPECT_EQ(Ctl({"key", "set", "A", "default"}).exitCode, 8);  // a change that stores no row
    EXPECT_EQ(Ctl({"profile", "list"}).exitCode, 0);             // reading goes on

    environment[kBusyTimeoutVariable] = "30000";
    std::thread release([&other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        other.Release();
    });
    const ProcessResult waited = Ctl({"profile", "add", "Waited"});
    release.join();
    EXPECT_EQ(waited.exitCode, 0) << waited.err;
    EXPECT_EQ(WithDatabase([](ProfileDatabase& db) {
                  std::vector<ProfileItem> profiles;
                  return db.ListProfiles(profiles);
              }),
              4);
}

// A reset the database does not take resets nothing: neither the rows nor
// the keyboard.
TEST_F(VantoraCtlTest, AResetOnABusyDatabaseChangesNothing) {
    Plug();
    ASSERT_EQ(Ctl({"switch", "win", "on"}).exitCode, 0);
    environment[kBusyTimeoutVariable] = "200";
    {
        test::OtherWriter other(DataFolder() + "db/kb_data_data.db");
        ASSERT_TRUE(other.Locked());
        const ProcessResult reset = Ctl({"reset", "--yes"});
        EXPECT_EQ(reset.exitCode, 8);
        EXPECT_NE(reset.err.find("in use by another program"), std::string::npos) << reset.err;
    }
    const std::vector<int> commands = TracedCommands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), protocol::CMD_FACTORY_RESET), 0);
    EXPECT_EQ(Firmware(17) & 0x01, 0x01);
    EXPECT_EQ(WithDatabase([](ProfileDatabase& db) {
                  std::string win;
                  db.GetConfig("disable_win", win);
                  return win;
              }),
              "1");
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

// What another user could plant in the runtime folder is taken neither for
// the running program nor for another vantoractl at work: the command is
// refused, says why, and the keyboard gets nothing.
TEST_F(VantoraCtlTest, WhatIsPlantedInTheRuntimeFolderIsNotTrusted) {
    Plug();
    const std::string run = dir.path() + "run/";
    const std::string shared = dir.path() + "shared";
    ::mkdir(shared.c_str(), 0700);
    ::chmod(shared.c_str(), 01777);
    // Plants `name` in the runtime folder as another user would: made in the
    // shared folder by that user, then moved in. -1 when it cannot be done.
    auto moveIn = [&](const std::string& name) {
        return ::rename((shared + "/" + name).c_str(), (run + name).c_str()) == 0 ? 0 : -1;
    };
    struct Case {
        const char* name;
        std::function<int()> plant;  // a descriptor to close afterwards, 0, or -1: cannot be done here
        std::vector<std::string> args;
        std::string said;
    };
    const std::string lock = "VANTORA.keyboard.lock";
    const std::vector<Case> cases = {
        {"lock file linked elsewhere",
         [&] { return ::symlink((dir.path() + "elsewhere").c_str(), (run + lock).c_str()) == 0 ? 0 : -1; },
         {"switch", "win", "on"},
         "cannot open the lock file " + run + lock + ": it is a symbolic link"},
        {"another user's lock file",
         [&] {
             const bool made = test::CanActAsOtherUser() && test::AsOtherUser(shared, [&lock] {
                                   const int fd = ::open(lock.c_str(), O_CREAT | O_WRONLY, 0600);
                                   return fd >= 0 && ::close(fd) == 0;
                               });
             return made ? moveIn(lock) : -1;
         },
         {"switch", "win", "on"},
         "the lock file " + run + lock + " belongs to another user (uid 65534)"},
        {"socket served by another user",
         [&] {
             const int listener =
                 test::CanActAsOtherUser() ? test::ListenAsOtherUser(shared, "VANTORA.instance") : -1;
             return listener >= 0 && moveIn("VANTORA.instance") == 0 ? listener : -1;
         },
         {"status"},
         "the socket " + run + "VANTORA.instance is served by another user (uid 65534)"},
    };
    std::string skipped;
    for (const Case& c : cases) {
        const int planted = c.plant();
        if (planted < 0) {
            skipped += std::string(" ") + c.name;
            continue;
        }
        const ProcessResult result = Ctl(c.args);
        EXPECT_EQ(result.exitCode, 4) << c.name << ": " << result.err;
        EXPECT_NE(result.err.find(c.said), std::string::npos) << c.name << ": " << result.err;
        EXPECT_TRUE(TracedCommands().empty()) << c.name;
        if (planted > 0) {
            ::close(planted);
        }
        std::filesystem::remove(run + lock);
        std::filesystem::remove(run + "VANTORA.instance");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "elsewhere"));  // the link was not followed
    if (!skipped.empty()) {
        GTEST_SKIP() << "needs root to act as another user:" << skipped;
    }
}

// A new home: the file, its tables and the first start's rows (profiles,
// settings, the light modes) are made once.
TEST_F(VantoraCtlTest, FourAtOnceOnANewHomeMakeTheDatabaseOnce) {
    for (const ProcessResult& result : AtOnce(4, {"light", "list"})) {
        EXPECT_EQ(result.exitCode, 0) << result.err;
    }
    const std::string file = DataFolder() + "db/kb_data_data.db";
    const struct {
        const char* sql;
        int count;
    } expected[] = {
        {"SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name LIKE 't_%'", 9},
        {"SELECT count(*) FROM t_profile_data", 3},
        {"SELECT count(*) FROM t_config_data", 9},
        {"SELECT count(*) FROM t_light_data", 23},
        {"SELECT count(DISTINCT mode) FROM t_light_data", 23},
    };
    for (const auto& e : expected) {
        EXPECT_EQ(test::QueryIntOnFile(file, e.sql), e.count) << e.sql;
    }
}

TEST_F(VantoraCtlTest, FourImportsAtOnceAreAllStored) {
    ::mkdir((dir.path() + "out").c_str(), 0700);
    const ProcessResult exported = Ctl({"profile", "export", "Profile 2", dir.path() + "out"});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    const std::string file = exported.out.substr(0, exported.out.find('\n'));
    for (const ProcessResult& result : AtOnce(4, {"profile", "import", file})) {
        EXPECT_EQ(result.exitCode, 0) << result.err;
    }
    EXPECT_EQ(WithDatabase([](ProfileDatabase& db) {
                  std::vector<ProfileItem> profiles;
                  return db.ListProfiles(profiles);
              }),
              7);
}

// The database, its log, its backup and their folders are the user's alone.
TEST_F(VantoraCtlTest, TheDataFolderAndTheDatabaseAreReadableByTheUserAlone) {
    const mode_t mask = ::umask(022);
    ASSERT_EQ(Ctl({"profile", "list"}).exitCode, 0);
    ::umask(mask);
    const auto mode = [](const std::string& path) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : 0777u;
    };
    EXPECT_EQ(mode(DataFolder()), 0700u);
    EXPECT_EQ(mode(DataFolder() + "db"), 0700u);
    EXPECT_EQ(mode(DataFolder() + "db/kb_data_data.db"), 0600u);
    EXPECT_EQ(mode(DataFolder() + "db/data_bak.db"), 0600u);
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

// A row as the keyboard picture and the key download read it.
std::string RowText(const KeyAssignment& row) {
    return std::to_string(row.macro_type) + " " + std::to_string(row.macro_value) + " " +
           std::to_string(row.macro_value2) + " " + row.macro_desc;
}

TEST_F(VantoraCtlTest, KeySetStoresWhatTheKeyPageStoresAndKeyListShowsIt) {
    Plug();
    ASSERT_EQ(Ctl({"profile", "list"}).exitCode, 0);
    const int macroId = WithDatabase([](ProfileDatabase& db) { return db.AddMacro("Greeting"); });
    dir.WriteFile("tools/editor", "#!/bin/sh\n");
    const std::string program = dir.path() + "tools/editor";
    std::filesystem::permissions(program, std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);

    // What the KEY page would be given for the same function.
    auto combination = [](std::vector<std::pair<unsigned, const char*>> presses) {
        KeyFunction function;
        function.type = kFunctionKeyboard;
        for (const auto& [virtualKey, name] : presses) {
            CaptureCombinationKey(function, virtualKey, name);
        }
        return function;
    };
    auto listed = [](int type, int value) {
        KeyFunction function;
        function.type = type;
        function.listValue = value;
        return function;
    };
    auto typed = [](int type, const std::string& text, const std::string& path = {}) {
        KeyFunction function;
        function.type = type;
        function.text = text;
        function.programPath = path;
        return function;
    };
    struct Case {
        std::vector<std::string> args;  // after "key set"
        int key;
        int layer;
        std::string row;  // type, values and label stored
        KeyFunction page;
    };
    const std::vector<Case> cases = {
        {{"Escape", "disable"}, 41, 0, "1 1 0 Disable Key", listed(kFunctionDisableKey, 0)},
        {{"Letter A", "key", "b", "RCtrl"},
         4,
         0,
         "2 5 224 Ctrl + B",
         combination({{162, "Ctrl"}, {'B', "B"}})},
        {{"caps lock", "key", "Left Shift"}, 57, 0, "2 225 0 Shift", combination({{160, "Shift"}})},
        {{"F1", "macro", "greeting"},
         58,
         0,
         "3 " + std::to_string(macroId) + " 0 Greeting",
         listed(kFunctionMacro, macroId)},
        {{"59", "mouse", "3"}, 59, 0, "5 3 0 Right Mouse Button", listed(kFunctionMouse, 3)},
        {{"Num 7", "media", "VOLUME +"}, 95, 0, "6 5 0 Volume +", listed(kFunctionMultimedia, 5)},
        {{"Letter S", "shortcut", "Copy", "--layer", "1"},
         22,
         1,
         "7 6 0 Copy",
         listed(kFunctionWindowsShortcut, 6)},
        {{"Letter D", "app", program}, 7, 0, "8 1 0 editor", typed(kFunctionApplication, "editor", program)},
        {{"Letter F", "web", "example.org"},
         9,
         0,
         "9 2 0 example.org",
         typed(kFunctionWebsite, "example.org")},
        {{"Letter G", "text", "Hello, world"},
         10,
         0,
         "10 3 0 Hello, world",
         typed(kFunctionSendText, "Hello, world")},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"key", "set"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.insert(args.end(), {"--profile", "2"});  // not active: stored without a download each
        const ProcessResult set = Ctl(args);
        EXPECT_EQ(set.exitCode, 0) << c.args[0] << ": " << set.err;
    }

    // The rows are those the page stores: saving its function again changes nothing.
    // vantoractl ran in English (LANG=C): the page's labels in English too.
    const int language = CurrentUiLanguage.exchange(1033);
    WithDatabase([&cases, &program](ProfileDatabase& db) {
        for (const Case& c : cases) {
            KeyAssignment stored;
            ASSERT_TRUE(db.GetKeyAssignment(2, c.layer, c.key, stored)) << c.args[0];
            EXPECT_EQ(RowText(stored), c.row) << c.args[0];
            Selection selection;
            selection.profile = 2;
            selection.layer = c.layer;
            selection.selectedKey = c.key;
            ASSERT_EQ(KeyAssignmentEditor(db, selection).Save(c.page),
                      KeyAssignmentEditor::SaveResult::kSaved);
            KeyAssignment again;
            ASSERT_TRUE(db.GetKeyAssignment(2, c.layer, c.key, again));
            EXPECT_EQ(RowText(again), RowText(stored)) << c.args[0];
        }
        std::string desc;
        std::string path;
        int type = 0;
        EXPECT_TRUE(db.GetOtherData(1, desc, path, type));
        EXPECT_EQ(path, program);
    });
    CurrentUiLanguage = language;

    const ProcessResult text = Ctl({"key", "list", "--profile", "2"});
    EXPECT_EQ(text.exitCode, 0) << text.err;
    EXPECT_TRUE(std::regex_search(text.out, std::regex("\n +4  Letter A +Keyboard +5 224 +Ctrl \\+ B\n")))
        << text.out;
    EXPECT_EQ(text.out.find("Copy"), std::string::npos);  // on the FN layer
    const ProcessResult fn = Ctl({"--json", "key", "list", "--layer=1", "--profile", "Profile 2"});
    EXPECT_EQ(
        fn.out,
        "{\"profile\":{\"id\":2,\"name\":\"Profile 2\"},\"layer\":1,\"keys\":[{\"key\":22,\"description\":"
        "\"Letter S\",\"type\":7,\"type_name\":\"Windows Shortcut\",\"value\":6,\"value2\":0,\"label\":"
        "\"Copy\",\"on_keyboard\":true}]}\n");
    const ProcessResult json = Ctl({"--json", "key", "list", "--profile", "2"});
    EXPECT_NE(json.out.find("\"type_name\":\"Application\",\"value\":1,\"value2\":0,\"label\":\"editor\","
                            "\"program\":\"" +
                            program + "\",\"on_keyboard\":true}"),
              std::string::npos)
        << json.out;
}

TEST_F(VantoraCtlTest, KeySetOnTheActiveProfileReachesTheKeyboardAndDefaultUndoesIt) {
    Plug();
    const int keyA = 9;  // key index of usage 4
    const std::array<std::uint8_t, 3> factory = KeySlot(keyA, 0);
    const ProcessResult set = Ctl({"--json", "key", "set", "4", "key", "B", "Shift"});
    EXPECT_EQ(set.exitCode, 0) << set.err;
    EXPECT_NE(set.out.find("\"label\":\"Shift + B\",\"on_keyboard\":true}"), std::string::npos) << set.out;
    EXPECT_NE(set.out.find("\"written\":true"), std::string::npos);
    EXPECT_EQ(KeySlot(keyA, 0), (std::array<std::uint8_t, 3>{0x10, 0x02, 0x05}));

    const ProcessResult back = Ctl({"key", "set", "Letter A", "default"});
    EXPECT_EQ(back.exitCode, 0) << back.err;
    EXPECT_NE(back.out.find("Default, written to the keyboard"), std::string::npos) << back.out;
    EXPECT_EQ(KeySlot(keyA, 0), factory);
    EXPECT_EQ(WithDatabase([](ProfileDatabase& db) {
                  std::vector<KeyAssignment> rows;
                  db.ListKeyAssignments(1, 0, rows);
                  return rows.size();
              }),
              0u);
}

TEST_F(VantoraCtlTest, ANonActiveProfileIsStoredWithoutADownload) {
    Plug();
    ASSERT_EQ(Ctl({"profile", "list"}).exitCode, 0);
    const int writes = KeyTableWrites();
    const std::array<std::uint8_t, 3> before = KeySlot(9, 0);
    const ProcessResult set = Ctl({"key", "set", "A", "disable", "--profile", "Profile 2"});
    EXPECT_EQ(set.exitCode, 0) << set.err;
    EXPECT_NE(set.out.find("Stored only: profile 2 is not active"), std::string::npos) << set.out;
    EXPECT_EQ(KeyTableWrites(), writes);
    EXPECT_EQ(KeySlot(9, 0), before);
    EXPECT_EQ(WithDatabase([](ProfileDatabase& db) {
                  KeyAssignment row;
                  return db.GetKeyAssignment(2, 0, 4, row) ? RowText(row) : "none";
              }),
              "1 1 0 Disable Key");
    // Selecting the profile writes it.
    EXPECT_EQ(Ctl({"profile", "select", "2"}).exitCode, 0);
    EXPECT_GT(KeyTableWrites(), writes);
    EXPECT_NE(KeySlot(9, 0), before);
}

TEST_F(VantoraCtlTest, KeysAndFunctionsThatNameNothingAreRefusedAndChangeNothing) {
    Plug();
    dir.WriteFile("folder/file", "");
    struct Case {
        std::vector<std::string> args;  // after "key set"
        int exitCode;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"Nokey", "disable"}, 1, "No key of the keyboard is \"Nokey\""},
        {{"300", "disable"}, 1, "No key of the keyboard has the usage 300"},
        {{"arrow", "disable"},
         1,
         "\"arrow\" fits more than one key; give its usage or whole description:\n"
         "  82  Up arrow\n  80  Left arrow\n  81  Down arrow\n  79  Right arrow\n"},
        {{"A", "frob"}, 1, "unknown function \"frob\""},
        {{"A", "mouse", "Wiggle"}, 1, "No mouse function is \"Wiggle\"; one of:\n  1  Left Mouse Button\n"},
        {{"A", "shortcut", "9"}, 1, "No shortcut function is \"9\""},
        {{"A", "key", "B", "Win"}, 1, "The modifier is Shift, Ctrl or Alt"},
        {{"A", "key", "Shift", "Ctrl"}, 1, "is a modifier"},
        {{"A", "key", "Nokey"}, 1, "No key of the keyboard is \"Nokey\""},
        {{"A", "macro", "nothing"}, 2, "No macro is named \"nothing\""},
        {{"A", "macro", "7"}, 2, "No macro has the id 7"},
        {{"A", "app", dir.path() + "folder"}, 7, "No program file is at"},
        {{"A", "app", dir.path() + "none"}, 7, "No program file is at"},
        {{"A", "app", dir.path() + "folder/file"}, 5, "is neither an executable program nor a desktop entry"},
        {{"A", "web", ""}, 5, "cannot be empty"},
        {{"A", "web", " "}, 5, "cannot be empty"},
        {{"A", "web", "javascript:alert(1)"},
         5,
         "is no web address a key can open: only http, https and mailto"},
        {{"A", "web", "~/notes.txt"}, 5, "a local path is not a web address"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"key", "set"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ProcessResult result = Ctl(args);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.args[0] << " " << c.args[1] << ": " << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
    EXPECT_EQ(Ctl({"--json", "key", "set", "A", "disable", "--profile", "9"}).out,
              "{\"error\":\"No profile has the id 9.\",\"exit_code\":2}\n");
    EXPECT_EQ(WithDatabase([](ProfileDatabase& db) {
                  std::vector<KeyAssignment> rows;
                  db.ListKeyAssignments(1, 0, rows);
                  return rows.size();
              }),
              0u);
}

// ---- light verbs ----

// The light values of the keyboard's settings block: mode, brightness,
// speed byte, direction, colourful, colour index, red, green, blue.
std::array<std::uint8_t, 9> LightBytes(sim::SimKeyboardServer& keyboard) {
    return keyboard.WithFirmware([](sim::KeyboardFirmware& f) {
        std::array<std::uint8_t, 9> bytes{};
        std::copy_n(f.Settings().begin() + 2, bytes.size(), bytes.begin());
        return bytes;
    });
}

TEST_F(VantoraCtlTest, LightListShowsTheCatalogueWithTheCurrentModeWithoutAKeyboard) {
    const ProcessResult list = Ctl({"light", "list"});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find("*    1  Spectrum    brightness=100 speed=3\n"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find(
                  "     6  Rainbow     brightness=100 speed=3 direction=right color=38e3ed colorful=on\n"),
              std::string::npos);
    EXPECT_NE(list.out.find("     7  Wave Upr    brightness=100 speed=3 direction=down"), std::string::npos);
    // config.ini's PER_KEY=1: Custom is listed last.
    EXPECT_TRUE(list.out.ends_with("     0  Custom      brightness=100 per-key\n")) << list.out;

    const ProcessResult json = Ctl({"--json", "light", "list"});
    EXPECT_EQ(json.exitCode, 0);
    EXPECT_TRUE(
        json.out.starts_with("{\"modes\":[{\"mode\":1,\"name\":\"Spectrum\",\"stored_name\":"
                             "\"Spectrum\",\"active\":true,\"brightness\":100,\"speed\":3,"
                             "\"per_key\":false},"))
        << json.out;
    EXPECT_NE(json.out.find("{\"mode\":2,\"name\":\"Fixed\",\"stored_name\":\"Fixed\",\"active\":false,"
                            "\"brightness\":100,\"color\":\"38e3ed\",\"colorful\":true,\"per_key\":false}"),
              std::string::npos);
}

TEST_F(VantoraCtlTest, LightSetStoresTheModeAndItsParametersAndReachesTheKeyboard) {
    Plug();
    struct Case {
        std::vector<std::string> args;
        int mode;
        std::array<std::uint8_t, 9> bytes;  // as LightBytes
        int storedColour;
    };
    const std::vector<Case> cases = {
        // Red first on the command line, 0x00BBGGRR in the database.
        {{"FIXED", "--colorful", "off", "--color", "ff0000", "--brightness", "40"},
         2,
         {2, 40, 1, 0, 0, 0, 0xFF, 0x00, 0x00},
         0x0000FF},
        {{"6", "--direction=left", "--speed", "0", "--color", "#102030"},
         6,
         {6, 100, 4, 1, 1, 0, 0x10, 0x20, 0x30},
         0x302010},
        {{"wave upr", "--direction", "up", "--speed", "4", "--brightness", "0"},
         7,
         {7, 0, 0, 1, 1, 0, 0x38, 0xE3, 0xED},
         0xEDE338},
        {{"spectrum"}, 1, {1, 100, 1, 0, 1, 0, 0x38, 0xE3, 0xED}, 0xEDE338},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"light", "set"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ProcessResult result = Ctl(args);
        ASSERT_EQ(result.exitCode, 0) << c.args[0] << ": " << result.err;
        EXPECT_EQ(LightBytes(*keyboard), c.bytes) << c.args[0];
        EXPECT_EQ(WithDatabase([&c](ProfileDatabase& db) {
                      LightMode row;
                      db.GetLightMode(c.mode, row);
                      return std::make_pair(db.GetActiveLightMode(), row.color_value);
                  }),
                  std::make_pair(c.mode, c.storedColour))
            << c.args[0];
    }
    const ProcessResult json = Ctl({"--json", "light", "set", "Fixed", "--colorful", "on"});
    EXPECT_EQ(json.out,
              "{\"mode\":{\"mode\":2,\"name\":\"Fixed\",\"stored_name\":\"Fixed\",\"active\":true,"
              "\"brightness\":40,\"color\":\"ff0000\",\"colorful\":true,\"per_key\":false}}\n");

    // The per-key mode: the colour table first, then mode byte 0.
    const int tableWritesBefore =
        static_cast<int>(std::ranges::count(TracedCommands(), protocol::CMD_WRITE_KEY_COLOURS));
    const ProcessResult custom = Ctl({"light", "set", "custom", "--brightness", "70"});
    EXPECT_EQ(custom.exitCode, 0) << custom.err;
    EXPECT_EQ(LightBytes(*keyboard)[0], 0);
    EXPECT_EQ(LightBytes(*keyboard)[1], 70);
    EXPECT_GT(std::ranges::count(TracedCommands(), protocol::CMD_WRITE_KEY_COLOURS), tableWritesBefore);
}

TEST_F(VantoraCtlTest, LightArgumentsThatDoNotFitAreRefusedAndChangeNothing) {
    Plug();
    ASSERT_EQ(Ctl({"light", "list"}).exitCode, 0);
    const std::vector<std::uint8_t> settingsBefore = keyboard->WithFirmware([](sim::KeyboardFirmware& f) {
        return std::vector<std::uint8_t>(f.Settings().begin(), f.Settings().end());
    });
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"light", "set", "Spectrum", "--color", "ff0000"}, 5, "Light mode 1 \"Spectrum\" has no colour"},
        {{"light", "set", "Fixed", "--speed", "2"}, 5, "has no speed"},
        {{"light", "set", "Rainbow", "--direction", "up"}, 5, "has no up/down direction"},
        {{"light", "set", "Wave Upr", "--direction", "left"}, 5, "has no left/right direction"},
        {{"light", "set", "Spectrum", "--colorful", "on"}, 5, "has no colorful choice"},
        {{"light", "set", "0", "--color", "ff0000"}, 5, "use \"vantoractl light keys\""},
        {{"light", "set", "Disco"}, 2, "No light mode is named \"Disco\""},
        {{"light", "set", "30"}, 2, "No light mode is numbered \"30\""},
        {{"light", "set", "2", "--brightness", "101"}, 1, "--brightness is 0 to 100, not \"101\""},
        {{"light", "set", "2", "--speed", "-1"}, 1, "--speed is 0 to 4"},
        {{"light", "set", "2", "--color", "ff000"}, 1, "--color is RRGGBB"},
        {{"light", "set", "2", "--color", "gg0000"}, 1, "--color is RRGGBB"},
        {{"light", "set", "2", "--direction", "back"}, 1, "--direction is left, right, up or down"},
        {{"light", "set", "2", "--brightness"}, 1, "--brightness needs a value"},
        {{"light", "set"}, 1, "wrong number of arguments"},
        {{"light", "list", "--speed", "1"}, 1, "the other light options to \"light set\""},
        {{"profile", "list", "--clear"}, 1, "belong to \"light\""},
        {{"light", "keys"}, 1, "KEY=RRGGBB... or --clear"},
        {{"light", "keys", "A=ff0000", "--clear"}, 1, "KEY=RRGGBB... or --clear"},
        {{"light", "keys", "A"}, 1, "\"A\" is not KEY=RRGGBB"},
        {{"light", "keys", "=ff0000"}, 1, "is not KEY=RRGGBB"},
        {{"light", "keys", "A=red"}, 1, "is not KEY=RRGGBB"},
        {{"light", "keys", "A=ff0000", "Nokey=00ff00"}, 1, "No key of the keyboard is \"Nokey\""},
        {{"light", "keys", "999=00ff00"}, 1, "No key of the keyboard has the usage 999"},
        {{"light", "dance"}, 1, "unknown light sub-command"},
    };
    for (const Case& c : cases) {
        const ProcessResult result = Ctl(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.args[1] << " " << c.message << ": " << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
    EXPECT_EQ(WithDatabase([](ProfileDatabase& db) {
                  std::vector<KeyColour> keys;
                  db.ListKeyColours(0, keys);
                  LightMode fixed;
                  db.GetLightMode(2, fixed);
                  return std::to_string(db.GetActiveLightMode()) + " " + std::to_string(keys.size()) + " " +
                         std::to_string(fixed.color_value);
              }),
              "1 0 " + std::to_string(0xEDE338));
    EXPECT_EQ(keyboard->WithFirmware([](sim::KeyboardFirmware& f) {
        return std::vector<std::uint8_t>(f.Settings().begin(), f.Settings().end());
    }),
              settingsBefore);
}

TEST_F(VantoraCtlTest, LightKeysChangesTheGivenKeysOfTheWholeMapAndEntersThePerKeyMode) {
    Plug();
    auto keyColour = [this](int keyIndex) {
        return keyboard->WithFirmware([keyIndex](sim::KeyboardFirmware& f) {
            const auto& table = f.KeyColours();
            const std::size_t at = static_cast<std::size_t>(3 * keyIndex);
            return std::array<std::uint8_t, 3>{table[at], table[at + 1], table[at + 2]};
        });
    };
    auto storedMap = [this] {
        return WithDatabase([](ProfileDatabase& db) {
            std::vector<KeyColour> rows;
            db.ListKeyColours(0, rows);
            std::string text;
            for (const KeyColour& row : rows) {
                text += std::to_string(row.key_code) + ":" + std::to_string(row.key_rgb) + " ";
            }
            return text;
        });
    };
    const int keyA = 9;
    const int keyFn = 71;
    const ProcessResult first = Ctl({"light", "keys", "Letter A=ff0000", "255=00ff80"});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(storedMap(), "4:255 255:8453888 ");
    EXPECT_EQ(keyColour(keyA), (std::array<std::uint8_t, 3>{0xFF, 0x00, 0x00}));
    EXPECT_EQ(keyColour(keyFn), (std::array<std::uint8_t, 3>{0x00, 0xFF, 0x80}));
    EXPECT_EQ(LightBytes(*keyboard)[0], 0);  // per-key display
    EXPECT_EQ(WithDatabase([](ProfileDatabase& db) { return db.GetActiveLightMode(); }), 0);

    // A key given again changes; the others keep their colours.
    const ProcessResult again = Ctl({"--json", "light", "keys", "A=0000ff"});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_NE(again.out.find("\"keys\":[{\"key\":4,\"description\":\"Letter A\",\"color\":\"0000ff\"},"
                             "{\"key\":255,"),
              std::string::npos)
        << again.out;
    EXPECT_EQ(storedMap(), "4:16711680 255:8453888 ");
    EXPECT_EQ(keyColour(keyA), (std::array<std::uint8_t, 3>{0x00, 0x00, 0xFF}));

    ASSERT_EQ(Ctl({"light", "set", "Spectrum"}).exitCode, 0);
    const ProcessResult clear = Ctl({"light", "keys", "--clear"});
    ASSERT_EQ(clear.exitCode, 0) << clear.err;
    EXPECT_EQ(storedMap(), "");
    EXPECT_EQ(keyColour(keyA), (std::array<std::uint8_t, 3>{0, 0, 0}));
    EXPECT_EQ(LightBytes(*keyboard)[0], 0);
}

TEST_F(VantoraCtlTest, WithoutThePerKeyModeLightKeysIsRefused) {
    // A program folder of its own whose config.ini turns PER_KEY off.
    const std::string folder = dir.path() + "program/";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(std::string(VANTORA_BIN_DIR) + "vantoractl", folder + "vantoractl");
    std::ifstream shipped(std::string(VANTORA_BIN_DIR) + "config.ini");
    std::ofstream config(folder + "config.ini");
    for (std::string line; std::getline(shipped, line);) {
        config << (line.starts_with("PER_KEY=") ? "PER_KEY=0" : line) << "\n";
    }
    config.close();
    Plug();
    const ProcessResult list = test::RunProgram(folder + "vantoractl", {"light", "list"}, environment);
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_EQ(list.out.find("Custom"), std::string::npos) << list.out;
    const ProcessResult keys =
        test::RunProgram(folder + "vantoractl", {"light", "keys", "--clear"}, environment);
    EXPECT_EQ(keys.exitCode, 5) << keys.err;
    EXPECT_NE(keys.err.find("no per-key light mode"), std::string::npos) << keys.err;
    EXPECT_EQ(WithDatabase([](ProfileDatabase& db) { return db.GetActiveLightMode(); }), 1);
}

// ---- macro verbs ----

// A macro of `records` key down/up pairs of the virtual key `key`, named `name`.
int AddKeyMacro(ProfileDatabase& db, const std::string& name, int key, int pairs) {
    const int id = db.AddMacro(name);
    std::vector<MacroStep> steps;
    const std::string desc(1, static_cast<char>(key));
    for (int i = 0; i < 2 * pairs; ++i) {
        steps.push_back({0, id, i % 2 == 0 ? 2 : 3, i, key, i % 2 == 0 ? 50 : 0, desc});
    }
    db.AddMacroSteps(steps);
    return id;
}

void BindMacro(ProfileDatabase& db, int layer, int usage, int macroId) {
    KeyAssignment row;
    row.profile = 1;
    row.fn_layer = layer;
    row.key_code = usage;
    row.macro_type = kFunctionMacro;
    row.macro_value = macroId;
    db.SaveKeyAssignment(row);
}

TEST_F(VantoraCtlTest, MacroVerbsPrintTheirResultsAndRefuseWhatNamesNothing) {
    Plug();
    ASSERT_EQ(Ctl({"profile", "list"}).exitCode, 0);
    WithDatabase([](ProfileDatabase& db) {
        AddKeyMacro(db, "Copy", 'C', 1);
        db.AddMacro("Copy");
        const int solo = db.AddMacro("Solo");
        db.AddMacroSteps({{0, solo, 4, 0, 1, 70000, "Left Mouse Button"}, {0, solo, 9, 1, -3, -1, "?"}});
        BindMacro(db, 0, 4, solo);
        BindMacro(db, 1, 5, solo);
        db.SetMacroLinkCount(1, 7);        // a stale stored count
        AddKeyMacro(db, "Big", 'B', 441);  // 882 records: more than the keyboard's memory holds
    });
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string out;  // exactly
        std::string err;  // a part of it
    };
    const std::vector<Case> cases = {
        {{"macro", "list"},
         0,
         "  ID  NAME  RECORDS  LINKS  ON KEYBOARD\n"
         "   1  Copy        2      0  yes\n"
         "   2  Copy        0      0  yes\n"
         "   3  Solo        2      2  yes\n"
         "   4  Big       882      0  no: the keyboard's macro memory is full\n",
         ""},
        {{"--json", "macro", "list"},
         0,
         "{\"macros\":[{\"id\":1,\"name\":\"Copy\",\"records\":2,\"link_count\":0,\"on_keyboard\":true},"
         "{\"id\":2,\"name\":\"Copy\",\"records\":0,\"link_count\":0,\"on_keyboard\":true},"
         "{\"id\":3,\"name\":\"Solo\",\"records\":2,\"link_count\":2,\"on_keyboard\":true},"
         "{\"id\":4,\"name\":\"Big\",\"records\":882,\"link_count\":0,\"on_keyboard\":false,"
         "\"left_out\":\"the keyboard's macro memory is full\"}]}\n",
         ""},
        {{"macro", "show", "1"},
         0,
         "Macro 1 \"Copy\": 2 records\n"
         "  INDEX  TYPE  NAME  CODE  DELAY MS\n"
         "      0  down  C       67        50\n"
         "      1  up    C       67         0\n",
         ""},
        {{"macro", "show", "2"}, 0, "Macro 2 \"Copy\": 0 records.\n", ""},
        {{"--json", "macro", "show", "solo"},
         0,
         "{\"macro\":{\"id\":3,\"name\":\"Solo\"},\"records\":["
         "{\"index\":0,\"type\":\"mouse down\",\"type_code\":4,\"name\":\"Left Mouse Button\",\"code\":1,"
         "\"delay\":70000},"
         "{\"index\":1,\"type\":\"9\",\"type_code\":9,\"name\":\"?\",\"code\":-3,\"delay\":-1}]}\n",
         ""},
        {{"macro", "show", "Copy"},
         1,
         "",
         "More than one macro is named \"Copy\"; give its id:\n  1  Copy\n  2  Copy\n"},
        {{"macro", "delete", "Copy"}, 1, "", "give its id"},
        {{"macro", "show", "9"}, 2, "", "No macro has the id 9."},
        {{"macro", "show", "0"}, 2, "", "No macro has the id 0."},
        {{"macro", "export", "Paste", dir.path()}, 2, "", "No macro is named \"Paste\"."},
        {{"--json", "macro", "rename", "9", "x"},
         2,
         "{\"error\":\"No macro has the id 9.\",\"exit_code\":2}\n",
         ""},
        {{"macro", "delete", "9"}, 2, "", "No macro has the id 9."},
        {{"macro", "add", " "}, 5, "", "A macro name cannot be empty."},
        {{"macro", "rename", "2", ""}, 5, "", "A macro name cannot be empty."},
        {{"macro", "add", "New"}, 0, "5\n", ""},
        {{"--json", "macro", "rename", "5", "Newer"}, 0, "{\"macro\":{\"id\":5,\"name\":\"Newer\"}}\n", ""},
        {{"macro", "rename", "Newer", "Paste"}, 0, "Macro 5 renamed to \"Paste\".\n", ""},
        {{"macro", "delete", "paste"},
         0,
         "Macro 5 \"Paste\" deleted; the macro memory and the key table were written.\n",
         ""},
        {{"macro", "delete", "5"}, 2, "", "No macro has the id 5."},
        {{"macro"}, 1, "", "macro needs a sub-command"},
        {{"macro", "play", "1"}, 1, "", "unknown macro sub-command \"play\""},
        {{"macro", "show"}, 1, "", "wrong number of arguments for \"macro show\""},
        {{"macro", "rename", "1"}, 1, "", "wrong number of arguments"},
    };
    for (const Case& c : cases) {
        const ProcessResult result = Ctl(c.args);
        const std::string what = c.args.size() > 2 ? c.args[1] + " " + c.args[2] : c.args.back();
        EXPECT_EQ(result.exitCode, c.exitCode) << what << ": " << result.err;
        EXPECT_EQ(result.out, c.out) << what;
        EXPECT_NE(result.err.find(c.err), std::string::npos) << what << ": " << result.err;
    }
    EXPECT_EQ(WithDatabase([](ProfileDatabase& db) {
                  std::vector<Macro> macros;
                  db.ListMacros(macros);
                  std::string names;
                  for (const Macro& macro : macros) {
                      names += macro.name + " ";
                  }
                  return names + std::to_string(db.CountAllMacroSteps());
              }),
              "Copy Copy Solo Big 886");
}

// The rules need no keyboard: they are stored for the running program.
TEST_F(VantoraCtlTest, RuleVerbsStoreTheRulesAndRefuseWhatNamesNothing) {
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string out;  // exactly
        std::string err;  // a part of it
    };
    const std::vector<Case> cases = {
        {{"profile", "rule", "add", "Firefox", "2"}, 0, "Rule 1  Firefox -> 2  Profile 2\n", ""},
        {{"--json", "profile", "rule", "add", "steam_app_1", "Profile 3", "*Doom*"},
         0,
         "{\"rule\":{\"id\":2,\"app\":\"steam_app_1\",\"title\":\"*Doom*\",\"profile\":{\"id\":3,\"name\":"
         "\"Profile 3\"},\"broken\":false}}\n",
         ""},
        {{"profile", "rule", "default", "1"}, 0, "Other applications select profile 1.\n", ""},
        {{"profile", "auto", "off"}, 0, "The profile no longer follows the application in front.\n", ""},
        {{"profile", "rule", "list"},
         0,
         "1  Firefox -> 2  Profile 2\n2  steam_app_1 (title \"*Doom*\") -> 3  Profile 3\n"
         "Other applications: 1  Profile 1\nFollowing: off (paused)\n"
         "Source:    none (the program is not running)\n",
         ""},
        {{"profile", "rule", "remove", "1"}, 0, "Rule 1 removed.\n", ""},
        {{"profile", "rule", "default", "keep"}, 0, "Other applications keep the active profile.\n", ""},
        {{"--json", "profile", "rule", "list"},
         0,
         "{\"rules\":[{\"id\":2,\"app\":\"steam_app_1\",\"title\":\"*Doom*\",\"profile\":{\"id\":3,\"name\":"
         "\"Profile 3\"},\"broken\":false}],\"default_profile\":null,\"auto\":false,\"source\":\"\","
         "\"program_running\":false}\n",
         ""},
        {{"profile", "rule", "remove", "1"}, 2, "", "No rule has the id 1."},
        {{"profile", "rule", "remove", "first"}, 1, "", "a rule is given by its id"},
        {{"profile", "rule", "add", " ", "1"}, 5, "", "An application id cannot be empty."},
        {{"profile", "rule", "add", "kate", "9"}, 2, "", "No profile has the id 9."},
        {{"profile", "rule", "add", "kate"}, 1, "", "wrong number of arguments for \"profile rule add\""},
        {{"profile", "rule"}, 1, "", "profile rule needs a sub-command"},
        {{"profile", "auto", "maybe"}, 1, "", "profile auto is \"on\" or \"off\""},
    };
    for (const Case& c : cases) {
        const ProcessResult result = Ctl(c.args);
        std::string what;
        for (const std::string& arg : c.args) {
            what += arg + " ";
        }
        EXPECT_EQ(result.exitCode, c.exitCode) << what << ": " << result.err;
        EXPECT_EQ(result.out, c.out) << what;
        EXPECT_NE(result.err.find(c.err), std::string::npos) << what << ": " << result.err;
    }
}

TEST_F(VantoraCtlTest, AnExportedMacroImportsWithTheSameRecordsAndRefusedFilesStoreNothing) {
    ASSERT_EQ(Ctl({"macro", "list"}).out, "There are no macros.\n");
    WithDatabase([](ProfileDatabase& db) {
        const int id = db.AddMacro("Tom & \"Jerry\"/1");
        db.AddMacroSteps({{0, id, 2, 0, 65, 120, "A"},
                          {0, id, 3, 1, 65, 0, "A"},
                          {0, id, 5, 2, 2, 31000, "Right Mouse Button"}});
    });
    ::mkdir((dir.path() + "out").c_str(), 0700);
    const ProcessResult exported = Ctl({"macro", "export", "1", dir.path() + "out"});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    const std::string file = exported.out.substr(0, exported.out.find('\n'));
    EXPECT_EQ(std::filesystem::path(file).parent_path(), std::filesystem::path(dir.path() + "out"));
    ASSERT_TRUE(std::filesystem::exists(file)) << file;

    const ProcessResult imported = Ctl({"macro", "import", file});
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_EQ(imported.out, "2\n");
    const auto records = [this](const std::string& id) {
        const std::string json = Ctl({"--json", "macro", "show", id}).out;
        return json.substr(json.find("\"records\""));
    };
    EXPECT_EQ(records("2"), records("1"));
    EXPECT_EQ(Ctl({"--json", "macro", "show", "2"})
                  .out.find("{\"macro\":{\"id\":2,\"name\":\"Tom & \\\"Jerry\\\"/1\"}"),
              0u);

    std::string full = "<macro><macroinfo name=\"Full\"/><macroitems>";
    for (int i = 0; i < 1000; ++i) {
        full += "<item desc=\"A\" type=\"2\" value=\"65\" delay_time=\"1\"/>";
    }
    dir.WriteFile("full.xml", full + "</macroitems></macro>");
    dir.WriteFile("profile.xml", "<profile><profileinfo name=\"P\"/></profile>");
    dir.WriteFile("huge.xml", "<macro><macroinfo name=\"" + std::string(5u << 20, 'x') + "\"/></macro>");
    std::string nested;
    for (int i = 0; i < 100000; ++i) {
        nested += "<a>";
    }
    dir.WriteFile("nested.xml", nested);
    ASSERT_EQ(::mkfifo((dir.path() + "pipe.xml").c_str(), 0600), 0);
    struct Refusal {
        std::string file;
        int exitCode;
        std::string message;
    };
    for (const Refusal& r : std::vector<Refusal>{{"full.xml", 5, ""},
                                                 {"profile.xml", 7, ""},
                                                 {"huge.xml", 7, "larger than"},
                                                 {"nested.xml", 7, "more than 256 levels deep"},
                                                 {"pipe.xml", 7, "it is a pipe"},
                                                 {"none.xml", 7, ""}}) {
        const ProcessResult result = Ctl({"--json", "macro", "import", dir.path() + r.file});
        EXPECT_EQ(result.exitCode, r.exitCode) << r.file << ": " << result.err;
        EXPECT_NE(result.err.find(r.message), std::string::npos) << r.file << ": " << result.err;
        EXPECT_NE(result.out.find("\"exit_code\":" + std::to_string(r.exitCode)), std::string::npos)
            << r.file;
        EXPECT_GT(result.err.size(), std::string("vantoractl: \n").size()) << r.file;
    }
    EXPECT_EQ(WithDatabase([](ProfileDatabase& db) {
                  std::vector<Macro> macros;
                  db.ListMacros(macros);
                  return std::to_string(macros.size()) + " " + std::to_string(db.CountAllMacroSteps());
              }),
              "2 6");
    EXPECT_EQ(Ctl({"macro", "export", "1", dir.path() + "missing"}).exitCode, 7);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path() + "out"),
                            std::filesystem::directory_iterator()),
              1);

    dir.WriteFile("long.xml",
                  "<macro><macroinfo name=\"Long\"/><macroitems><item type=\"2\" value=\"65\" "
                  "delay_time=\"70000\"/></macroitems></macro>");
    const ProcessResult shortened = Ctl({"--json", "macro", "import", dir.path() + "long.xml"});
    EXPECT_EQ(shortened.exitCode, 0) << shortened.err;
    EXPECT_NE(shortened.out.find("\"clamped_delays\":1"), std::string::npos) << shortened.out;
    EXPECT_NE(shortened.err.find("1 delay was outside 0 to 65535 ms"), std::string::npos) << shortened.err;
}

// Names stored by an older version (or written into the database by hand)
// never drive the terminal through the text output, and a huge one does not
// blow up a table; the JSON output carries them as before.
TEST_F(VantoraCtlTest, HostileNamesReachTheTerminalEscapedAndCutWhileJsonKeepsThem) {
    const std::string evil =
        "Evil\x1b]0;owned\x07\x1b[2J\xc2\x9b"
        "31m\xff";
    const std::string shown = "Evil\\x1b]0;owned\\x07\\x1b[2J\\u009b31m\\xff";
    ASSERT_EQ(Ctl({"profile", "list"}).exitCode, 0);  // the first start's database
    WithDatabase([&evil](ProfileDatabase& db) {
        db.RenameProfile(1, evil);
        db.AddMacro(evil);
        db.AddMacro(std::string(4u << 20, 'x'));
        KeyAssignment row;
        row.profile = 1;
        row.key_code = 4;
        row.macro_type = kFunctionSendText;
        row.macro_value = db.AddOtherData(evil, "", kFunctionSendText);
        row.macro_desc = evil;
        return db.SaveKeyAssignment(row);
    });
    for (const std::vector<std::string>& args : {std::vector<std::string>{"profile", "list"},
                                                 {"status"},
                                                 {"key", "list"},
                                                 {"macro", "list"},
                                                 {"macro", "show", "1"},
                                                 {"key", "list", "--profile", evil + "!"}}) {
        const ProcessResult result = Ctl(args);
        const std::string all = result.out + result.err;
        EXPECT_NE(all.find(shown), std::string::npos) << args[0] << " " << args[1] << ":\n" << all;
        for (const char* raw : {"\x1b", "\x07", "\xc2\x9b", "\xff"}) {
            EXPECT_EQ(all.find(raw), std::string::npos) << args[0] << " " << args[1];
        }
    }
    const ProcessResult json = Ctl({"--json", "profile", "list"});
    EXPECT_NE(json.out.find("\"stored_name\":\"Evil\\u001b]0;owned\\u0007\\u001b[2J\xc2\x9b"
                            "31m\\ufffd\""),
              std::string::npos)
        << json.out;

    const ProcessResult list = Ctl({"macro", "list"});
    EXPECT_LT(list.out.size(), 1000u);
    EXPECT_NE(list.out.find("  " + std::string(59, 'x') + "…  "), std::string::npos) << list.out;
}

TEST_F(VantoraCtlTest, MacroDeleteWritesTheMacroMemoryThenTheKeysSoEveryKeyPlaysItsOwnMacro) {
    Plug();
    ASSERT_EQ(Ctl({"profile", "list"}).exitCode, 0);
    const int escape = 0;  // key indexes of usages 41, 58 and 4
    const int f1 = 12;
    const int keyA = 9;
    const std::array<std::uint8_t, 3> escapeDefault = KeySlot(escape, 0);
    WithDatabase([](ProfileDatabase& db) {
        BindMacro(db, 0, 41, AddKeyMacro(db, "First", 'A', 1));
        BindMacro(db, 0, 58, AddKeyMacro(db, "Second", 'B', 2));
        BindMacro(db, 0, 4, AddKeyMacro(db, "Third", 'C', 3));
    });
    // The usage of the first record of the macro a key plays; -1 for a key that plays none.
    const auto plays = [this](int keyIndex) {
        const std::array<std::uint8_t, 3> slot = KeySlot(keyIndex, 0);
        if (slot[0] != 0x70) {
            return -1;
        }
        return keyboard->WithFirmware([&slot](sim::KeyboardFirmware& f) {
            const auto& memory = f.MacroMemory();
            const std::size_t offset = memory[2u * slot[1]] | memory[2u * slot[1] + 1] << 8;
            return offset + 3 < memory.size() ? static_cast<int>(memory[offset + 3]) : -2;
        });
    };
    const std::size_t before = TracedCommands().size();
    const ProcessResult deleted = Ctl({"macro", "delete", "1"});
    ASSERT_EQ(deleted.exitCode, 0) << deleted.err;
    EXPECT_EQ(plays(f1), 5);    // B
    EXPECT_EQ(plays(keyA), 6);  // C
    EXPECT_EQ(plays(escape), -1);
    EXPECT_EQ(KeySlot(escape, 0), escapeDefault);
    // The macro memory first, then the key table.
    const std::vector<int> commands = TracedCommands();
    const auto macros =
        std::find(commands.begin() + static_cast<long>(before), commands.end(), protocol::CMD_WRITE_MACROS);
    EXPECT_NE(macros, commands.end());
    EXPECT_NE(std::find(macros, commands.end(), protocol::CMD_WRITE_KEYS), commands.end());
    // The key bound to the deleted macro keeps its row.
    EXPECT_EQ(WithDatabase([](ProfileDatabase& db) {
                  KeyAssignment row;
                  return db.GetKeyAssignment(1, 0, 41, row) ? row.macro_value : 0;
              }),
              1);
}

// A key bound to a macro the keyboard cannot hold keeps its default
// function there: key set says so, the read-back of sync keeps the row, key
// list marks it, and the binding reaches the keyboard once there is room.
TEST_F(VantoraCtlTest, ABindingTheKeyboardCannotHoldStaysStoredAndComesBackWhenThereIsRoom) {
    Plug();
    ASSERT_EQ(Ctl({"profile", "list"}).exitCode, 0);
    WithDatabase([](ProfileDatabase& db) {
        for (int i = 1; i <= 33; ++i) {
            AddKeyMacro(db, "M" + std::to_string(i), 'A', 1);
        }
    });
    const int escape = 0;
    const std::array<std::uint8_t, 3> escapeDefault = KeySlot(escape, 0);
    const ProcessResult set = Ctl({"key", "set", "Escape", "macro", "M33"});
    ASSERT_EQ(set.exitCode, 0) << set.err;
    EXPECT_NE(set.out.find("not on the keyboard: the keyboard holds 32 macros"), std::string::npos)
        << set.out;
    EXPECT_EQ(set.out.find("written to the keyboard"), std::string::npos) << set.out;

    ASSERT_EQ(Ctl({"sync"}).exitCode, 0);
    const ProcessResult list = Ctl({"key", "list"});
    EXPECT_NE(list.out.find("M33  [not on the keyboard: the keyboard holds 32 macros]"), std::string::npos)
        << list.out;
    EXPECT_NE(Ctl({"--json", "key", "list"}).out.find("\"on_keyboard\":false"), std::string::npos);
    EXPECT_EQ(KeySlot(escape, 0), escapeDefault);

    ASSERT_EQ(Ctl({"macro", "delete", "M1"}).exitCode, 0);
    EXPECT_EQ(KeySlot(escape, 0), (std::array<std::uint8_t, 3>{0x70, 31, 0x01}));
}

}  // namespace
}  // namespace vantora
