// The lock that serialises the processes talking to the keyboard: only a
// lock another process holds counts as busy; a lock file that cannot be used
// says why.
#include "platform/process_lock.h"
#include "support/other_user.h"
#include "support/temp_dir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

namespace vantora::test {
namespace {

TEST(ProcessLockTest, OnlyALockHeldElsewhereIsBusy) {
    TempDir dir;
    const std::string path = dir.path() + "x.lock";
    ProcessLock first;
    ASSERT_TRUE(first.Acquire(path, 0).Held());
    ProcessLock second;
    const LockResult busy = second.Acquire(path, 30);
    EXPECT_EQ(busy.status, LockResult::Status::kBusy);
    EXPECT_EQ(busy.error, "");
    first.Release();
    EXPECT_TRUE(second.Acquire(path, 0).Held());
}

// What another user could plant where the lock file goes: never followed,
// never taken for another program at work, and the message names the file.
TEST(ProcessLockTest, ALockFileThatCannotBeUsedIsReportedAsSuch) {
    TempDir dir;
    const std::string shared = dir.path() + "shared";
    ::mkdir(shared.c_str(), 0700);
    ::chmod(shared.c_str(), 01777);
    const std::string target = dir.path() + "target";
    struct Case {
        const char* name;
        std::function<bool(const std::string& path)> plant;  // false: cannot be set up here
        const char* reason;
        // Root opens any file: as root, the case runs as the other user.
        bool asOtherUserWhenRoot = false;
    };
    const std::vector<Case> cases = {
        {"symbolic link",
         [&](const std::string& path) { return ::symlink(target.c_str(), path.c_str()) == 0; },
         "cannot open the lock file %s: it is a symbolic link"},
        {"another user's",
         [&](const std::string& path) {
             const std::string name = path.substr(shared.size() + 1);
             return CanActAsOtherUser() && AsOtherUser(shared, [&name] {
                        const int fd = ::open(name.c_str(), O_CREAT | O_WRONLY, 0600);
                        return fd >= 0 && ::close(fd) == 0;
                    });
         },
         "the lock file %s belongs to another user (uid 65534)"},
        {"read-only",
         [](const std::string& path) {
             const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0400);
             return fd >= 0 && ::close(fd) == 0;
         },
         "cannot open the lock file %s: Permission denied", true},
        {"folder", [](const std::string& path) { return ::mkdir(path.c_str(), 0700) == 0; },
         "cannot open the lock file %s: Is a directory"},
    };
    // Whether taking the lock at `path` fails with the case's message.
    auto refused = [](const Case& c, const std::string& path, std::string& said) {
        ProcessLock lock;
        const LockResult result = lock.Acquire(path, 0);
        std::string expected = c.reason;
        expected.replace(expected.find("%s"), 2, path);
        said = result.error;
        return result.status == LockResult::Status::kFailed && result.error == expected && !lock.Held();
    };
    std::string skipped;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        const std::string name = "x" + std::to_string(i) + ".lock";
        std::string said;
        if (c.asOtherUserWhenRoot && CanActAsOtherUser()) {
            EXPECT_TRUE(AsOtherUser(shared, [&] { return c.plant(name) && refused(c, name, said); }))
                << c.name;
            continue;
        }
        const std::string path = shared + "/" + name;
        if (!c.plant(path)) {
            skipped += std::string(" ") + c.name;
            continue;
        }
        EXPECT_TRUE(refused(c, path, said)) << c.name << ": " << said;
    }
    struct stat info {};
    EXPECT_NE(::lstat(target.c_str(), &info), 0);  // the link was not followed
    if (!skipped.empty()) {
        GTEST_SKIP() << "needs root to act as another user:" << skipped;
    }
}

}  // namespace
}  // namespace vantora::test
