// The runtime folder for sockets and lock files: $XDG_RUNTIME_DIR only when
// it is this user's alone, else the private folder, with a warning.
#include "app/runtime_folder.h"
#include "support/other_user.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

namespace vantora::test {
namespace {

// Another user could plant a socket or a lock file in any of these: the
// private folder is used instead, and the warning says which and why.
TEST(RuntimeFolderTest, AFolderThatIsNotOursAloneGivesWayToThePrivateFolder) {
    TempDir dir;
    const std::string temporary = dir.path() + "tmp";
    ::mkdir(temporary.c_str(), 0700);
    const std::string own = dir.path() + "own";
    ::mkdir(own.c_str(), 0700);
    const std::string shared = dir.path() + "shared";
    ::mkdir(shared.c_str(), 0700);
    ::chmod(shared.c_str(), 01777);
    struct Case {
        const char* name;
        std::string candidate;
        std::function<bool(const std::string&)> make;  // false: cannot be set up here
        const char* reason;
    };
    auto folderWithMode = [](mode_t mode) {
        return [mode](const std::string& path) {
            return ::mkdir(path.c_str(), 0700) == 0 && ::chmod(path.c_str(), mode) == 0;
        };
    };
    auto linkToOwn = [&own](const std::string& path) {
        return ::symlink(own.c_str(), path.substr(0, path.find_last_not_of('/') + 1).c_str()) == 0;
    };
    const std::vector<Case> cases = {
        {"shared like /tmp", dir.path() + "sticky", folderWithMode(01777), "has mode 1777 instead of 0700"},
        {"open to the group", dir.path() + "group", folderWithMode(0750), "has mode 0750 instead of 0700"},
        {"symbolic link", dir.path() + "link", linkToOwn, "is a symbolic link"},
        {"link with a trailing slash", dir.path() + "link2/", linkToOwn, "is a symbolic link"},
        {"file", dir.path() + "file",
         [&dir](const std::string&) { return !dir.WriteFile("file", "x").empty(); }, "is not a folder"},
        {"another user's", shared + "/theirs",
         [&shared](const std::string&) {
             return CanActAsOtherUser() && AsOtherUser(shared, [] { return ::mkdir("theirs", 0700) == 0; });
         },
         "belongs to another user (uid 65534)"},
        {"missing", dir.path() + "missing", [](const std::string&) { return true; }, "cannot be checked"},
        {"relative", "run", [](const std::string&) { return true; }, "is not an absolute path"},
    };
    const std::string fallback = temporary + "/VANTORA-" + std::to_string(::getuid());
    std::string skipped;
    for (const Case& c : cases) {
        if (!c.make(c.candidate)) {
            skipped += std::string(" ") + c.name;
            continue;
        }
        const RuntimeFolderChoice choice = ChooseRuntimeFolder(c.candidate, temporary);
        EXPECT_EQ(choice.folder, fallback) << c.name;
        EXPECT_EQ(choice.error, "") << c.name;
        EXPECT_NE(choice.warning.find("XDG_RUNTIME_DIR " + c.candidate + " " + c.reason), std::string::npos)
            << c.name << ": " << choice.warning;
        EXPECT_NE(choice.warning.find(fallback), std::string::npos) << c.name << ": " << choice.warning;
    }
}

}  // namespace
}  // namespace vantora::test
