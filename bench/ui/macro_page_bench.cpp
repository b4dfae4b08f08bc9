// The MACRO page's own work when it is opened and when a macro is chosen,
// with 32 macros holding 1000 records together (the editor's whole space),
// painted offscreen. Target: under 50 ms each.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <QApplication>
#include <QPixmap>
#include <filesystem>

#include "macros/macro_space.h"
#include "support/fake_page_host.h"
#include "ui/pages/control_ids.h"
#include "ui/pages/macro_page.h"

namespace vantora {
namespace {

using BenchHost = test::FakePageHost;

constexpr int kMacros = 32;

// A page over a database of 32 macros: the first holds what the other 31
// (one key press and release each) leave of the 1000 records.
struct Scene {
    Scene() {
        folder = std::filesystem::temp_directory_path() / ("vantora-ui-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder / "db");
        host.db.OpenProfileDatabase(folder.string() + "/", "kb");
        for (int m = 0; m < kMacros; ++m) {
            const int id = host.db.AddMacro("Macro " + std::to_string(m + 1));
            const int count = m == 0 ? kMacroRecordSpace - 2 * (kMacros - 1) : 2;
            std::vector<MacroStep> steps(static_cast<std::size_t>(count));
            for (int i = 0; i < count; ++i) {
                steps[i] = {.macro_id = id,
                            .type = 2 + i % 2,
                            .record_index = i,
                            .value = 65,
                            .delay_time = 30,
                            .desc = "A"};
            }
            host.db.AddMacroSteps(steps);
        }
        host.dialog.Create(nullptr, "bench", CRect(0, 0, 1200, 720));
        host.dialog.Make<MTabLayout>(kPageMacro, CRect(0, 0, 1200, 720));
        page.Create(host.dialog.GetClientRect());
        host.dialog.show();
    }
    ~Scene() {
        host.dialog.hide();
        std::filesystem::remove_all(folder);
    }
    MacroListData Load() {
        MacroListData data;
        host.db.ListMacros(data.macros);
        host.db.ListMacroSteps(data.macros.front().macro_id, data.firstMacroSteps);
        return data;
    }

    std::filesystem::path folder;
    BenchHost host;
    MacroPage page{host};
};

Scene& TheScene() {
    static Scene scene;
    return scene;
}

// The MACRO tab shown: link counts counted, the memory plan made, painted.
void BM_MacroPageOpen(benchmark::State& state) {
    Scene& scene = TheScene();
    scene.page.ShowMacros(scene.Load());
    for (auto _ : state) {
        scene.page.RecountLinks();
        benchmark::DoNotOptimize(scene.host.dialog.grab());
    }
}
BENCHMARK(BM_MacroPageOpen)->Unit(benchmark::kMillisecond);

// The macro list loaded (the first macro's 938 records shown) and painted.
void BM_MacroListLoad(benchmark::State& state) {
    Scene& scene = TheScene();
    for (auto _ : state) {
        scene.page.ShowMacros(scene.Load());
        benchmark::DoNotOptimize(scene.host.dialog.grab());
    }
}
BENCHMARK(BM_MacroListLoad)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vantora

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
