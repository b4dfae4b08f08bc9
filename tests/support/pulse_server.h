#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace vantora::test {

// A PulseAudio server of the test's own: no default script, its native
// socket in a private runtime folder, a private home, and (unless told
// otherwise) one null sink "vantora_test_a" taking float32 48 kHz stereo.
// Sound played into it reaches no speaker. Killed by its pid with the object.
//
// Clients reach it only through Address(); Pactl and StartTone pass it
// explicitly, so they can never talk to another server.
class PulseServer {
public:
    static constexpr const char* kSink = "vantora_test_a";

    explicit PulseServer(bool withSink = true);
    ~PulseServer();
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    // Whether the pulseaudio, pactl and pacat programs are installed.
    static bool Installed();

    // True once this server answers on its socket (within 20 seconds of
    // starting) and reports itself as the server on that socket.
    bool Running() const { return running_; }
    // "unix:<socket>", for PULSE_SERVER; the socket exists only while running.
    const std::string& Address() const { return address_; }
    // The private folders a client of this server should use as HOME and
    // XDG_RUNTIME_DIR.
    std::string HomeDir() const { return dir_.path() + "home"; }
    std::string RuntimeDir() const { return dir_.path() + "run"; }

    // Kills the server (SIGKILL), as a crash would.
    void Kill();
    // Starts it again on the same socket; Running() says whether it came up.
    bool Restart();

    // A null sink renders its first block at its largest latency (2 s),
    // whatever its clients ask for later, so the first sound reaches a
    // recording stream seconds late. Suspended and resumed once the stream
    // records, the sink renders at the latency the stream asked for.
    bool RestartSinkClock(const std::string& sink = kSink) const;

    // pactl with `args` against this server.
    ProcessResult Pactl(const std::vector<std::string>& args) const;
    // Begins playing a 1 kHz sine at amplitude 0.5 into `sink` (for ten
    // seconds at most), in the background; false when pacat could not be
    // started. StopTone (or the object's end) stops it.
    bool StartTone(const std::string& sink = kSink);
    void StopTone();

private:
    bool Launch();
    pid_t Spawn(std::vector<std::string> args) const;

    TempDir dir_;
    bool withSink_;
    pid_t pid_ = -1;
    pid_t tonePid_ = -1;
    bool running_ = false;
    std::string socket_;
    std::string address_;
};

}  // namespace vantora::test
