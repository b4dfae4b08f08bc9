// config.ini as nobody meant it: huge, binary, endless, a pipe, thousands of
// sections. Each read ends soon with a defined value and never crashes.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "app/config.h"
#include "support/temp_dir.h"

namespace vantora {
namespace {

using namespace std::chrono_literals;

// Generous for sanitizer builds on a busy machine; a read of a normal file
// takes well under a millisecond.
constexpr auto kReadLimit = 3s;

struct HostileFile {
    const char* what;
    std::string (*make)(const std::string& path);
    int layout;  // what LAYOUT reads as
};

std::string Written(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::string TenThousandSections(const std::string& path) {
    std::string text;
    for (int i = 0; i < 10000; ++i) {
        text += "[S" + std::to_string(i) + "]\nLAYOUT=9\nKEY" + std::to_string(i) + "=value\n";
    }
    return Written(path, text + "[TEXT]\nLAYOUT=2\n");
}

// 32 MiB of comment lines after the section the program reads.
std::string HugeWithTheValueFirst(const std::string& path) {
    std::string text = "[TEXT]\nLAYOUT=3\n";
    const std::string line = "; " + std::string(1021, 'x') + "\n";
    while (text.size() < (32u << 20)) {
        text += line;
    }
    return Written(path, text);
}

// 32 MiB in a single line without an end, then the section: what lies past
// the first MiB is not read.
std::string HugeWithTheValueLast(const std::string& path) {
    return Written(path, std::string(32u << 20, 'z') + "\n[TEXT]\nLAYOUT=3\n");
}

std::string RandomBytes(const std::string& path) {
    std::mt19937 random(20);
    std::string text(1u << 20, '\0');
    for (char& c : text) {
        c = static_cast<char>(random());
    }
    return Written(path, text);
}

// Binary bytes (NULs, stray marks, broken UTF-8) around an intact section.
std::string BinaryAroundTheSection(const std::string& path) {
    const std::string junk("\0\xFF\xFE\x80\xC3[\r\0\x1B]=\n", 12);
    return Written(path, junk + std::string("[TEXT]\nLAYOUT=4\0\xFF\n", 18) + junk);
}

// UTF-16 with a mark, an odd length and a lone surrogate.
std::string BrokenUtf16(const std::string& path) {
    std::string text("\xFF\xFE", 2);
    for (char c : std::string("[TEXT]\nLAYOUT=5\n")) {
        text += c;
        text += '\0';
    }
    return Written(path, text + std::string("\x00\xD8\x41", 3));
}

std::string EndlessDevice(const std::string& path) {
    std::filesystem::create_symlink("/dev/zero", path);
    return path;
}

// A pipe nobody writes to: opening it for reading would wait for a writer.
std::string PipeWithoutWriter(const std::string& path) {
    ::mkfifo(path.c_str(), 0600);
    return path;
}

std::string Folder(const std::string& path) {
    std::filesystem::create_directory(path);
    return path;
}

const HostileFile kFiles[] = {
    {"ten thousand sections", TenThousandSections, 2},
    {"huge, the value first", HugeWithTheValueFirst, 3},
    {"huge, the value past the first MiB", HugeWithTheValueLast, 0},
    {"random bytes", RandomBytes, 0},
    {"binary around the section", BinaryAroundTheSection, 4},
    {"broken UTF-16", BrokenUtf16, 5},
    {"/dev/zero", EndlessDevice, 0},
    {"a pipe", PipeWithoutWriter, 0},
    {"a folder", Folder, 0},
};

TEST(HostileConfigTest, EveryReadEndsSoonWithADefinedValue) {
    for (const HostileFile& hostile : kFiles) {
        test::TempDir dir;
        const std::string file = hostile.make(dir.path() + "config.ini");
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(ReadConfigIntFrom(file, "LAYOUT"), hostile.layout) << hostile.what;
        EXPECT_EQ(ReadConfigStringFrom(file, "VID "), "") << hostile.what;
        EXPECT_LT(std::chrono::steady_clock::now() - start, kReadLimit) << hostile.what;
    }
}

}  // namespace
}  // namespace vantora
