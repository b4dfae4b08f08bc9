#include "app/folders.h"
#include "support/env_guard.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace vantora {
namespace {

bool IsDir(const std::string& path) {
    return std::filesystem::is_directory(path);
}

TEST(ExeFolder, IsTheFolderOfTheRunningBinaryWithATrailingSlash) {
    const std::string folder = GetExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_EQ(folder.front(), '/');
    EXPECT_TRUE(std::filesystem::exists(folder + "folders_test"));
}

TEST(ProgramFolder, IsBesideTheExecutableElseTheInstalledShareFolder) {
    test::TempDir dir;
    // The build tree: config.ini beside the executable wins over an installed tree.
    dir.WriteFile("build/bin/config.ini", "[TEXT]\n");
    dir.WriteFile("build/share/vantora/config.ini", "[TEXT]\n");
    EXPECT_EQ(ProgramFolderFor(dir.path() + "build/bin/"), dir.path() + "build/bin/");
    // An installed tree, wherever it was put.
    dir.WriteFile("usr/share/vantora/config.ini", "[TEXT]\n");
    EXPECT_EQ(ProgramFolderFor(dir.path() + "usr/bin/"), dir.path() + "usr/share/vantora/");
    // Neither: the executable's folder (the program then finds no config.ini).
    EXPECT_EQ(ProgramFolderFor(dir.path() + "bare/bin/"), dir.path() + "bare/bin/");
    // A folder named config.ini is not the file.
    ::mkdir((dir.path() + "odd").c_str(), 0700);
    ::mkdir((dir.path() + "odd/bin").c_str(), 0700);
    ::mkdir((dir.path() + "odd/bin/config.ini").c_str(), 0700);
    EXPECT_EQ(ProgramFolderFor(dir.path() + "odd/bin/"), dir.path() + "odd/bin/");
    EXPECT_EQ(GetExeFolder(), ProgramFolderFor(GetExecutableFolder()));
}

class DataFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        env_.Set("HOME", dir_.path() + "home");
        env_.Set("XDG_CONFIG_HOME", dir_.path() + "config");
        env_.Unset("XDG_DOCUMENTS_DIR");
    }
    test::TempDir dir_;
    test::EnvGuard env_;
};

TEST_F(DataFolderTest, FallsBackToDocumentsInHome) {
    EXPECT_EQ(GetDataFolder(), dir_.path() + "home/Documents/VANTORA Files/");
}

TEST_F(DataFolderTest, EnvironmentVariableWins) {
    env_.Set("XDG_DOCUMENTS_DIR", dir_.path() + "docs/");
    dir_.WriteFile("config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    EXPECT_EQ(GetDataFolder(), dir_.path() + "docs/VANTORA Files/");
}

TEST_F(DataFolderTest, UserDirsFileIsRead) {
    dir_.WriteFile("config/user-dirs.dirs",
                   "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                   "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    EXPECT_EQ(GetDataFolder(), dir_.path() + "home/Dokumente/VANTORA Files/");
}

TEST_F(DataFolderTest, UserDirsAbsolutePathAndHomeAloneAreHandled) {
    dir_.WriteFile("config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"/srv/papers\"\n");
    EXPECT_EQ(GetDataFolder(), "/srv/papers/VANTORA Files/");
    // "$HOME/" means the directory is disabled: use the default.
    dir_.WriteFile("config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/\"\n");
    EXPECT_EQ(GetDataFolder(), dir_.path() + "home/Documents/VANTORA Files/");
}

TEST_F(DataFolderTest, RelativeEnvironmentValuesAreIgnored) {
    env_.Set("XDG_DOCUMENTS_DIR", "relative/docs");
    env_.Set("XDG_CONFIG_HOME", "relative");
    EXPECT_EQ(GetDataFolder(), dir_.path() + "home/Documents/VANTORA Files/");
    EXPECT_EQ(GetConfigHome(), dir_.path() + "home/.config");
}

TEST(EnsureDirectory, CreatesEveryMissingParent) {
    test::TempDir dir;
    const std::string deep = dir.path() + "a/b/c/VANTORA Files/db";
    EXPECT_TRUE(EnsureDirectory(deep));
    EXPECT_TRUE(IsDir(deep));
    EXPECT_TRUE(EnsureDirectory(deep));                 // already there
    EXPECT_TRUE(EnsureDirectory(dir.path() + "x/y/"));  // trailing slash
    EXPECT_TRUE(IsDir(dir.path() + "x/y"));
}

TEST(EnsureDirectory, FailsWhenAFileIsInTheWayOrThePathIsEmpty) {
    test::TempDir dir;
    const std::string file = dir.WriteFile("plain", "x");
    EXPECT_FALSE(EnsureDirectory(file));
    EXPECT_FALSE(EnsureDirectory(file + "/below"));
    EXPECT_FALSE(EnsureDirectory(""));
}

unsigned Mode(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// The data folder holds the database (with the texts Send Text keys type):
// new or found open to others, it and its db/ folder end up the user's
// alone; a folder the data folder links to is used but not changed.
TEST(EnsureDataFolder, MakesTheDataAndDatabaseFoldersPrivate) {
    test::TempDir dir;
    const mode_t mask = umask(022);
    EXPECT_TRUE(EnsureDataFolder(dir.path() + "new/VANTORA Files/"));
    umask(mask);
    EXPECT_EQ(Mode(dir.path() + "new"), 0755u);  // a parent keeps the usual mode
    EXPECT_EQ(Mode(dir.path() + "new/VANTORA Files"), 0700u);
    EXPECT_EQ(Mode(dir.path() + "new/VANTORA Files/db"), 0700u);

    ASSERT_TRUE(std::filesystem::create_directories(dir.path() + "old/VANTORA Files/db"));
    chmod((dir.path() + "old/VANTORA Files").c_str(), 0755);
    chmod((dir.path() + "old/VANTORA Files/db").c_str(), 0775);
    EXPECT_TRUE(EnsureDataFolder(dir.path() + "old/VANTORA Files/"));
    EXPECT_EQ(Mode(dir.path() + "old/VANTORA Files"), 0700u);
    EXPECT_EQ(Mode(dir.path() + "old/VANTORA Files/db"), 0700u);

    ASSERT_TRUE(std::filesystem::create_directories(dir.path() + "shared"));
    chmod((dir.path() + "shared").c_str(), 0755);
    std::filesystem::create_directory_symlink(dir.path() + "shared", dir.path() + "linked");
    EXPECT_TRUE(EnsureDataFolder(dir.path() + "linked/"));
    EXPECT_EQ(Mode(dir.path() + "shared"), 0755u);
    EXPECT_EQ(Mode(dir.path() + "shared/db"), 0700u);
}

TEST(EnsureDirectory, FailsInAFolderWithoutWriteAccess) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root ignores folder permissions";
    }
    test::TempDir dir;
    ASSERT_TRUE(EnsureDirectory(dir.path() + "locked"));
    chmod((dir.path() + "locked").c_str(), 0500);
    EXPECT_FALSE(EnsureDirectory(dir.path() + "locked/inner"));
    chmod((dir.path() + "locked").c_str(), 0700);
}

}  // namespace
}  // namespace vantora
