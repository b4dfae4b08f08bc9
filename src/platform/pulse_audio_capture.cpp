#include "platform/pulse_audio_capture.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vantora {
namespace {

constexpr int kChannels = 2;
constexpr std::size_t kPacketSamples =
    static_cast<std::size_t>(kAudioCaptureRate / 100) * kChannels;  // 10 ms
// The server hands data over in fragments of this length; without it, a
// monitor delivers seconds-long chunks.
constexpr pa_usec_t kFragmentUsec = 10 * PA_USEC_PER_MSEC;
// What the server keeps for us when we fall behind: old sound is of no use.
constexpr pa_usec_t kMaxBufferUsec = 80 * PA_USEC_PER_MSEC;

void Unref(pa_operation* operation) {
    if (operation != nullptr) {
        pa_operation_unref(operation);
    }
}

// Everything but Start, SetActive and Stop runs on the main loop's thread,
// which holds the loop's lock while it dispatches; those three take the lock.
class PulseAudioCapture final : public AudioCapture {
public:
    explicit PulseAudioCapture(std::chrono::milliseconds retryInterval)
        : retryUsec_(static_cast<pa_usec_t>(retryInterval.count()) * PA_USEC_PER_MSEC) {
        packet_.resize(kPacketSamples);
    }
    ~PulseAudioCapture() override { Stop(); }
    PulseAudioCapture(const PulseAudioCapture&) = delete;
    PulseAudioCapture& operator=(const PulseAudioCapture&) = delete;

    void Start(Samples samples, StateChanged state) override;
    void SetActive(bool on) override;
    void Stop() override;

private:
    void ArmTimer(pa_usec_t delay);
    void OnTimer();
    void Connect();
    void Disconnect();
    void OnContextState();
    void OnContextLost();
    void OnEvent(pa_subscription_event_type_t type);
    void QueryServer();
    void OnServerInfo(const pa_server_info* info);
    void OnSinkInfo(const pa_sink_info* info, int eol);
    void OpenStream(const char* monitorSource);
    void CloseStream();
    void OnStreamState();
    void OnStreamLost();
    void OnRead();
    void Feed(const void* data, std::size_t bytes);
    void ApplyActive();
    void SetActiveLocked(bool on);
    void Report(AudioCaptureState state);

    std::mutex startStop_;  // Start, Stop and SetActive from outside the loop
    pa_threaded_mainloop* loop_ = nullptr;
    std::atomic<std::thread::id> loopThread_{};  // SetActive tells a callback by it
    pa_mainloop_api* api_ = nullptr;
    pa_time_event* timer_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    Samples samples_;
    StateChanged stateChanged_;
    const pa_usec_t retryUsec_;

    // With the loop's lock held:
    bool active_ = false;
    bool contextLost_ = false;
    std::string sinkName_;  // the default sink whose monitor is recorded, or being opened
    int pendingSinkQueries_ = 0;
    AudioCaptureState reported_ = AudioCaptureState::kStarting;
    std::vector<float> packet_;
    std::size_t packetFill_ = 0;
};

void PulseAudioCapture::Start(Samples samples, StateChanged state) {
    std::lock_guard lock(startStop_);
    if (loop_ != nullptr) {
        return;
    }
    loop_ = pa_threaded_mainloop_new();
    if (loop_ == nullptr) {
        return;
    }
    pa_threaded_mainloop_set_name(loop_, "audio-capture");
    api_ = pa_threaded_mainloop_get_api(loop_);
    samples_ = std::move(samples);
    stateChanged_ = std::move(state);
    active_ = false;
    contextLost_ = false;
    reported_ = AudioCaptureState::kStarting;
    packetFill_ = 0;
    // The first connection is made on the loop's thread, like every later one.
    ArmTimer(0);
    if (pa_threaded_mainloop_start(loop_) < 0) {
        api_->time_free(timer_);
        timer_ = nullptr;
        pa_threaded_mainloop_free(loop_);
        loop_ = nullptr;
        samples_ = nullptr;
        stateChanged_ = nullptr;
    }
}

void PulseAudioCapture::Stop() {
    std::lock_guard lock(startStop_);
    if (loop_ == nullptr) {
        return;
    }
    pa_threaded_mainloop_lock(loop_);
    Disconnect();
    if (timer_ != nullptr) {
        api_->time_free(timer_);
        timer_ = nullptr;
    }
    samples_ = nullptr;
    stateChanged_ = nullptr;
    pa_threaded_mainloop_unlock(loop_);
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
    loop_ = nullptr;
    api_ = nullptr;
    loopThread_ = std::thread::id();
}

void PulseAudioCapture::SetActive(bool on) {
    if (loopThread_.load() == std::this_thread::get_id()) {
        SetActiveLocked(on);  // from a callback: the lock is held already
        return;
    }
    std::lock_guard lock(startStop_);
    if (loop_ == nullptr) {
        return;
    }
    pa_threaded_mainloop_lock(loop_);
    SetActiveLocked(on);
    pa_threaded_mainloop_unlock(loop_);
}

void PulseAudioCapture::SetActiveLocked(bool on) {
    if (active_ == on) {
        return;
    }
    active_ = on;
    packetFill_ = 0;
    ApplyActive();
}

// Corks a ready stream while inactive; on uncorking drops what it still held.
void PulseAudioCapture::ApplyActive() {
    if (stream_ == nullptr || pa_stream_get_state(stream_) != PA_STREAM_READY) {
        return;  // a stream opens corked or not as active_ says; see also OnStreamState
    }
    if (active_) {
        Unref(pa_stream_flush(stream_, nullptr, nullptr));
    }
    Unref(pa_stream_cork(stream_, active_ ? 0 : 1, nullptr, nullptr));
}

void PulseAudioCapture::Report(AudioCaptureState state) {
    if (state == reported_) {
        return;
    }
    reported_ = state;
    if (stateChanged_) {
        stateChanged_(state);
    }
}

void PulseAudioCapture::ArmTimer(pa_usec_t delay) {
    timeval when{};
    pa_timeval_add(pa_gettimeofday(&when), delay);
    if (timer_ == nullptr) {
        timer_ = api_->time_new(
            api_, &when,
            [](pa_mainloop_api*, pa_time_event*, const timeval*, void* self) {
                static_cast<PulseAudioCapture*>(self)->OnTimer();
            },
            this);
    } else {
        api_->time_restart(timer_, &when);
    }
}

// Connects when there is no connection (or it was lost); otherwise looks at
// the server's default sink again.
void PulseAudioCapture::OnTimer() {
    loopThread_ = std::this_thread::get_id();  // before any callback of ours
    if (context_ == nullptr || contextLost_) {
        Disconnect();
        Connect();
    } else if (pa_context_get_state(context_) == PA_CONTEXT_READY) {
        QueryServer();
    }
}

void PulseAudioCapture::Connect() {
    contextLost_ = false;
    context_ = pa_context_new(api_, "VANTORA");
    if (context_ == nullptr) {
        OnContextLost();
        return;
    }
    pa_context_set_state_callback(
        context_, [](pa_context*, void* self) { static_cast<PulseAudioCapture*>(self)->OnContextState(); },
        this);
    pa_context_set_subscribe_callback(
        context_,
        [](pa_context*, pa_subscription_event_type_t type, uint32_t, void* self) {
            static_cast<PulseAudioCapture*>(self)->OnEvent(type);
        },
        this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        OnContextLost();
    }
}

void PulseAudioCapture::Disconnect() {
    CloseStream();
    if (context_ != nullptr) {
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_set_subscribe_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }
    contextLost_ = false;
    sinkName_.clear();
    pendingSinkQueries_ = 0;  // a context's pending queries end with it, without their callbacks
}

void PulseAudioCapture::OnContextState() {
    switch (pa_context_get_state(context_)) {
        case PA_CONTEXT_READY:
            Unref(pa_context_subscribe(
                context_,
                static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SERVER | PA_SUBSCRIPTION_MASK_SINK),
                nullptr, nullptr));
            QueryServer();
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            OnContextLost();
            break;
        default:
            break;
    }
}

// No server, or it went away: said once; the context is freed and made anew
// by the timer, outside the context's own callbacks.
void PulseAudioCapture::OnContextLost() {
    contextLost_ = true;
    Report(AudioCaptureState::kNoServer);
    ArmTimer(retryUsec_);
}

void PulseAudioCapture::OnEvent(pa_subscription_event_type_t type) {
    const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    const auto kind = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
    // A new default sink shows as a server change; a sink coming or going
    // may change the default too. Volume and other sink changes do not.
    if (facility == PA_SUBSCRIPTION_EVENT_SERVER ||
        (facility == PA_SUBSCRIPTION_EVENT_SINK && kind != PA_SUBSCRIPTION_EVENT_CHANGE)) {
        QueryServer();
    }
}

void PulseAudioCapture::QueryServer() {
    Unref(pa_context_get_server_info(
        context_,
        [](pa_context*, const pa_server_info* info, void* self) {
            static_cast<PulseAudioCapture*>(self)->OnServerInfo(info);
        },
        this));
}

void PulseAudioCapture::OnServerInfo(const pa_server_info* info) {
    if (info == nullptr || contextLost_) {
        return;
    }
    const char* name = info->default_sink_name;
    if (name == nullptr || *name == '\0') {
        CloseStream();
        sinkName_.clear();
        Report(AudioCaptureState::kNoOutput);
        return;
    }
    if (sinkName_ == name) {
        return;  // the stream already records this sink, or is being opened on it
    }
    CloseStream();
    sinkName_ = name;
    Report(AudioCaptureState::kStarting);
    ++pendingSinkQueries_;
    Unref(pa_context_get_sink_info_by_name(
        context_, name,
        [](pa_context*, const pa_sink_info* sink, int eol, void* self) {
            static_cast<PulseAudioCapture*>(self)->OnSinkInfo(sink, eol);
        },
        this));
}

// The server answers queries in order, so only the last one pending is about
// the sink in sinkName_.
void PulseAudioCapture::OnSinkInfo(const pa_sink_info* info, int eol) {
    if (eol == 0) {
        if (info != nullptr && pendingSinkQueries_ == 1 && stream_ == nullptr && info->name != nullptr &&
            sinkName_ == info->name && info->monitor_source_name != nullptr) {
            OpenStream(info->monitor_source_name);
        }
        return;
    }
    --pendingSinkQueries_;
    if (pendingSinkQueries_ == 0 && stream_ == nullptr && !contextLost_) {
        // The default sink is gone again, or could not be recorded: wait for
        // the next change (or the timer) to look again.
        sinkName_.clear();
        Report(AudioCaptureState::kNoOutput);
        ArmTimer(retryUsec_);
    }
}

void PulseAudioCapture::OpenStream(const char* monitorSource) {
    const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, static_cast<uint32_t>(kAudioCaptureRate), kChannels};
    pa_channel_map map;
    pa_channel_map_init_stereo(&map);
    stream_ = pa_stream_new(context_, "Music", &format, &map);
    if (stream_ == nullptr) {
        return;  // reported as no output by OnSinkInfo
    }
    pa_stream_set_state_callback(
        stream_, [](pa_stream*, void* self) { static_cast<PulseAudioCapture*>(self)->OnStreamState(); },
        this);
    pa_stream_set_read_callback(
        stream_, [](pa_stream*, size_t, void* self) { static_cast<PulseAudioCapture*>(self)->OnRead(); },
        this);
    pa_buffer_attr attributes;
    attributes.maxlength = static_cast<uint32_t>(pa_usec_to_bytes(kMaxBufferUsec, &format));
    attributes.fragsize = static_cast<uint32_t>(pa_usec_to_bytes(kFragmentUsec, &format));
    attributes.tlength = static_cast<uint32_t>(-1);
    attributes.prebuf = static_cast<uint32_t>(-1);
    attributes.minreq = static_cast<uint32_t>(-1);
    // Not moved by the server when its sink goes: the stream ends, and we
    // follow the new default ourselves.
    auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE);
    if (!active_) {
        flags = static_cast<pa_stream_flags_t>(flags | PA_STREAM_START_CORKED);
    }
    if (pa_stream_connect_record(stream_, monitorSource, &attributes, flags) < 0) {
        CloseStream();
    }
}

void PulseAudioCapture::CloseStream() {
    packetFill_ = 0;
    if (stream_ == nullptr) {
        return;
    }
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pa_stream_set_read_callback(stream_, nullptr, nullptr);
    pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    stream_ = nullptr;
}

void PulseAudioCapture::OnStreamState() {
    switch (pa_stream_get_state(stream_)) {
        case PA_STREAM_READY:
            // SetActive may have changed its mind while the stream was opening.
            if (active_) {
                Unref(pa_stream_flush(stream_, nullptr, nullptr));
            }
            Unref(pa_stream_cork(stream_, active_ ? 0 : 1, nullptr, nullptr));
            Report(AudioCaptureState::kCapturing);
            break;
        case PA_STREAM_FAILED:
        case PA_STREAM_TERMINATED:
            OnStreamLost();
            break;
        default:
            break;
    }
}

// The server ended the stream (its sink went, or it is going itself). A lost
// connection is handled by OnContextState; otherwise the default sink is
// looked at again: at once through the server's event when the default
// changed, after the retry interval at the latest.
void PulseAudioCapture::OnStreamLost() {
    CloseStream();
    if (contextLost_ || pa_context_get_state(context_) != PA_CONTEXT_READY) {
        return;
    }
    sinkName_.clear();
    Report(AudioCaptureState::kStarting);
    ArmTimer(retryUsec_);
}

void PulseAudioCapture::OnRead() {
    while (stream_ != nullptr) {
        const void* data = nullptr;
        std::size_t bytes = 0;
        if (pa_stream_peek(stream_, &data, &bytes) < 0 || bytes == 0) {
            return;
        }
        // A hole (no data, a size) is dropped like data: the packet goes on
        // with what follows.
        if (data != nullptr && active_) {
            Feed(data, bytes);
        }
        pa_stream_drop(stream_);
    }
}

void PulseAudioCapture::Feed(const void* data, std::size_t bytes) {
    const auto* source = static_cast<const unsigned char*>(data);
    std::size_t left = bytes / sizeof(float);
    while (left > 0) {
        const std::size_t take = std::min(left, kPacketSamples - packetFill_);
        std::memcpy(packet_.data() + packetFill_, source, take * sizeof(float));
        packetFill_ += take;
        source += take * sizeof(float);
        left -= take;
        if (packetFill_ == kPacketSamples) {
            packetFill_ = 0;
            if (samples_) {
                samples_(std::span<const float>(packet_.data(), kPacketSamples), kChannels);
            }
            if (!active_) {
                return;  // the callback made the capture inactive
            }
        }
    }
}

}  // namespace

std::unique_ptr<AudioCapture> MakePulseAudioCapture(std::chrono::milliseconds retryInterval) {
    return std::make_unique<PulseAudioCapture>(retryInterval);
}

}  // namespace vantora
