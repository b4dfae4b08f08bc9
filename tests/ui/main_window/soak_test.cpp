// 500 unplug/plug cycles of a keyboard living in the test's own process,
// with the window open and jobs queued from another thread all along. Made
// for the sanitizer runs as much as for the plain one: no crash, no hang (a
// watchdog aborts with the cycle it stalled in), no growth of resident
// memory or of open descriptors after the warm-up, and after every cycle the
// pages show the connection as it is. Prints cycles per second and the peak
// resident memory.
#include "main_window_fixture.h"

#include <dirent.h>
#include <unistd.h>

#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <optional>
#include <thread>

#include "sim/in_process_backend.h"
#include "support/fake_clock.h"
#include "support/manual_hotplug.h"

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's own call (its header is not installed everywhere).
extern "C" void __sanitizer_purge_allocator();
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
// A small quarantine (freed memory held back to catch late uses): the
// default 256 MiB would make resident memory grow through the whole soak.
extern "C" __attribute__((used)) const char* __asan_default_options() {
    return "quarantine_size_mb=16";
}
#else
#include <malloc.h>
#endif

namespace vantora::test {
namespace {

using namespace std::chrono_literals;

constexpr int kCycles = 500;
constexpr int kWarmUpCycles = 50;
constexpr auto kStallLimit = 60s;  // one cycle never takes this long
// Bytes, after the warm-up. Under AddressSanitizer resident memory also
// holds the quarantine and the shadow of memory in it.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kResidentGrowthLimit = 40L << 20;
#else
constexpr long kResidentGrowthLimit = 8L << 20;
#endif
constexpr long kHeapGrowthLimit = 1L << 20;
constexpr int kDescriptorGrowthLimit = 4;

// Resident memory in bytes, with freed memory given back first so that only
// what is still held counts (under AddressSanitizer its quarantine too).
long ResidentBytes(bool giveBackFreed) {
    if (giveBackFreed) {
#if defined(__SANITIZE_ADDRESS__)
        __sanitizer_purge_allocator();
#else
        ::malloc_trim(0);
#endif
    }
    long size = 0;
    long resident = 0;
    std::ifstream("/proc/self/statm") >> size >> resident;
    return resident * ::sysconf(_SC_PAGESIZE);
}

// What the program holds on the heap, without the allocator's own keep.
long HeapBytes() {
#if defined(__SANITIZE_ADDRESS__)
    return static_cast<long>(__sanitizer_get_current_allocated_bytes());
#else
    return static_cast<long>(::mallinfo2().uordblks);
#endif
}

int OpenDescriptors() {
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (::readdir(dir) != nullptr) {
            ++count;
        }
        ::closedir(dir);
    }
    return count - 3;  // ".", ".." and the listing's own
}

// Aborts the process, naming the cycle and step, when no step is reported
// for kStallLimit: a deadlock would otherwise hang the test until the
// runner's own time-out, without a word on where.
class Watchdog {
public:
    Watchdog()
        : thread_([this] {
              std::unique_lock lock(mutex_);
              while (!stop_) {
                  if (!changed_.wait_for(lock, kStallLimit, [this] { return stop_ || beat_; })) {
                      std::fprintf(stderr, "soak: no progress for %lld s in cycle %d (%s): deadlock\n",
                                   static_cast<long long>(kStallLimit.count()), cycle_, step_);
                      std::abort();
                  }
                  beat_ = false;
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    void Beat(int cycle, const char* step) {
        {
            std::lock_guard lock(mutex_);
            cycle_ = cycle;
            step_ = step;
            beat_ = true;
        }
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stop_ = false;
    bool beat_ = false;
    int cycle_ = 0;
    const char* step_ = "start";
    std::thread thread_;
};

class SoakTest : public MainWindowTest {
protected:
    void TearDown() override {
        queueing = {};  // before the window they use
        source = {};
        MainWindowTest::TearDown();
    }

    void OpenOnInProcessKeyboard() {
        MainWindowOptions options = Options();
        options.backend = backend;
        options.clock = &clock;
        options.hotplugSources = [this] {
            std::vector<std::unique_ptr<HotplugSource>> sources;
            auto source = std::make_unique<ManualHotplug>();
            hotplug = source.get();
            sources.push_back(std::move(source));
            return sources;
        };
        window = std::make_unique<DeviceMainDlg>(std::move(options));
        ASSERT_TRUE(window->CreateMainWindow());
        window->show();
        ASSERT_TRUE(Until([this] { return window->Worker()->InitialLoadDone(); }));
    }

    // Runs the UI thread's events until `condition` holds; false after 10 s.
    template <class Condition>
    bool Until(Condition condition) {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            std::this_thread::sleep_for(200us);
        }
        return true;
    }

    // The hot-plug event on the source's own thread, as the system's monitor
    // reports it, while the UI thread keeps running.
    void Fire(DeviceChange::Kind kind) {
        int target = 0;
        {
            std::lock_guard lock(sourceMutex);
            pending = kind;
            target = fired.load() + 1;
        }
        sourceWake.notify_all();
        Until([&] { return fired.load() >= target; });
    }
    void StartSource() {
        source = std::jthread([this](std::stop_token stop) {
            DeviceChange change;
            change.path = sim::InProcessHidBackend::CommandPath(0);
            change.vendorId = 0x1209;
            change.productId = 0x0001;
            change.interfaceNumber = 2;
            while (true) {
                {
                    std::unique_lock lock(sourceMutex);
                    if (!sourceWake.wait(lock, stop, [this] { return pending.has_value(); })) {
                        return;
                    }
                    change.kind = *pending;
                    pending.reset();
                }
                hotplug->Fire(change);
                ++fired;
            }
        });
    }

    // Another thread keeps two jobs queued until stopped.
    void StartQueueing() {
        queueing = std::jthread([this](std::stop_token stop) {
            const int tasks[] = {SyncSettings, SyncKeys, SyncKeyColours, SyncSettings};
            int next = 0;
            while (!stop.stop_requested()) {
                if (inFlight.load() >= 2) {
                    std::this_thread::sleep_for(1ms);
                    continue;
                }
                ++inFlight;
                ++queued;
                window->Session().Queue(tasks[next++ % 4], [this](JobOutcome) { --inFlight; });
                std::this_thread::sleep_for(1ms);  // dropped at once while unplugged
            }
        });
    }

    YieldingClock clock;
    std::shared_ptr<sim::InProcessHidBackend> backend = std::make_shared<sim::InProcessHidBackend>(clock);
    std::shared_ptr<sim::InProcessKeyboard> device = backend->AddKeyboard();
    ManualHotplug* hotplug = nullptr;
    std::atomic<int> inFlight{0};
    std::atomic<int> queued{0};
    std::jthread queueing;  // stopped and joined before the window closes
    std::mutex sourceMutex;
    std::condition_variable_any sourceWake;
    std::optional<DeviceChange::Kind> pending;
    std::atomic<int> fired{0};
    std::jthread source;  // the hot-plug source's thread, likewise
};

TEST_F(SoakTest, FiveHundredUnplugPlugCyclesWithJobsQueuedFromAnotherThread) {
    OpenOnInProcessKeyboard();
    Watchdog watchdog;
    StartSource();
    StartQueueing();

    long baseResident = 0;
    long baseHeap = 0;
    long peakResident = ResidentBytes(false);
    int baseDescriptors = 0;
    auto start = std::chrono::steady_clock::now();
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        if (cycle == kWarmUpCycles) {
            baseResident = ResidentBytes(true);
            baseHeap = HeapBytes();
            baseDescriptors = OpenDescriptors();
            start = std::chrono::steady_clock::now();
        }
        watchdog.Beat(cycle, "unplug");
        device->Unplug();
        Fire(DeviceChange::Kind::Removal);
        ASSERT_TRUE(Until([this] { return !window->IsConnected() && window->CurrentPageId() == kTabHome; }))
            << "cycle " << cycle;
        ASSERT_TRUE(Control(kPageHome)->IsShownInTree()) << "cycle " << cycle;
        ASSERT_FALSE(Control(kPageSetting)->IsShownInTree()) << "cycle " << cycle;

        watchdog.Beat(cycle, "plug");
        device->ClearReceived();
        device->Plug();
        Fire(DeviceChange::Kind::Arrival);
        ASSERT_TRUE(Until([this] { return window->IsConnected(); })) << "cycle " << cycle;
        Click(VisibleTab(kTabSetting));
        ASSERT_EQ(window->CurrentPageId(), kTabSetting) << "cycle " << cycle;
        ASSERT_TRUE(Control(kPageSetting)->IsShownInTree()) << "cycle " << cycle;
        peakResident = std::max(peakResident, ResidentBytes(false));
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    queueing.request_stop();
    queueing.join();

    // The worker still works: a job queued now reaches the keyboard.
    watchdog.Beat(kCycles, "last job");
    std::atomic<int> last{-1};
    window->Session().Queue(SyncSettings, [&last](JobOutcome outcome) { last = static_cast<int>(outcome); });
    ASSERT_TRUE(Until([&last] { return last.load() != -1; }));
    EXPECT_EQ(last.load(), static_cast<int>(JobOutcome::kDone));

    const long grownBytes = ResidentBytes(true) - baseResident;
    const long grownHeap = HeapBytes() - baseHeap;
    const int grownDescriptors = OpenDescriptors() - baseDescriptors;
    const double perSecond = (kCycles - kWarmUpCycles) / elapsed.count();
    std::printf(
        "soak: %.1f cycles/s, peak resident %ld KiB; after the warm-up resident memory grew by %ld KiB, the "
        "heap "
        "by %ld KiB, descriptors by %d; %d jobs queued\n",
        perSecond, peakResident >> 10, grownBytes >> 10, grownHeap >> 10, grownDescriptors, queued.load());
    RecordProperty("cycles_per_second", static_cast<int>(perSecond));
    RecordProperty("peak_resident_kib", static_cast<int>(peakResident >> 10));
    EXPECT_LT(grownBytes, kResidentGrowthLimit);
    EXPECT_LT(grownHeap, kHeapGrowthLimit);
    EXPECT_LE(grownDescriptors, kDescriptorGrowthLimit);
}

}  // namespace
}  // namespace vantora::test
