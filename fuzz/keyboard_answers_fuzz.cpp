// libFuzzer target: a keyboard that answers with arbitrary bytes. The input
// scripts every read on the command interface (time-outs, failed reads,
// answers of any length, answers that repeat the request's header over
// arbitrary data), the report descriptor the keyboard gives, and the event
// reports on its vendor collection. Each input runs every download of the
// device worker, a music frame and the event listener against it. Any crash,
// hang or sanitizer report is a finding.
//
// Input: byte 0 (low 3 bits) the number of event reports; each event report
// and then the report descriptor as a length byte and that many bytes; the
// rest is the answer script, one entry per read: a control byte c, then
//   c % 4 == 0  the read times out
//   c % 4 == 1  the read fails
//   c % 4 == 2  an answer of the next byte's value in bytes, taken from the
//               script
//   c % 4 == 3  an answer to the last request written: marker 0xAA when
//               bit 2 of c is set (0x00 otherwise), the request's header,
//               then 56 bytes from the script
// Once the script ends, every read times out.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "db/profile_database.h"
#include "device/clock.h"
#include "device/device_event_listener.h"
#include "device/hid_backend.h"
#include "device/hid_device_manager.h"
#include "device/protocol.h"
#include "device/report_descriptor.h"
#include "device/sim_link.h"
#include "i18n/strings.h"
#include "sync/device_worker.h"

namespace {

using namespace vantora;

// Virtual time: nothing ever waits.
class NoWaitClock : public Clock {
public:
    void SleepMs(int ms) override { now_ += static_cast<std::uint64_t>(std::max(ms, 0)); }
    std::uint64_t NowMs() override { return now_.load(); }

private:
    std::atomic<std::uint64_t> now_{1000};
};

// The bytes of one input, taken from the front.
class Script {
public:
    Script(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Empty() const { return at_ >= size_; }
    std::uint8_t Byte() { return Empty() ? 0 : data_[at_++]; }
    // Up to `count` bytes into `out` (zeros past the end); returns `count`.
    std::size_t Bytes(std::uint8_t* out, std::size_t count) {
        const std::size_t have = std::min(count, size_ - std::min(at_, size_));
        std::copy_n(data_ + std::min(at_, size_), have, out);
        std::fill_n(out + have, count - have, std::uint8_t{0});
        at_ += have;
        return count;
    }
    std::vector<std::uint8_t> Chunk() {
        std::vector<std::uint8_t> chunk(Byte());
        Bytes(chunk.data(), chunk.size());
        return chunk;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

class CommandHandle : public HidHandle {
public:
    explicit CommandHandle(Script& script, const std::vector<std::uint8_t>& descriptor)
        : script_(script), descriptor_(descriptor) {}
    int Write(const std::uint8_t* data, std::size_t length) override {
        if (length > 0) {
            // As the keyboard receives it: without the leading report id 0.
            const std::uint8_t* report = data[0] == 0 ? data + 1 : data;
            const std::size_t size = data[0] == 0 ? length - 1 : length;
            lastRequest_.fill(0);
            std::copy_n(report, std::min(size, lastRequest_.size()), lastRequest_.data());
        }
        return static_cast<int>(length);
    }
    int ReadTimeout(std::uint8_t* data, std::size_t length, int) override {
        if (script_.Empty()) {
            return 0;
        }
        const std::uint8_t control = script_.Byte();
        std::uint8_t answer[256];
        std::size_t size = 0;
        switch (control % 4) {
            case 0:
                return 0;
            case 1:
                return -1;
            case 2:
                size = script_.Bytes(answer, script_.Byte());
                break;
            default:
                std::copy_n(lastRequest_.data(), protocol::kData, answer);
                answer[0] = (control & 4) != 0 ? protocol::kAnswerMarker : 0x00;
                size = protocol::kData + script_.Bytes(answer + protocol::kData, protocol::kBlockDataSize);
                break;
        }
        // A read never gives more than the caller's buffer holds.
        size = std::min(size, length);
        std::copy_n(answer, size, data);
        return static_cast<int>(size);
    }
    std::string ManufacturerString() override { return "Fuzz"; }
    std::string ProductString() override { return "Fuzz keyboard"; }
    bool GetReportDescriptor(std::vector<std::uint8_t>& descriptor) override {
        descriptor = descriptor_;
        return true;
    }

private:
    Script& script_;
    const std::vector<std::uint8_t>& descriptor_;
    std::array<std::uint8_t, protocol::kReportSize> lastRequest_{};
};

// The vendor collection: gives its event reports, then times out.
class EventHandle : public HidHandle {
public:
    explicit EventHandle(std::vector<std::vector<std::uint8_t>> events) : events_(std::move(events)) {}
    int Write(const std::uint8_t*, std::size_t) override { return -1; }
    int ReadTimeout(std::uint8_t* data, std::size_t length, int) override {
        std::lock_guard lock(mutex_);
        if (next_ >= events_.size()) {
            drained_ = true;
            return 0;
        }
        const auto& event = events_[next_++];
        const std::size_t size = std::min(event.size(), length);
        std::copy_n(event.data(), size, data);
        return static_cast<int>(size);
    }
    std::string ManufacturerString() override { return "Fuzz"; }
    std::string ProductString() override { return "Fuzz keyboard"; }
    bool GetReportDescriptor(std::vector<std::uint8_t>&) override { return false; }
    bool Drained() const { return drained_.load(); }

private:
    std::mutex mutex_;
    std::vector<std::vector<std::uint8_t>> events_;
    std::size_t next_ = 0;
    std::atomic<bool> drained_{false};
};

class Backend : public HidBackend {
public:
    Backend(Script& script, std::vector<std::uint8_t> descriptor,
            std::vector<std::vector<std::uint8_t>> events)
        : script_(script), descriptor_(std::move(descriptor)), events_(std::move(events)) {}
    std::vector<HidDeviceInfo> Enumerate(std::uint16_t, std::uint16_t) override {
        HidDeviceInfo command{"fuzz#2", 0x1209, 0x0001, 0x0102, "Fuzz", "Fuzz keyboard", 0xFF01, 1, 2};
        HidDeviceInfo event{"fuzz#1",
                            0x1209,
                            0x0001,
                            0x0102,
                            "Fuzz",
                            "Fuzz keyboard",
                            protocol::kVendorUsagePage,
                            protocol::kVendorUsage,
                            1};
        return {command, event};
    }
    bool OwnsPath(const std::string& path) const override { return path.rfind("fuzz#", 0) == 0; }
    std::unique_ptr<HidHandle> OpenPath(const std::string& path) override {
        if (path == "fuzz#2") {
            return std::make_unique<CommandHandle>(script_, descriptor_);
        }
        if (path == "fuzz#1") {
            auto handle = std::make_unique<EventHandle>(events_);
            eventHandle_ = handle.get();
            return handle;
        }
        return nullptr;
    }
    // The event handle last opened (owned by the listener).
    EventHandle* OpenedEvents() const { return eventHandle_.load(); }

private:
    Script& script_;
    std::vector<std::uint8_t> descriptor_;
    std::vector<std::vector<std::uint8_t>> events_;
    std::atomic<EventHandle*> eventHandle_{nullptr};
};

class Host : public SyncHost {
public:
    bool LoadProfileList() override { return true; }
    bool RefreshKeyTips() override { return true; }
    bool ReloadMacroList() override { return true; }
    bool RefreshLightPage() override { return true; }
    bool LoadSwitches() override { return true; }
    void LoadMusicLayer() override {}
    void Reconnect() override {}
    std::vector<KeyColourSample> PaintMusicKeys(const std::vector<KeyColourSample>& samples) override {
        return samples;
    }
};

class Music : public MusicImageSource {
public:
    Music() {
        for (int x = 0; x < kMusicImageWidth; x += 3) {
            image_[static_cast<std::size_t>(7 * kMusicImageWidth + x)] = 0x00FF8040;
        }
    }
    bool LatestImage(MusicImage& image) override {
        image = image_;
        return true;
    }

private:
    MusicImage image_{};
};

std::string runFolder;  // removed again when the run ends

ProfileDatabase& Database() {
    static ProfileDatabase* db = [] {
        const std::filesystem::path base =
            std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
        runFolder = (base / ("vantora-answers-fuzz-" + std::to_string(::getpid()))).string() + "/";
        std::filesystem::create_directories(runFolder + "db");
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(runFolder, ignored);
        });
        auto* opened = new ProfileDatabase;
        if (!opened->OpenProfileDatabase(runFolder, "fuzz")) {
            std::abort();
        }
        std::vector<ProfileItem> profiles;
        opened->ListProfilesCreatingDefaults(profiles, "Profile");
        const int macro = opened->AddMacro("m");
        std::vector<MacroStep> steps(6);
        for (int i = 0; i < 6; ++i) {
            steps[static_cast<std::size_t>(i)].macro_id = macro;
            steps[static_cast<std::size_t>(i)].type = i % 2 == 0 ? 2 : 3;
            steps[static_cast<std::size_t>(i)].value = 0x41;
            steps[static_cast<std::size_t>(i)].record_index = i;
        }
        opened->AddMacroSteps(steps);
        LightMode mode;
        mode.profile = 1;
        mode.mode = 4;
        mode.brightness = 70;
        opened->AddLightMode(mode);
        opened->AddKeyColours({{0, 1, 0, 4, 0x00A0B0C0}});
        return opened;
    }();
    return *db;
}

// The stored keys the read-back may remove, put back before every input.
void StoreKeys(ProfileDatabase& db, int profile) {
    const int rows[][4] = {{0, 4, 2, 5}, {1, 88, 1, 1}, {0, 41, 3, 1}};
    for (const auto& r : rows) {
        KeyAssignment row;
        row.profile = profile;
        row.fn_layer = r[0];
        row.key_code = r[1];
        row.macro_type = r[2];
        row.macro_value = r[3];
        db.SaveKeyAssignment(row);
    }
}

}  // namespace

// The key function names are never shown here: no string tables.
const std::vector<vantora::EmbeddedStringFile>& vantora::EmbeddedStringFiles() {
    static const std::vector<EmbeddedStringFile> none;
    return none;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Script script(data, size);
    const int eventCount = script.Byte() & 7;
    std::vector<std::vector<std::uint8_t>> events;
    for (int i = 0; i < eventCount; ++i) {
        events.push_back(script.Chunk());
    }
    std::vector<std::uint8_t> descriptor = script.Chunk();
    // The manager writes only to an interface whose descriptor passes the
    // check; one that fails it is checked here, then replaced by the command
    // interface's own, so that every input still runs the downloads.
    if (!HasProtocolReportLengths(descriptor)) {
        descriptor = simlink::StandardInterfaces().front().reportDescriptor;
    }

    ProfileDatabase& db = Database();
    NoWaitClock clock;
    Backend backend(script, descriptor, events);

    // The descriptor the keyboard gives for its command interface.
    std::vector<std::uint8_t> given;
    backend.OpenPath("fuzz#2")->GetReportDescriptor(given);
    (void)HasProtocolReportLengths(given);

    // The event reports, through the listener's own thread.
    std::atomic<int> posted{0};
    {
        DeviceEventListener listener(
            backend, clock, [&](unsigned, std::uintptr_t, std::intptr_t) { ++posted; }, MSG_DEVICE_EVENT);
        listener.StartListener();
        while (listener.IsListening() && backend.OpenedEvents() != nullptr &&
               !backend.OpenedEvents()->Drained()) {
            std::this_thread::yield();
        }
        listener.StopListener();
    }

    // Every download and a music frame, against the scripted answers.
    HidDeviceManager manager(backend, clock);
    manager.AddDeviceFilter(0x1209, 0x0001, "", 2);
    if (!manager.OpenDevices()) {
        std::abort();
    }
    manager.SetOpenFlag(true);
    const std::map<int, int> codeToIndex;
    const std::map<int, int> indexToCode;
    Selection selection;
    selection.profile = db.GetActiveProfile();
    selection.lightMode = 4;
    StoreKeys(db, selection.profile.load());
    std::atomic<int> deviceIndex{0};
    Host host;
    Music music;
    DeviceWorker worker(SyncContext{db, manager, clock, codeToIndex, indexToCode, selection, deviceIndex},
                        host, &music);
    for (int task : {SyncInitialLoad, SyncKeys, SyncMacros, SyncSettings, SyncKeyColours, SyncFactoryReset}) {
        worker.Queue(task);
        worker.RunStep();
    }
    worker.SetStreamingWanted(true);
    worker.RunStep();
    return 0;
}
