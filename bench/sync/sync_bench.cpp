// The downloads against the in-process simulated keyboard with no answer
// latency, on the real clock. Each benchmark reports `floor_ms`, the sum of
// the waits the protocol itself asks for (every SleepMs, including the read
// time-outs the simulated transport spends on the clock), and `ratio`, the
// measured time over that floor.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <string>

#include "db/profile_database.h"
#include "device/hid_device_manager.h"
#include "keys/function_catalogue.h"
#include "keys/key_assignment_editor.h"
#include "sim/in_process_backend.h"
#include "sync/device_downloads.h"

namespace vantora {
namespace {

// The real clock, summing every wait asked of it.
class CountingClock : public Clock {
public:
    void SleepMs(int ms) override {
        if (ms > 0) {
            asked_ += static_cast<std::uint64_t>(ms);
        }
        SystemClock::Instance().SleepMs(ms);
    }
    std::uint64_t NowMs() override { return SystemClock::Instance().NowMs(); }
    std::uint64_t AskedMs() const { return asked_.load(); }

private:
    std::atomic<std::uint64_t> asked_{0};
};

class Bench {
public:
    Bench() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vantora-sync-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            folder_ = pattern + "/";
            std::filesystem::create_directories(folder_ + "db");
        }
        db.OpenProfileDatabase(folder_, "kb_data");
        std::vector<ProfileItem> profiles;
        db.ListProfilesCreatingDefaults(profiles, "Profile");
        selection.profile = db.GetActiveProfile();
        manager.AddDeviceFilter(0x1209, 0x0001, "", 2);
        manager.OpenDevices();
        manager.SetOpenFlag(true);
        deviceIndex = 0;
    }
    ~Bench() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    template <typename Download>
    void Run(benchmark::State& state, Download download) {
        const std::uint64_t askedBefore = clock.AskedMs();
        const auto start = std::chrono::steady_clock::now();
        for (auto _ : state) {
            download();
        }
        const double elapsed =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        const double floor = static_cast<double>(clock.AskedMs() - askedBefore);
        state.counters["floor_ms"] = floor / static_cast<double>(state.iterations());
        state.counters["ratio"] = floor > 0 ? elapsed / floor : 0.0;
    }

    ProfileDatabase db;
    CountingClock clock;
    sim::InProcessHidBackend backend{clock};
    std::shared_ptr<sim::InProcessKeyboard> keyboard = backend.AddKeyboard();
    HidDeviceManager manager{backend, clock};
    std::map<int, int> noLayout;
    Selection selection;
    std::atomic<int> deviceIndex{-1};
    DeviceDownloads downloads{SyncContext{db, manager, clock, noLayout, noLayout, selection, deviceIndex}};

private:
    std::string folder_;
};

void BM_KeyDownload(benchmark::State& state) {
    Bench bench;
    for (int code = 4; code < 30; ++code) {
        KeyAssignment row;
        row.profile = bench.selection.profile.load();
        row.key_code = code;
        row.macro_type = 2;
        row.macro_value = code + 1;
        bench.db.SaveKeyAssignment(row);
    }
    bench.downloads.DownloadKeys();  // caches the default table
    bench.Run(state, [&] { bench.downloads.DownloadKeys(); });
}
BENCHMARK(BM_KeyDownload)->Unit(benchmark::kMillisecond)->Iterations(5);

// The KEY page's Save: a web site function stored by the key assignment
// editor (a host-side row and the key's row), then the key download it
// queues. `save_ms` is the store alone (what the click spends before it
// returns to the event loop); `ratio` is save and download over the
// download's protocol floor.
void BM_KeySaveThenDownload(benchmark::State& state) {
    Bench bench;
    bench.downloads.DownloadKeys();  // caches the default table
    KeyAssignmentEditor editor(bench.db, bench.selection);
    KeyFunction function;
    function.type = kFunctionWebsite;
    double saveMs = 0;
    int key = 4;
    bench.Run(state, [&] {
        bench.selection.selectedKey = key;
        key = key == 30 ? 4 : key + 1;
        function.text = "example.org/" + std::to_string(key);
        const auto start = std::chrono::steady_clock::now();
        editor.Save(function);
        saveMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        bench.downloads.DownloadKeys();
    });
    state.counters["save_ms"] = saveMs / static_cast<double>(state.iterations());
}
BENCHMARK(BM_KeySaveThenDownload)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_MacroDownloadFullMemory(benchmark::State& state) {
    Bench bench;
    for (int macro = 0; macro < 8; ++macro) {
        const int id = bench.db.AddMacro("m");
        std::vector<MacroStep> steps;
        for (int i = 0; i < 110; ++i) {
            MacroStep step;
            step.macro_id = id;
            step.type = i % 2 == 0 ? 2 : 3;
            step.value = 0x41 + macro;
            step.record_index = i;
            step.delay_time = 10;
            steps.push_back(step);
        }
        bench.db.AddMacroSteps(steps);
    }
    bench.Run(state, [&] { bench.downloads.DownloadMacros(); });
}
BENCHMARK(BM_MacroDownloadFullMemory)->Unit(benchmark::kMillisecond)->Iterations(3);

// A full macro memory as the MACRO page leaves it: every directory entry
// used (32 macros) and the records filling the 880 record slots in key
// press/release pairs (24 macros of 28 records, 8 of 26), with a stored
// total inside the 1000-record space.
void BM_MacroDownload(benchmark::State& state) {
    Bench bench;
    int stored = 0;
    for (int macro = 0; macro < kMacroDirectorySlots; ++macro) {
        const int id = bench.db.AddMacro("macro " + std::to_string(macro));
        const int records = macro < 24 ? 28 : 26;
        std::vector<MacroStep> steps;
        for (int i = 0; i < records; ++i) {
            MacroStep step;
            step.macro_id = id;
            step.type = i % 2 == 0 ? 2 : 3;
            step.value = 0x41 + (i / 2 + macro) % 26;
            step.record_index = i;
            step.delay_time = i % 2 == 0 ? 40 : 120;
            steps.push_back(step);
        }
        stored += records;
        bench.db.AddMacroSteps(steps);
    }
    if (stored != kMacroRecordCapacity || bench.db.CountAllMacroSteps() != stored) {
        state.SkipWithError("the macro memory is not full");
        return;
    }
    bench.Run(state, [&] {
        const MacroDownloadResult result = bench.downloads.DownloadMacros();
        if (!result.leftOut.empty() || result.blocksRefused != 0) {
            state.SkipWithError("the download left out macros or was refused");
        }
    });
}
BENCHMARK(BM_MacroDownload)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SettingsDownload(benchmark::State& state) {
    Bench bench;
    LightMode mode;
    mode.profile = 1;
    mode.mode = 1;
    mode.brightness = 80;
    bench.db.AddLightMode(mode);
    bench.selection.lightMode = 1;
    bench.Run(state, [&] { bench.downloads.DownloadSettings(); });
}
BENCHMARK(BM_SettingsDownload)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_KeyColourDownload(benchmark::State& state) {
    Bench bench;
    std::vector<KeyColour> colours;
    for (int code = 4; code < 100; ++code) {
        colours.push_back({0, 1, 0, code, 0x00102030 + code});
    }
    bench.db.AddKeyColours(colours);
    bench.Run(state, [&] { bench.downloads.DownloadKeyColours(); });
}
BENCHMARK(BM_KeyColourDownload)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
}  // namespace vantora
