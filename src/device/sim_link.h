#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/hid_backend.h"

// The link between the program and a simulated keyboard: a Unix stream
// socket per keyboard in the simulator folder, carrying frames of our own:
//   byte 0     frame type
//   bytes 1-2  payload length, little-endian (at most kMaxPayload)
//   bytes 3-   payload
// A connection first sends kHello (answered by kInfo) or kOpen (answered by
// kOpened). On an opened command interface the program sends kReport with
// the 64-byte report; the keyboard queues its answer as kInput and then
// confirms the write with kWriteDone, so an answer that is not delayed is
// always readable when the write returns. Event reports arrive as kInput on
// an opened event interface.
namespace vantora::simlink {

inline constexpr std::uint8_t kHello = 1;
inline constexpr std::uint8_t kInfo = 2;
inline constexpr std::uint8_t kOpen = 3;
inline constexpr std::uint8_t kOpened = 4;
inline constexpr std::uint8_t kReport = 5;
inline constexpr std::uint8_t kWriteDone = 6;
inline constexpr std::uint8_t kInput = 7;

inline constexpr std::size_t kMaxPayload = 4096;
inline constexpr std::string_view kPathPrefix = "sim:";
inline constexpr std::string_view kSocketSuffix = ".sock";

struct Frame {
    std::uint8_t type = 0;
    std::vector<std::uint8_t> payload;
};

// Collects bytes from a stream and cuts them into frames.
class FrameReader {
public:
    void Feed(const std::uint8_t* data, std::size_t size);
    // The next complete frame, if any. A frame announcing more than
    // kMaxPayload marks the stream as corrupt.
    std::optional<Frame> Next();
    bool Corrupt() const { return corrupt_; }

private:
    std::deque<std::uint8_t> buffer_;
    bool corrupt_ = false;
};

std::vector<std::uint8_t> EncodeFrame(std::uint8_t type, const std::uint8_t* payload, std::size_t size);
// Sends a whole frame on a blocking or non-blocking socket (retries short
// writes, never raises SIGPIPE). False when the peer is gone.
bool SendFrame(int fd, std::uint8_t type, const std::uint8_t* payload, std::size_t size);
// Reads until a frame is complete or `timeoutMs` passes (-1: no limit).
// False on time-out, end of stream, error or a corrupt stream; `closed`
// (when given) tells the last three from a time-out.
bool ReceiveFrame(int fd, FrameReader& reader, int timeoutMs, Frame& frame, bool* closed = nullptr);

// One interface of a simulated keyboard.
struct SimInterface {
    int number = 0;
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::vector<std::uint8_t> reportDescriptor;
};

// What kInfo carries.
struct SimKeyboardInfo {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t releaseNumber = 0;
    std::string manufacturer;
    std::string product;
    std::vector<SimInterface> interfaces;
};

std::vector<std::uint8_t> EncodeInfo(const SimKeyboardInfo& info);
bool DecodeInfo(const std::vector<std::uint8_t>& payload, SimKeyboardInfo& info);

// The interfaces every simulated keyboard offers: the command interface 2
// (64-byte input and output reports) and the vendor collection on
// interface 1 (usage page 0xFF00, usage 0, 32-byte event reports with id 2).
std::vector<SimInterface> StandardInterfaces();
inline constexpr int kEventInterface = 1;

// How a simulated keyboard shows in an enumeration: one entry per interface,
// in the order of `info.interfaces`, with the keyboard's ids, release number
// and strings, the interface's number and usage, and `pathOf(number)` as path.
std::vector<HidDeviceInfo> EnumerationEntries(const SimKeyboardInfo& info,
                                              const std::function<std::string(int number)>& pathOf);

// The simulator folder: $VANTORA_SIM_DIR, else $XDG_RUNTIME_DIR/vantora-sim
// when the runtime folder is this user's alone (SessionRuntimeFolder), else
// /tmp/vantora-sim-<uid>.
std::string SimulatorFolder();
// Creates the folder (mode 0700) when missing and checks that it is a real
// folder owned by this user that nobody else can enter. False with `error`
// otherwise.
bool EnsureSimulatorFolder(const std::string& folder, std::string* error);
// The same checks without creating anything.
bool IsSafeSimulatorFolder(const std::string& folder);

// Socket names: "<vid>-<pid>-<unique>.sock", ids as four lower-case hex
// digits. Files starting with '.' are never keyboards.
std::string SocketName(std::uint16_t vendorId, std::uint16_t productId, const std::string& unique);
bool ParseSocketName(const std::string& name, std::uint16_t& vendorId, std::uint16_t& productId);

// Interface paths: "sim:<socket path>#<interface number>".
std::string InterfacePath(const std::string& socketPath, int interfaceNumber);
bool ParseInterfacePath(const std::string& path, std::string& socketPath, int& interfaceNumber);

}  // namespace vantora::simlink
