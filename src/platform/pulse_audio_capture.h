#pragma once

#include <chrono>
#include <memory>

#include "platform/audio_capture.h"

namespace vantora {

// The capture through the PulseAudio client API (PipeWire serves the same API
// through pipewire-pulse): it records the monitor of the server's default
// sink as 32-bit float stereo at 48 kHz, and reopens the stream on the new
// default sink when the default changes. A missing server is never started;
// the capture tries again every `retryInterval`, which is also the wait before
// reopening a stream the server ended.
std::unique_ptr<AudioCapture> MakePulseAudioCapture(
    std::chrono::milliseconds retryInterval = std::chrono::seconds(2));

}  // namespace vantora
