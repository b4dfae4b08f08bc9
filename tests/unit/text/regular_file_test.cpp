// Reading a file the user chose: only regular files, never waiting, never
// more than asked for.
#include "text/regular_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace vantora {
namespace {

TEST(ReadRegularFileTest, ReadsRegularFilesUpToTheLimitAndRefusesEverythingElseAtOnce) {
    ::alarm(10);  // a read that waits on the pipe ends the test
    test::TempDir dir;
    ASSERT_EQ(::mkfifo((dir.path() + "pipe").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.path() + "folder");
    std::filesystem::create_symlink(dir.path() + "pipe", dir.path() + "link-to-pipe");
    struct Case {
        std::string path;
        FileRead outcome;
        std::string bytes;
        std::string error;  // a part of the message
    };
    const Case cases[] = {
        {dir.WriteFile("fits", "12345678"), FileRead::kRead, "12345678", ""},
        {dir.WriteFile("empty", ""), FileRead::kRead, "", ""},
        {dir.WriteFile("one-more", "123456789"), FileRead::kTooLarge, "12345678", "larger than 8 bytes"},
        {dir.path() + "pipe", FileRead::kFailed, "", "it is a pipe"},
        {dir.path() + "link-to-pipe", FileRead::kFailed, "", "it is a pipe"},
        {dir.path() + "folder", FileRead::kFailed, "", "it is a folder"},
        {"/dev/null", FileRead::kFailed, "", "it is a device"},
        {dir.path() + "missing", FileRead::kFailed, "", "cannot open"},
    };
    for (const Case& c : cases) {
        std::string bytes = "left over";
        std::string error;
        EXPECT_EQ(ReadRegularFile(c.path, 8, bytes, error), c.outcome) << c.path;
        EXPECT_EQ(bytes, c.bytes) << c.path;
        EXPECT_NE(error.find(c.error), std::string::npos) << c.path << ": " << error;
        EXPECT_EQ(error.empty(), c.error.empty()) << c.path;
    }
    ::alarm(0);
}

}  // namespace
}  // namespace vantora
