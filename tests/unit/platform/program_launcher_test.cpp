// Planning and starting programs: .desktop entries, plain executables, and
// one real start that shows what the program receives.
#include "platform/program_launcher.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/env_guard.h"
#include "support/temp_dir.h"

namespace vantora::test {
namespace {

class ProgramLauncherTest : public ::testing::Test {
protected:
    // An executable file (mode 0755) with `content`.
    std::string Executable(const std::string& relative, const std::string& content = "#!/bin/sh\n") {
        const std::string file = dir.WriteFile(relative, content);
        ::chmod(file.c_str(), 0755);
        return file;
    }
    std::string Desktop(const std::string& relative, const std::string& body) {
        return dir.WriteFile(relative, "[Desktop Entry]\nType=Application\nName=Tool\n" + body);
    }
    bool Plan(const std::string& path, const std::string& searchPath) {
        return PlanProgramLaunch(path, searchPath, plan, error);
    }

    TempDir dir;
    LaunchPlan plan;
    std::string error;
};

TEST_F(ProgramLauncherTest, ADesktopEntryGivesItsCommandAndFolder) {
    const std::string tool = Executable("bin/tool");
    const std::string bin = dir.path() + "bin";
    const std::string entry = Desktop("apps/tool.desktop", "Exec=tool --open %U\nPath=/srv\n");
    ASSERT_TRUE(Plan(entry, "/nonexistent:" + bin)) << error;
    EXPECT_EQ(plan, (LaunchPlan{tool, {tool, "--open"}, "/srv"}));

    // A program named with its path is taken as it is.
    const std::string byPath = Desktop("apps/path.desktop", "Exec=\"" + tool + "\" -x\n");
    ASSERT_TRUE(Plan(byPath, "")) << error;
    EXPECT_EQ(plan, (LaunchPlan{tool, {tool, "-x"}, ""}));
}

TEST_F(ProgramLauncherTest, TerminalEntriesRunInTheFirstTerminalFound) {
    const std::string tool = Executable("bin/tool");
    const std::string entry = Desktop("apps/top.desktop", "Exec=tool -d 2\nTerminal=true\n");
    const std::string bin = dir.path() + "bin";
    EXPECT_FALSE(Plan(entry, bin));
    EXPECT_NE(error.find("no terminal"), std::string::npos) << error;

    const std::string xterm = Executable("terms1/xterm");
    const std::string konsole = Executable("terms2/konsole");
    ASSERT_TRUE(Plan(entry, bin + ":" + dir.path() + "terms1")) << error;
    EXPECT_EQ(plan.argv, (std::vector<std::string>{xterm, "-e", tool, "-d", "2"}));
    EXPECT_EQ(plan.program, xterm);
    const std::string gnome = Executable("terms2/gnome-terminal");
    ASSERT_TRUE(Plan(entry, bin + ":" + dir.path() + "terms1:" + dir.path() + "terms2")) << error;
    EXPECT_EQ(plan.argv, (std::vector<std::string>{gnome, "--", tool, "-d", "2"}));
}

TEST_F(ProgramLauncherTest, WhatCannotBeStartedIsAnErrorWithItsReason) {
    const std::string bin = dir.path() + "bin";
    Executable("bin/tool");
    const std::string plain = dir.WriteFile("notes.txt", "text");
    std::filesystem::create_directories(dir.path() + "folder");
    struct Case {
        std::string path;
        std::string reason;
    };
    const std::vector<Case> cases{
        {dir.path() + "missing", "not found"},
        {"relative/tool", "not found"},
        {"", "not found"},
        {plain, "not executable"},
        {dir.path() + "folder", "not executable"},
        {dir.path() + "missing.desktop", "not found"},
        {dir.WriteFile("link.desktop", "[Desktop Entry]\nType=Link\nExec=tool\n"), "bad desktop entry"},
        {Desktop("bad.desktop", "Exec=tool;rm x\n"), "bad desktop entry"},
        {dir.WriteFile("group.desktop", "[Other]\nExec=tool\n"), "bad desktop entry"},
        {Desktop("gone.desktop", "Exec=no-such-tool\n"), "not found"},
        {Desktop("text.desktop", "Exec=" + plain + "\n"), "not executable"},
    };
    for (const Case& c : cases) {
        plan.argv = {"left over"};
        EXPECT_FALSE(Plan(c.path, bin)) << c.path;
        EXPECT_EQ(error.rfind(c.reason, 0), 0u) << c.path << ": " << error;
        EXPECT_TRUE(plan.argv.empty()) << c.path;
    }

    const std::string tool = dir.path() + "bin/tool";
    ASSERT_TRUE(Plan(tool, "")) << error;
    EXPECT_EQ(plan, (LaunchPlan{tool, {tool}, ""}));
}

// A key press plans its program on the window's thread: a .desktop file
// replaced by a pipe nobody writes to must be refused at once, not waited
// on. The alarm ends a test that would wait.
TEST_F(ProgramLauncherTest, APipeInPlaceOfTheProgramIsRefusedAtOnce) {
    ::alarm(10);
    for (const char* name : {"pipe.desktop", "pipe"}) {
        const std::string pipe = dir.path() + name;
        ASSERT_EQ(::mkfifo(pipe.c_str(), 0700), 0);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(Plan(pipe, ""));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
        EXPECT_TRUE(error.find("a pipe") != std::string::npos || error.rfind("not executable", 0) == 0)
            << error;
    }
    ::alarm(0);
}

TEST_F(ProgramLauncherTest, OurOwnEnvironmentVariablesStayBehind) {
    const char* const environment[] = {
        "PATH=/usr/bin",     "QT_QPA_PLATFORM=offscreen", "VANTORA_SIM_DIR=/tmp/s", "QT_STYLE=fusion",
        "MY_VANTORA_NOTE=1", "HOME=/home/anna",           "VANTORA_ROOT=/src",      nullptr};
    EXPECT_EQ(ChildEnvironment(environment),
              (std::vector<std::string>{"PATH=/usr/bin", "QT_STYLE=fusion", "MY_VANTORA_NOTE=1",
                                        "HOME=/home/anna"}));
}

std::string ReadWhole(const std::string& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The started program gets its path as its one argument, whatever the path
// holds, runs in its own session with stdin from /dev/null, holds no
// descriptor of ours, lacks our variables and is reaped when it ends.
TEST_F(ProgramLauncherTest, AStartedProgramGetsOnlyWhatItShould) {
    const std::string report = dir.path() + "report";
    const std::string program =
        Executable("a b \"q\" $(touch pwned) ; c 'd'/run;me.sh",
                   "#!/bin/sh\n"
                   "out='" +
                       report +
                       "'\n"
                       "echo \"argc=$#\" > \"$out.args\"\n"
                       "echo \"arg0=$0\" >> \"$out.args\"\n"
                       "echo \"pid=$$ sid=$(cut -d' ' -f6 /proc/$$/stat)\" > \"$out.session\"\n"
                       "readlink /proc/$$/fd/0 > \"$out.stdin\"\n"
                       "ls -l /proc/self/fd > \"$out.fds\"\n"
                       "env > \"$out.env\"\n"
                       ": > \"$out.done\"\n");
    EnvGuard env;
    env.Set("QT_QPA_PLATFORM", "offscreen");
    env.Set("VANTORA_SIM_DIR", dir.path());
    env.Set("LAUNCHER_TEST_KEEP", "kept");
    // A descriptor of ours that a careless start would hand on.
    const int leak = ::open(report.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(leak, 0);

    ASSERT_TRUE(PlanProgramLaunch(program, "", plan, error)) << error;
    pid_t pid = 0;
    ASSERT_TRUE(SpawnDetached(plan, error, &pid)) << error;
    ::close(leak);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!std::filesystem::exists(report + ".done") && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(std::filesystem::exists(report + ".done"));

    EXPECT_EQ(ReadWhole(report + ".args"), "argc=0\narg0=" + program + "\n");
    EXPECT_EQ(ReadWhole(report + ".session"),
              "pid=" + std::to_string(pid) + " sid=" + std::to_string(pid) + "\n");
    EXPECT_EQ(ReadWhole(report + ".stdin"), "/dev/null\n");
    // 0 to 2, and the listing's own folder (ls reading /proc/self/fd).
    std::istringstream fds(ReadWhole(report + ".fds"));
    std::string line;
    while (std::getline(fds, line)) {
        const std::size_t arrow = line.find(" -> ");
        if (arrow == std::string::npos) {
            continue;  // "total 0"
        }
        const std::string name =
            line.substr(line.rfind(' ', arrow - 1) + 1, arrow - line.rfind(' ', arrow - 1) - 1);
        const std::string target = line.substr(arrow + 4);
        const bool standard = name == "0" || name == "1" || name == "2";
        EXPECT_TRUE(standard || (target.starts_with("/proc/") && target.ends_with("/fd"))) << line;
    }
    const std::string environment = ReadWhole(report + ".env");
    EXPECT_EQ(environment.find("QT_QPA_PLATFORM="), std::string::npos);
    EXPECT_EQ(environment.find("VANTORA_"), std::string::npos);
    EXPECT_NE(environment.find("LAUNCHER_TEST_KEEP=kept"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "pwned"));
    EXPECT_FALSE(std::filesystem::exists("pwned"));

    // Reaped: no zombie stays behind in the process table.
    const std::string entry = "/proc/" + std::to_string(pid);
    while (std::filesystem::exists(entry) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(std::filesystem::exists(entry));
}

TEST_F(ProgramLauncherTest, AFolderThatCannotBeEnteredFailsTheStart) {
    const std::string tool = Executable("bin/tool");
    plan = LaunchPlan{tool, {tool}, dir.path() + "missing"};
    EXPECT_FALSE(SpawnDetached(plan, error));
    EXPECT_EQ(error.rfind("spawn failed", 0), 0u) << error;
}

}  // namespace
}  // namespace vantora::test
