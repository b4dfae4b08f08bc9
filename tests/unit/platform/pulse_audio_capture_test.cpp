#include "platform/pulse_audio_capture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <numbers>
#include <thread>
#include <vector>

#include "support/env_guard.h"
#include "support/pulse_server.h"

namespace vantora {
namespace {

using State = AudioCaptureState;
using namespace std::chrono_literals;

// How much of a packet's left channel is a 1 kHz sine: 1 for a pure tone, near
// 0 for silence or other sound (Goertzel at 1 kHz; a 10 ms packet holds
// exactly ten periods).
double ToneShare(std::span<const float> interleaved, int channels) {
    const std::size_t frames = interleaved.size() / static_cast<std::size_t>(channels);
    const double coefficient = 2.0 * std::cos(2.0 * std::numbers::pi * 1000.0 / kAudioCaptureRate);
    double previous = 0;
    double beforePrevious = 0;
    double energy = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        const double x = interleaved[i * static_cast<std::size_t>(channels)];
        energy += x * x;
        const double current = x + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    if (energy < 1e-3 * static_cast<double>(frames)) {
        return 0;  // below an amplitude of about 0.045
    }
    const double power =
        previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
    return 2.0 * power / (static_cast<double>(frames) * energy);
}

// What the capture reported, from its thread.
class Recorder {
public:
    void OnSamples(std::span<const float> interleaved, int channels) {
        const bool tone = channels == 2 && ToneShare(interleaved, channels) > 0.9;
        std::lock_guard lock(mutex_);
        ++packets_;
        tonePackets_ += tone ? 1 : 0;
        oddPackets_ += (channels != 2 || interleaved.size() != 960) ? 1 : 0;
        changed_.notify_all();
    }
    void OnState(State state) {
        std::lock_guard lock(mutex_);
        states_.push_back(state);
        changed_.notify_all();
    }

    // Waits (10 s at most) until `state` is reported as the `from`-th state
    // or later.
    bool WaitForState(State state, std::size_t from = 0) {
        return WaitFor(
            [&] { return std::find(states_.begin() + Clamp(from), states_.end(), state) != states_.end(); });
    }
    // Waits until 100 ms of tone more than `before` have arrived.
    bool WaitForTone(int before) {
        return WaitFor([&] { return tonePackets_ >= before + 10; });
    }

    std::vector<State> States(std::size_t from = 0) {
        std::lock_guard lock(mutex_);
        return {states_.begin() + Clamp(from), states_.end()};
    }
    std::size_t StateCount() {
        std::lock_guard lock(mutex_);
        return states_.size();
    }
    int Packets() {
        std::lock_guard lock(mutex_);
        return packets_;
    }
    int TonePackets() {
        std::lock_guard lock(mutex_);
        return tonePackets_;
    }
    int OddPackets() {
        std::lock_guard lock(mutex_);
        return oddPackets_;
    }

private:
    template <typename Condition>
    bool WaitFor(Condition condition) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 10s, condition);
    }
    std::ptrdiff_t Clamp(std::size_t from) const {
        return static_cast<std::ptrdiff_t>(std::min(from, states_.size()));
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<State> states_;
    int packets_ = 0;
    int tonePackets_ = 0;
    int oddPackets_ = 0;
};

// Every case runs against a PulseAudio server of its own; this process's
// client is pointed at that server only, so no tone ever reaches a speaker.
class PulseAudioCaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::PulseServer::Installed()) {
            GTEST_SKIP() << "pulseaudio, pactl or pacat is not installed";
        }
    }
    void TearDown() override {
        if (capture_) {
            capture_->Stop();
        }
    }

    // Starts the private server and makes it the only one this process can
    // reach. False when it did not come up as ours.
    bool StartServer(bool withSink = true) {
        server_ = std::make_unique<test::PulseServer>(withSink);
        env_.Set("PULSE_SERVER", server_->Address());
        env_.Set("HOME", server_->HomeDir());
        env_.Set("XDG_CONFIG_HOME", server_->HomeDir() + "/.config");
        env_.Set("XDG_RUNTIME_DIR", server_->RuntimeDir());
        return server_->Running();
    }
    void StartCapture() {
        capture_ = MakePulseAudioCapture(100ms);
        StartCapture(*capture_, recorder_);
    }
    // Plays a tone into `sink` until 100 ms of it have been captured.
    bool ToneArrives(const std::string& sink = test::PulseServer::kSink) {
        const int before = recorder_.TonePackets();
        server_->RestartSinkClock(sink);
        const bool arrived = server_->StartTone(sink) && recorder_.WaitForTone(before);
        server_->StopTone();
        return arrived;
    }
    void StartCapture(AudioCapture& capture, Recorder& recorder) {
        capture.Start([&recorder](std::span<const float> samples,
                                  int channels) { recorder.OnSamples(samples, channels); },
                      [&recorder](State state) { recorder.OnState(state); });
    }
    bool AddSink(const std::string& name) {
        return server_
                   ->Pactl({"load-module", "module-null-sink", "sink_name=" + name, "format=float32le",
                            "rate=48000", "channels=2"})
                   .exitCode == 0;
    }

    test::EnvGuard env_;
    std::unique_ptr<test::PulseServer> server_;
    Recorder recorder_;
    std::unique_ptr<AudioCapture> capture_;
};

TEST_F(PulseAudioCaptureTest, DeliversTheDefaultSinksSoundOnlyWhileActive) {
    ASSERT_TRUE(StartServer());
    StartCapture();
    ASSERT_TRUE(recorder_.WaitForState(State::kCapturing));
    // A second capture, active throughout, witnesses that the tone plays.
    Recorder witnessed;
    const auto witness = MakePulseAudioCapture(100ms);
    StartCapture(*witness, witnessed);
    witness->SetActive(true);
    ASSERT_TRUE(witnessed.WaitForState(State::kCapturing));
    ASSERT_TRUE(server_->RestartSinkClock());
    ASSERT_TRUE(server_->StartTone());

    ASSERT_TRUE(witnessed.WaitForTone(0));
    EXPECT_EQ(recorder_.Packets(), 0);  // corked

    capture_->SetActive(true);
    EXPECT_TRUE(recorder_.WaitForTone(0));
    EXPECT_EQ(recorder_.OddPackets(), 0);

    capture_->SetActive(false);
    const int packets = recorder_.Packets();
    ASSERT_TRUE(witnessed.WaitForTone(witnessed.TonePackets()));
    EXPECT_EQ(recorder_.Packets(), packets);
    EXPECT_EQ(recorder_.States(), (std::vector{State::kCapturing}));
    witness->Stop();
}

TEST_F(PulseAudioCaptureTest, ReopensOnlyWhenTheDefaultSinkChanges) {
    ASSERT_TRUE(StartServer());
    // Chosen, so that a sink added later does not become the default by itself.
    ASSERT_EQ(server_->Pactl({"set-default-sink", test::PulseServer::kSink}).exitCode, 0);
    StartCapture();
    capture_->SetActive(true);
    ASSERT_TRUE(recorder_.WaitForState(State::kCapturing));
    const std::size_t mark = recorder_.StateCount();

    ASSERT_TRUE(AddSink("vantora_test_c"));  // not the default: the stream stays
    ASSERT_TRUE(AddSink("vantora_test_b"));
    ASSERT_EQ(server_->Pactl({"set-default-sink", "vantora_test_b"}).exitCode, 0);
    ASSERT_TRUE(recorder_.WaitForState(State::kCapturing, mark));
    EXPECT_EQ(recorder_.States(mark), (std::vector{State::kStarting, State::kCapturing}));
    EXPECT_TRUE(ToneArrives("vantora_test_b"));
}

TEST_F(PulseAudioCaptureTest, ASuspendedSinkKeepsTheStream) {
    ASSERT_TRUE(StartServer());
    StartCapture();
    capture_->SetActive(true);
    ASSERT_TRUE(recorder_.WaitForState(State::kCapturing));

    ASSERT_TRUE(ToneArrives());

    // Suspended while the tone plays, and resumed: the stream goes on.
    ASSERT_TRUE(server_->StartTone());
    ASSERT_EQ(server_->Pactl({"suspend-sink", test::PulseServer::kSink, "1"}).exitCode, 0);
    ASSERT_EQ(server_->Pactl({"suspend-sink", test::PulseServer::kSink, "0"}).exitCode, 0);
    EXPECT_TRUE(recorder_.WaitForTone(recorder_.TonePackets()));
    EXPECT_EQ(recorder_.States(), (std::vector{State::kCapturing}));
}

TEST_F(PulseAudioCaptureTest, AServerDyingDuringCaptureIsReportedAndReconnected) {
    ASSERT_TRUE(StartServer());
    StartCapture();
    capture_->SetActive(true);
    ASSERT_TRUE(recorder_.WaitForState(State::kCapturing));
    ASSERT_TRUE(server_->RestartSinkClock());
    ASSERT_TRUE(server_->StartTone());
    ASSERT_TRUE(recorder_.WaitForTone(0));

    server_->Kill();  // while sound streams
    ASSERT_TRUE(recorder_.WaitForState(State::kNoServer));
    const std::size_t mark = recorder_.StateCount();
    ASSERT_TRUE(server_->Restart());
    ASSERT_TRUE(recorder_.WaitForState(State::kCapturing, mark));
    EXPECT_TRUE(ToneArrives());
}

TEST_F(PulseAudioCaptureTest, NoServerIsReportedOnceAndAServerStartedLaterIsFound) {
    ASSERT_TRUE(StartServer());
    server_->Kill();
    StartCapture();
    ASSERT_TRUE(recorder_.WaitForState(State::kNoServer));
    // Several attempts to connect go by; the state is told once.
    std::this_thread::sleep_for(350ms);
    EXPECT_EQ(recorder_.States(), (std::vector{State::kNoServer}));

    ASSERT_TRUE(server_->Restart());
    ASSERT_TRUE(recorder_.WaitForState(State::kCapturing));
    const auto states = recorder_.States();
    EXPECT_EQ(std::count(states.begin(), states.end(), State::kNoServer), 1);
}

TEST_F(PulseAudioCaptureTest, NoSinkIsReportedAndASinkAddedLaterIsRecorded) {
    ASSERT_TRUE(StartServer(/*withSink=*/false));
    StartCapture();
    capture_->SetActive(true);
    ASSERT_TRUE(recorder_.WaitForState(State::kNoOutput));

    ASSERT_TRUE(AddSink(test::PulseServer::kSink));
    ASSERT_TRUE(recorder_.WaitForState(State::kCapturing));
    EXPECT_TRUE(ToneArrives());
}

TEST_F(PulseAudioCaptureTest, StopEndsTheCallbacksAndStartBeginsAgain) {
    ASSERT_TRUE(StartServer());
    StartCapture();
    capture_->SetActive(true);
    ASSERT_TRUE(recorder_.WaitForState(State::kCapturing));
    ASSERT_TRUE(server_->RestartSinkClock());
    ASSERT_TRUE(server_->StartTone());
    ASSERT_TRUE(recorder_.WaitForTone(0));
    capture_->Stop();
    const int packets = recorder_.Packets();
    const std::size_t states = recorder_.StateCount();

    Recorder again;
    StartCapture(*capture_, again);
    capture_->SetActive(true);
    EXPECT_TRUE(again.WaitForTone(0));
    EXPECT_EQ(again.States(), (std::vector{State::kCapturing}));
    EXPECT_EQ(recorder_.Packets(), packets);
    EXPECT_EQ(recorder_.StateCount(), states);
    capture_->Stop();
}

}  // namespace
}  // namespace vantora
