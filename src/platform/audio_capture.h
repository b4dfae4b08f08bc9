#pragma once

#include <functional>
#include <memory>
#include <span>

namespace vantora {

// Where the capture of what the computer plays stands.
enum class AudioCaptureState {
    kStarting,   // connecting to the sound server or opening the stream
    kCapturing,  // the stream records the default output (it may be corked)
    kNoServer,   // no sound server answers; the capture retries now and then
    kNoOutput,   // the server has no output to record
};

// Records what the computer plays: the default output's monitor, followed
// when the default output changes. Samples come in packets of about 10 ms,
// interleaved 32-bit floats at kAudioCaptureRate.
//
// Start, SetActive and Stop may be called from any thread; SetActive also
// from the callbacks, Start and Stop never from them.
class AudioCapture {
public:
    // Called on the capture's own thread.
    using Samples = std::function<void(std::span<const float> interleaved, int channels)>;
    // Called on the capture's own thread, once for each change of state.
    using StateChanged = std::function<void(AudioCaptureState)>;

    virtual ~AudioCapture() = default;

    // Begins connecting (in the background; a missing server is not started).
    // The stream stays corked until SetActive(true). A second Start while
    // running does nothing.
    virtual void Start(Samples samples, StateChanged state) = 0;
    // true: the stream's old data is dropped and recording resumes; false:
    // the stream is corked and no samples are delivered.
    virtual void SetActive(bool on) = 0;
    // Disconnects and waits for the capture's thread. No callback runs once
    // Stop returns; Start may be called again.
    virtual void Stop() = 0;
};

inline constexpr int kAudioCaptureRate = 48000;

}  // namespace vantora
