// Bulk writes and reads of the profile database on a real file in a
// temporary folder (the system's temporary folder: set TMPDIR to measure
// another disk). Every commit is synced to disk, as in the program.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "db/profile_database.h"

namespace vantora {
namespace {

constexpr int kKeys = 104;

// A profile database in a fresh temporary data folder, removed afterwards.
class BenchDatabase {
public:
    BenchDatabase() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vantora-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            folder_ = pattern + "/";
            std::filesystem::create_directories(folder_ + "db");
        }
        db.OpenProfileDatabase(folder_, "kb_data");
    }
    ~BenchDatabase() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    ProfileDatabase db;

private:
    std::string folder_;
};

// Replacing the per-key colours of a mode: delete the old set, add 104 rows
// in one transaction.
void BM_SaveKeyColours(benchmark::State& state) {
    BenchDatabase bench;
    std::vector<KeyColour> colours;
    for (int k = 0; k < kKeys; ++k) {
        colours.push_back(KeyColour{0, 1, 0, 4 + k, 0x00FF8000 + k});
    }
    for (auto _ : state) {
        bench.db.DeleteKeyColours(0);
        bench.db.AddKeyColours(colours);
    }
    state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(BM_SaveKeyColours)->Unit(benchmark::kMillisecond);

// Saving a macro of 1000 steps: delete its steps, add 1000 in one transaction.
void BM_SaveMacroSteps1000(benchmark::State& state) {
    BenchDatabase bench;
    const int macro = bench.db.AddMacro("bench");
    std::vector<MacroStep> steps;
    for (int i = 0; i < 1000; ++i) {
        steps.push_back(MacroStep{0, macro, 2 + i % 2, i, 65 + i % 26, 10, "Key A"});
    }
    for (auto _ : state) {
        bench.db.DeleteMacroSteps(macro);
        bench.db.AddMacroSteps(steps);
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_SaveMacroSteps1000)->Unit(benchmark::kMillisecond);

// Reading every assignment of a profile (both layers fully assigned) among
// three profiles.
void BM_ListProfileAssignments(benchmark::State& state) {
    BenchDatabase bench;
    for (int profile = 1; profile <= 3; ++profile) {
        for (int layer = 0; layer < 2; ++layer) {
            for (int k = 0; k < kKeys; ++k) {
                KeyAssignment key;
                key.profile = profile;
                key.fn_layer = layer;
                key.key_code = 4 + k;
                key.macro_type = 2;
                key.macro_value = 4 + (k + 1) % kKeys;
                key.macro_desc = "Key";
                bench.db.SaveKeyAssignment(key);
            }
        }
    }
    std::vector<KeyAssignment> list;
    for (auto _ : state) {
        benchmark::DoNotOptimize(bench.db.ListAllKeyAssignments(2, list));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(list.size()));
}
BENCHMARK(BM_ListProfileAssignments)->Unit(benchmark::kMicrosecond);

// What the UI thread waits for when the user changes a light mode's
// parameter: one update, committed and synced to disk (the settings
// download then runs on the worker).
void BM_UpdateLightMode(benchmark::State& state) {
    BenchDatabase bench;
    LightMode mode;
    mode.profile = 1;
    mode.mode = 6;
    bench.db.AddLightMode(mode);
    int brightness = 0;
    for (auto _ : state) {
        mode.brightness = brightness++ % 101;
        benchmark::DoNotOptimize(bench.db.UpdateLightMode(6, mode));
    }
}
BENCHMARK(BM_UpdateLightMode)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// What the UI thread waits for when the user paints the per-key colours:
// the whole set of ~100 keys replaced in one transaction.
void BM_ReplaceKeyColours(benchmark::State& state) {
    BenchDatabase bench;
    std::vector<KeyColour> colours;
    for (int k = 0; k < kKeys; ++k) {
        colours.push_back(KeyColour{0, 1, 0, 4 + k, 0x00FF8000 + k});
    }
    for (auto _ : state) {
        colours.front().key_rgb ^= 1;
        benchmark::DoNotOptimize(bench.db.ReplaceKeyColours(0, colours));
    }
    state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(BM_ReplaceKeyColours)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace
}  // namespace vantora
