// The recorder's cost per key event, on the real steady clock.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>

#include "macros/macro_recorder.h"

namespace vantora {
namespace {

std::int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// One key event per iteration, presses and releases of A in turn. When the
// free space is used up, recording starts again outside the timing.
void BM_RecordEvent(benchmark::State& state) {
    MacroRecorder recorder(SteadyMs);
    recorder.Begin(0);
    bool isUp = false;
    for (auto _ : state) {
        const MacroRecorder::Event event = recorder.Record(65, "A", isUp);
        isUp = !isUp;
        if (event == MacroRecorder::Event::kFull) {
            state.PauseTiming();
            benchmark::DoNotOptimize(recorder.Stop());
            recorder.Begin(0);
            state.ResumeTiming();
        } else if (event != MacroRecorder::Event::kRecorded) {
            state.SkipWithError("the recorder ignored a key event");
            break;
        }
    }
}
BENCHMARK(BM_RecordEvent);

}  // namespace
}  // namespace vantora
