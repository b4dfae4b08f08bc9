// The folder of the program's socket and keyboard lock: the user's runtime
// folder, else a private folder in the temporary folder that must be ours.
#include "platform/instance_paths.h"
#include "support/env_guard.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

namespace vantora::test {
namespace {

class InstancePathsTest : public ::testing::Test {
protected:
    void SetUp() override {
        env.Unset("XDG_RUNTIME_DIR");
        env.Set("TMPDIR", dir.path() + "tmp/");
        ::mkdir((dir.path() + "tmp").c_str(), 0777);
    }
    std::string Private() const { return dir.path() + "tmp/VANTORA-" + std::to_string(::getuid()); }

    TempDir dir;
    EnvGuard env;
};

TEST_F(InstancePathsTest, RuntimeFolderHoldsSocketAndLockWhenSet) {
    ::mkdir((dir.path() + "run").c_str(), 0700);
    env.Set("XDG_RUNTIME_DIR", dir.path() + "run/");
    EXPECT_EQ(InstanceSocketPath(), dir.path() + "run/VANTORA.instance");
    EXPECT_EQ(KeyboardLockPath(), dir.path() + "run/VANTORA.keyboard.lock");
}

TEST_F(InstancePathsTest, WithoutARuntimeFolderAPrivateFolderIsMadeAndUsed) {
    std::string error;
    EXPECT_EQ(InstanceSocketPath(&error), Private() + "/VANTORA.instance");
    EXPECT_EQ(KeyboardLockPath(&error), Private() + "/VANTORA.keyboard.lock");  // again: accepted as ours
    EXPECT_EQ(error, "");
    struct stat info {};
    ASSERT_EQ(::lstat(Private().c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(info.st_uid, ::getuid());
}

// Whatever stands at the private folder's place and is not our own 0700
// folder is refused with a reason; nothing is changed there.
TEST_F(InstancePathsTest, AFolderThatIsNotPrivatelyOursIsRefused) {
    const std::string elsewhere = dir.path() + "elsewhere";
    ::mkdir(elsewhere.c_str(), 0700);
    struct Case {
        const char* name;
        std::function<bool(const std::string&)> make;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"symbolic link", [&](const std::string& p) { return ::symlink(elsewhere.c_str(), p.c_str()) == 0; },
         "symbolic link"},
        {"open mode",
         [](const std::string& p) { return ::mkdir(p.c_str(), 0700) == 0 && ::chmod(p.c_str(), 0755) == 0; },
         "mode 0755"},
        {"file",
         [this](const std::string& p) { return !dir.WriteFile(p.substr(dir.path().size()), "x").empty(); },
         "not a folder"},
        {"other owner",
         [](const std::string& p) {
             return ::getuid() == 0 && ::mkdir(p.c_str(), 0700) == 0 && ::chown(p.c_str(), 4242, 4242) == 0;
         },
         "another user"},
    };
    for (const Case& c : cases) {
        if (!c.make(Private())) {
            continue;  // cannot be set up here (another owner needs root)
        }
        std::string error;
        EXPECT_EQ(InstanceSocketPath(&error), "") << c.name;
        EXPECT_NE(error.find(Private()), std::string::npos) << c.name << ": " << error;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
        EXPECT_EQ(KeyboardLockPath(), "") << c.name;
        struct stat info {};
        ASSERT_EQ(::lstat(elsewhere.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0700u) << c.name;
        ::unlink(Private().c_str());
        ::rmdir(Private().c_str());
    }
}

}  // namespace
}  // namespace vantora::test
