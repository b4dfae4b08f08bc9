// Every fault the keyboard can show against every download, on the worker's
// own thread, against the simulated keyboard in virtual time: the worker
// survives, takes the next job, leaves the database alone (but for the
// read-back's own removals) and, once the fault is gone, the next download
// leaves the keyboard exactly as a run without the fault does.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <map>
#include <set>
#include <sstream>
#include <thread>
#include <tuple>

#include "db/profile_database.h"
#include "device/hid_device_manager.h"
#include "sim/in_process_backend.h"
#include "support/fake_clock.h"
#include "support/temp_dir.h"
#include "sync/device_worker.h"
#include "sync/music_sampling.h"
#include "unit/sync/fake_host.h"

namespace vantora {
namespace {

using Garbage = sim::FirmwareFaults::Garbage;

// The worker's pause between passes, a wait the protocol never makes: only
// it lets a real millisecond pass, so an idle worker does not spin while
// every protocol wait stays virtual.
constexpr int kPassMs = 29;

class PassClock : public test::FakeClock {
public:
    void SleepMs(int ms) override {
        FakeClock::SleepMs(ms);
        if (ms == kPassMs) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
};

class StillImage : public MusicImageSource {
public:
    bool LatestImage(MusicImage& out) override {
        out = image;
        return true;
    }
    MusicImage image{};
};

enum class Download { kInitialLoad, kKeys, kMacros, kSettings, kKeyColours, kFactoryReset, kMusic };

struct Fault {
    const char* name;
    sim::FirmwareFaults faults;
    bool vanish = false;  // vanishes on the third report of the download
};

const std::vector<Fault> kFaults = {
    {"refuse", {.refuseAll = true}},
    {"late answer", {.answerDelayMs = 80}},
    {"never answer", {.neverAnswer = true}},
    {"vanish", {}, true},
    {"wrong marker", {.garbage = Garbage::kWrongMarker}},
    {"wrong header echo", {.garbage = Garbage::kWrongEcho}},
    {"short answer", {.garbage = Garbage::kShort}},
};

const std::vector<std::pair<Download, const char*>> kDownloads = {
    {Download::kInitialLoad, "initial load"},
    {Download::kKeys, "keys"},
    {Download::kMacros, "macros"},
    {Download::kSettings, "settings"},
    {Download::kKeyColours, "key colours"},
    {Download::kFactoryReset, "factory reset"},
    {Download::kMusic, "music stream"},
};

using KeyRow = std::tuple<int, int, int, int, int>;  // layer, code, type, value, value2

struct Tables {
    std::array<std::uint8_t, protocol::kSettingsSize> settings;
    std::array<std::uint8_t, protocol::kKeyTableSize> keys;
    std::array<std::uint8_t, protocol::kKeyColoursSize> colours;
    std::array<std::uint8_t, protocol::kMacroMemorySize> macros;
    std::array<std::uint8_t, protocol::kMusicFrameSize> music;
    bool operator==(const Tables&) const = default;
};

// A keyboard, a database and a running worker, set up alike for every cell.
class Rig {
public:
    Rig() {
        std::filesystem::create_directories(dir.path() + "db");
        EXPECT_TRUE(db.OpenProfileDatabase(dir.path(), "kb"));
        std::vector<ProfileItem> profiles;
        db.ListProfilesCreatingDefaults(profiles, "Profile");
        selection.profile = db.GetActiveProfile();
        manager.AddDeviceFilter(0x1209, 0x0001, "", 2);
        host.onReconnect = [this] { Connect(); };
        Connect();

        Assign(0, 4, 2, 5);  // A -> B
        Assign(1, 88, 1, 1);
        const int macro = AddMacro(4);
        AddMacro(6);
        Assign(0, 41, 3, macro);
        LightMode mode;
        mode.profile = 1;
        mode.mode = 4;
        mode.brightness = 70;
        mode.speed = 3;
        mode.colorful = 1;
        mode.color_value = 0x102030;
        db.AddLightMode(mode);
        selection.lightMode = 4;
        db.SetConfig("disable_win", "1");
        db.AddKeyColours({{0, 1, 0, 4, 0x00A0B0C0}, {0, 1, 0, 255, 0x00010203}});
        music.image[7 * kMusicImageWidth + 11] = 0x0000FF;

        EXPECT_TRUE(worker.Start(kPassMs, true));
        // The keyboard holds the stored keys; B is then assigned as itself,
        // which the keyboard reports at its default: the read-back's to remove.
        Run(SyncKeys);
        Run(SyncInitialLoad);
        Assign(0, 5, 2, 5);
    }
    ~Rig() { worker.Stop(); }

    void Connect() {
        manager.CloseDevices();
        deviceIndex = manager.OpenDevices() ? 0 : -1;
        manager.SetOpenFlag(deviceIndex.load() == 0);
    }
    void Assign(int layer, int code, int type, int value) {
        KeyAssignment row;
        row.profile = selection.profile.load();
        row.fn_layer = layer;
        row.key_code = code;
        row.macro_type = type;
        row.macro_value = value;
        db.SaveKeyAssignment(row);
    }
    int AddMacro(int records) {
        const int id = db.AddMacro("m");
        std::vector<MacroStep> steps;
        for (int i = 0; i < records; ++i) {
            steps.push_back({.macro_id = id,
                             .type = i % 2 == 0 ? 2 : 3,
                             .record_index = i,
                             .value = 0x41,
                             .delay_time = 10,
                             .desc = {}});
        }
        db.AddMacroSteps(steps);
        return id;
    }

    // Queues a job and waits (in real time, bounded) until the worker has
    // run it; nullopt when it did not come back.
    std::optional<JobOutcome> Run(int task) {
        auto done = std::make_shared<std::promise<JobOutcome>>();
        auto outcome = done->get_future();
        worker.Queue(task, [done](JobOutcome o) { done->set_value(o); });
        if (outcome.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
            return std::nullopt;
        }
        return outcome.get();
    }
    // Music frames while the worker is idle, until the keyboard has taken
    // `writes` more reports; then the stream stops between two frames.
    bool Stream(int writes) {
        const int start = keyboard->WriteCount();
        worker.SetStreamingWanted(true);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (keyboard->WriteCount() < start + writes && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        worker.SetStreamingWanted(false);
        return Run(SyncMusicLayer).has_value() && keyboard->WriteCount() >= start + writes;
    }
    bool Download(Download download) {
        switch (download) {
            case Download::kInitialLoad:
                worker.RequestInitialLoad();
                return Run(SyncInitialLoad).has_value();
            case Download::kKeys:
                return Run(SyncKeys).has_value();
            case Download::kMacros:
                return Run(SyncMacros).has_value();
            case Download::kSettings:
                return Run(SyncSettings).has_value();
            case Download::kKeyColours:
                return Run(SyncKeyColours).has_value();
            case Download::kFactoryReset:
                worker.RequestInitialLoad();
                return Run(SyncFactoryReset).has_value();
            case Download::kMusic:
                return Stream(30);  // a few frames, or attempts at them
        }
        return false;
    }

    std::set<KeyRow> KeyRows() {
        std::vector<KeyAssignment> rows;
        db.ListAllKeyAssignments(selection.profile.load(), rows);
        std::set<KeyRow> set;
        for (const auto& r : rows) {
            set.insert({r.fn_layer, r.key_code, r.macro_type, r.macro_value, r.macro_value2});
        }
        return set;
    }
    // Everything stored but the key rows, as text.
    std::string OtherRows() {
        std::ostringstream out;
        std::vector<Macro> macros;
        std::vector<MacroStep> steps;
        std::vector<LightMode> modes;
        std::vector<KeyColour> colours;
        db.ListMacros(macros);
        db.ListAllMacroSteps(steps);
        db.ListLightModes(modes);
        db.ListKeyColours(0, colours);
        for (const auto& m : macros) {
            out << "macro " << m.macro_id << ' ' << m.name << '\n';
        }
        for (const auto& s : steps) {
            out << "step " << s.macro_id << ' ' << s.type << ' ' << s.value << '\n';
        }
        for (const auto& m : modes) {
            out << "mode " << m.mode << ' ' << m.brightness << ' ' << m.color_value << '\n';
        }
        for (const auto& c : colours) {
            out << "colour " << c.key_code << ' ' << c.key_rgb << '\n';
        }
        std::string win;
        db.GetConfig("disable_win", win);
        out << "win " << win << '\n';
        return out.str();
    }
    Tables KeyboardTables() {
        return keyboard->WithFirmware([](sim::KeyboardFirmware& f) {
            return Tables{f.Settings(), f.KeyTable(), f.KeyColours(), f.MacroMemory(), f.MusicFrame()};
        });
    }

    test::TempDir dir;
    ProfileDatabase db;
    PassClock clock;
    sim::InProcessHidBackend backend{clock};
    std::shared_ptr<sim::InProcessKeyboard> keyboard = backend.AddKeyboard();
    HidDeviceManager manager{backend, clock};
    std::map<int, int> codeToIndex;
    std::map<int, int> indexToCode;
    Selection selection;
    std::atomic<int> deviceIndex{-1};
    test::FakeHost host;
    StillImage music;
    DeviceWorker worker{SyncContext{db, manager, clock, codeToIndex, indexToCode, selection, deviceIndex},
                        host, &music};
};

// What a run without faults leaves: after the download, and after the
// download once more followed by a key download.
struct Reference {
    std::set<KeyRow> rowsAfterFirst;
    std::set<KeyRow> rowsAtEnd;
    Tables tablesAtEnd;
};

TEST(FaultMatrixTest, EveryFaultAgainstEveryDownload) {
    const auto start = std::chrono::steady_clock::now();
    for (const auto& [download, downloadName] : kDownloads) {
        Reference reference;
        {
            Rig rig;
            ASSERT_TRUE(rig.Download(download)) << downloadName;
            reference.rowsAfterFirst = rig.KeyRows();
            ASSERT_TRUE(rig.Download(download));
            ASSERT_TRUE(rig.Run(SyncKeys));
            reference.rowsAtEnd = rig.KeyRows();
            reference.tablesAtEnd = rig.KeyboardTables();
        }
        for (const auto& fault : kFaults) {
            SCOPED_TRACE(std::string(fault.name) + " during " + downloadName);
            Rig rig;
            const auto rowsBefore = rig.KeyRows();
            const auto otherBefore = rig.OtherRows();
            sim::FirmwareFaults faults = fault.faults;
            if (fault.vanish) {
                faults.vanishAfterReports =
                    rig.keyboard->WithFirmware([](auto& f) { return f.ReportsReceived(); }) + 2;
            }
            rig.keyboard->SetFaults(faults);

            ASSERT_TRUE(rig.Download(download)) << "the worker did not finish the job";
            const auto rowsAfter = rig.KeyRows();
            if (download == Download::kInitialLoad || download == Download::kFactoryReset) {
                // Only rows the read-back removes may go, and nothing is added.
                EXPECT_TRUE(
                    std::includes(rowsBefore.begin(), rowsBefore.end(), rowsAfter.begin(), rowsAfter.end()));
                EXPECT_TRUE(std::includes(rowsAfter.begin(), rowsAfter.end(),
                                          reference.rowsAfterFirst.begin(), reference.rowsAfterFirst.end()));
            } else {
                EXPECT_EQ(rowsAfter, rowsBefore);
            }
            EXPECT_EQ(rig.OtherRows(), otherBefore);
            ASSERT_TRUE(rig.Run(SyncMusicLayer)) << "the worker took no next job";

            rig.keyboard->SetFaults({});
            if (fault.vanish) {
                rig.keyboard->Plug();
                rig.Connect();
            }
            ASSERT_TRUE(rig.Download(download));
            EXPECT_EQ(rig.Run(SyncKeys), JobOutcome::kDone);
            EXPECT_EQ(rig.KeyRows(), reference.rowsAtEnd);
            EXPECT_TRUE(rig.KeyboardTables() == reference.tablesAtEnd) << "the keyboard was not repaired";
            EXPECT_FALSE(rig.keyboard->WithFirmware([](auto& f) { return f.InTransaction(); }));
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("fault matrix: %zu cells in %.2f s\n", kFaults.size() * kDownloads.size(), seconds);
}

}  // namespace
}  // namespace vantora
