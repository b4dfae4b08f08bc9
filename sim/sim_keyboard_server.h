#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "device/sim_link.h"
#include "sim/keyboard_firmware.h"

namespace vantora::sim {

// One simulated keyboard on a Unix socket in the simulator folder: plugging
// it in creates the socket (it appears fully listening, by a rename),
// unplugging removes it. A thread of its own serves every connection.
class SimKeyboardServer {
public:
    struct Options {
        std::string folder;  // empty: SimulatorFolder()
        std::uint16_t vendorId = 0x1209;
        std::uint16_t productId = 0x0001;
        std::uint16_t releaseNumber = 0x0102;
        std::string manufacturer = "VANTORA";
        std::string product = "VANTORA Gaming Keyboard";
        std::string traceFile;  // one line per received report when set
        // When set, KeyboardStateJson is kept in this file (see WriteState).
        std::string stateFile;
        FirmwareFaults faults;
        // Called on the server thread when the keyboard vanished by fault.
        std::function<void()> onVanish;
    };

    explicit SimKeyboardServer(Options options);
    ~SimKeyboardServer();
    SimKeyboardServer(const SimKeyboardServer&) = delete;
    SimKeyboardServer& operator=(const SimKeyboardServer&) = delete;

    // Creates the socket and starts serving. False with `error` when the
    // folder is unsafe or the socket cannot be made.
    bool Plug(std::string* error = nullptr);
    // Closes every connection and removes the socket. Nothing when unplugged.
    void Unplug();
    std::string SocketPath() const;
    // True from a successful Plug until Unplug or a vanish ends serving.
    bool Plugged() const { return plugged_.load(); }
    // KeyboardStateJson of this keyboard now.
    std::string StateJson();

    // A key press; the event report sent on the vendor collection, if any.
    std::optional<EventReport> Press(int index, bool fn);
    void SetFaults(const FirmwareFaults& faults);
    template <typename Action>
    auto WithFirmware(Action action) {
        std::lock_guard lock(firmwareMutex_);
        return action(firmware_);
    }

private:
    // A connection. Sends never wait on it: what its socket does not take
    // waits in `outgoing`, and a client that lets more than
    // kMaxOutgoingBytes pile up there (it stopped reading) is dropped.
    struct Client {
        int fd = -1;
        simlink::FrameReader reader;
        int interfaceNumber = -1;
        std::vector<std::uint8_t> outgoing;
        bool dropped = false;
    };
    static constexpr std::size_t kMaxOutgoingBytes = 64 * 1024;
    struct DelayedAnswer {
        std::uint64_t dueMs;
        int fd;
        std::array<std::uint8_t, protocol::kReportSize> report;
    };

    void Run();
    // Queues a frame to `client` and sends what its socket takes now.
    void Send(Client& client, std::uint8_t type, const std::uint8_t* payload, std::size_t size);
    // Sends what waits for `client` as far as its socket takes it.
    void Flush(Client& client);
    Client* FindClient(int fd);
    // False when the keyboard vanished while handling the frame.
    // `reportHandled` becomes true when the frame was a report for the
    // keyboard.
    bool HandleFrame(Client& client, const simlink::Frame& frame, bool& reportHandled);
    void Trace(std::span<const std::uint8_t> report);
    // Replaces the state file, when there is one, by the state now. Called
    // by Plug before the server thread starts and by that thread (after the
    // answers to a batch of reports went out, and once unplugged), so only
    // one thread writes it at a time.
    bool WriteState(bool plugged, std::string* error = nullptr);
    void CloseEverything();
    void Wake();

    Options options_;
    simlink::SimKeyboardInfo info_;
    std::string folder_;
    std::string socketPath_;
    mutable std::mutex stateMutex_;
    std::mutex firmwareMutex_;
    KeyboardFirmware firmware_;
    std::vector<EventReport> pendingEvents_;  // guarded by stateMutex_
    std::atomic<bool> plugged_{false};
    std::atomic<bool> stop_{false};
    int listenFd_ = -1;
    int wakeFd_ = -1;
    std::vector<Client> clients_;
    std::vector<DelayedAnswer> delayed_;
    std::thread thread_;
    std::FILE* trace_ = nullptr;
};

}  // namespace vantora::sim
