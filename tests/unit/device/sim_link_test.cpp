#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "device/sim_link.h"
#include "support/env_guard.h"
#include "support/temp_dir.h"

namespace vantora::simlink {
namespace {

TEST(SimLinkFrameTest, FramesSurviveBeingCutAnywhere) {
    std::vector<std::uint8_t> stream;
    std::vector<std::uint8_t> payload(300);
    for (std::size_t i = 0; i < payload.size(); ++i) {
        payload[i] = static_cast<std::uint8_t>(i);
    }
    auto a = EncodeFrame(kReport, payload.data(), payload.size());
    auto b = EncodeFrame(kWriteDone, nullptr, 0);
    stream.insert(stream.end(), a.begin(), a.end());
    stream.insert(stream.end(), b.begin(), b.end());
    FrameReader reader;
    std::vector<Frame> frames;
    for (std::uint8_t byte : stream) {  // one byte at a time
        reader.Feed(&byte, 1);
        while (auto frame = reader.Next()) {
            frames.push_back(*frame);
        }
    }
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].type, kReport);
    EXPECT_EQ(frames[0].payload, payload);
    EXPECT_EQ(frames[1].type, kWriteDone);
    EXPECT_TRUE(frames[1].payload.empty());
}

TEST(SimLinkFrameTest, OversizedFrameMarksTheStreamCorrupt) {
    FrameReader reader;
    const std::uint8_t header[3] = {kInput, 0xFF, 0xFF};
    reader.Feed(header, sizeof header);
    EXPECT_FALSE(reader.Next());
    EXPECT_TRUE(reader.Corrupt());
    EXPECT_FALSE(SendFrame(-1, kInput, nullptr, 0));
    std::vector<std::uint8_t> big(kMaxPayload + 1);
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    EXPECT_FALSE(SendFrame(fds[0], kInput, big.data(), big.size()));
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(SimLinkFrameTest, ReceiveTellsTimeOutFromEndOfStream) {
    int fds[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    FrameReader reader;
    Frame frame;
    bool closed = true;
    EXPECT_FALSE(ReceiveFrame(fds[0], reader, 0, frame, &closed));
    EXPECT_FALSE(closed);
    const std::uint8_t data[2] = {1, 2};
    ASSERT_TRUE(SendFrame(fds[1], kInput, data, sizeof data));
    ASSERT_TRUE(ReceiveFrame(fds[0], reader, 1000, frame, &closed));
    EXPECT_EQ(frame.payload, std::vector<std::uint8_t>({1, 2}));
    ::close(fds[1]);
    EXPECT_FALSE(ReceiveFrame(fds[0], reader, 1000, frame, &closed));
    EXPECT_TRUE(closed);
    ::close(fds[0]);
}

TEST(SimLinkInfoTest, InfoRoundTripsAndRejectsDamage) {
    SimKeyboardInfo info;
    info.vendorId = 0x1209;
    info.productId = 0x0001;
    info.releaseNumber = 0x0102;
    info.manufacturer = "VANTORA";
    info.product = "Клавиатура";
    info.interfaces = StandardInterfaces();
    auto bytes = EncodeInfo(info);
    SimKeyboardInfo decoded;
    ASSERT_TRUE(DecodeInfo(bytes, decoded));
    EXPECT_EQ(decoded.product, info.product);
    EXPECT_EQ(decoded.releaseNumber, 0x0102);
    ASSERT_EQ(decoded.interfaces.size(), 2u);
    EXPECT_EQ(decoded.interfaces[0].reportDescriptor, info.interfaces[0].reportDescriptor);
    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        std::vector<std::uint8_t> shorter(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_FALSE(DecodeInfo(shorter, decoded)) << cut;
    }
    bytes.push_back(0);
    EXPECT_FALSE(DecodeInfo(bytes, decoded));  // trailing bytes
}

TEST(SimLinkNamesTest, SocketNamesCarryTheIds) {
    std::string name = SocketName(0xABCD, 0x0001, "42-0");
    EXPECT_EQ(name, "abcd-0001-42-0.sock");
    std::uint16_t vid = 0;
    std::uint16_t pid = 0;
    ASSERT_TRUE(ParseSocketName(name, vid, pid));
    EXPECT_EQ(vid, 0xABCD);
    EXPECT_EQ(pid, 0x0001);
    EXPECT_TRUE(ParseSocketName("ABCD-00EF-x.sock", vid, pid));
    EXPECT_EQ(pid, 0x00EF);
    EXPECT_FALSE(ParseSocketName("." + name, vid, pid));
    EXPECT_FALSE(ParseSocketName("abcd-0001-42-0.sock.tmp", vid, pid));
    EXPECT_FALSE(ParseSocketName("abcg-0001-1.sock", vid, pid));
    EXPECT_FALSE(ParseSocketName("abcd0001-1.sock", vid, pid));
    EXPECT_FALSE(ParseSocketName("", vid, pid));
}

TEST(SimLinkNamesTest, InterfacePathsRoundTrip) {
    std::string path = InterfacePath("/run/user/1000/vantora-sim/a#b.sock", 2);
    std::string socket;
    int number = -1;
    ASSERT_TRUE(ParseInterfacePath(path, socket, number));
    EXPECT_EQ(socket, "/run/user/1000/vantora-sim/a#b.sock");
    EXPECT_EQ(number, 2);
    EXPECT_FALSE(ParseInterfacePath("/dev/hidraw0", socket, number));
    EXPECT_FALSE(ParseInterfacePath("sim:#2", socket, number));
    EXPECT_FALSE(ParseInterfacePath("sim:/x.sock#", socket, number));
    EXPECT_FALSE(ParseInterfacePath("sim:/x.sock#2a", socket, number));
}

TEST(SimLinkFolderTest, FolderComesFromTheEnvironment) {
    test::EnvGuard env;
    env.Set("VANTORA_SIM_DIR", "/somewhere/sim");
    EXPECT_EQ(SimulatorFolder(), "/somewhere/sim");
    env.Unset("VANTORA_SIM_DIR");
    test::TempDir dir;
    const std::string runtime = dir.path() + "run";
    ::mkdir(runtime.c_str(), 0700);
    env.Set("XDG_RUNTIME_DIR", runtime);
    EXPECT_EQ(SimulatorFolder(), runtime + "/vantora-sim");
    env.Unset("XDG_RUNTIME_DIR");
    EXPECT_EQ(SimulatorFolder(), "/tmp/vantora-sim-" + std::to_string(::getuid()));
    env.Set("XDG_RUNTIME_DIR", "relative");  // not a usable runtime folder
    EXPECT_EQ(SimulatorFolder(), "/tmp/vantora-sim-" + std::to_string(::getuid()));
    ::chmod(runtime.c_str(), 01777);  // others could plant sockets there
    env.Set("XDG_RUNTIME_DIR", runtime);
    EXPECT_EQ(SimulatorFolder(), "/tmp/vantora-sim-" + std::to_string(::getuid()));
}

TEST(SimLinkFolderTest, SymlinkedFolderIsNotTrusted) {
    char pattern[] = "/tmp/vantora-link-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    std::string real = pattern;
    std::string link = real + "-link";
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    std::string error;
    EXPECT_FALSE(EnsureSimulatorFolder(link, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(EnsureSimulatorFolder(real, &error));  // mkdtemp makes it 0700
    ::unlink(link.c_str());
    ::rmdir(real.c_str());
}

}  // namespace
}  // namespace vantora::simlink
