// The worker's jobs against the simulated keyboard (its firmware model in
// this process), through the real HidDeviceManager and virtual time.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

#include "db/profile_database.h"
#include "device/hid_device_manager.h"
#include "device/key_index.h"
#include "device/protocol.h"
#include "sim/in_process_backend.h"
#include "support/fake_clock.h"
#include "support/temp_dir.h"
#include "sync/device_worker.h"
#include "sync/key_table_builder.h"
#include "sync/macro_image.h"

namespace vantora {
namespace {

using namespace protocol;

struct Sent {
    std::uint8_t command;
    int length;
    int offset;
    bool operator==(const Sent&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Sent& s) {
    return out << "{cmd " << int{s.command} << " len " << s.length << " off " << s.offset << "}";
}

std::vector<Sent> Blocks(std::uint8_t command, int count, int lastLength) {
    std::vector<Sent> blocks;
    for (int b = 0; b < count; ++b) {
        blocks.push_back({command, b == count - 1 ? lastLength : 56, 56 * b});
    }
    return blocks;
}

std::vector<Sent> Sequence(std::initializer_list<std::vector<Sent>> parts) {
    std::vector<Sent> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

const std::vector<Sent> kBegin = {{CMD_BEGIN, 0, 0}};
const std::vector<Sent> kEnd = {{CMD_END, 0, 0}};

class Host : public SyncHost {
public:
    bool LoadProfileList() override { return Call("LoadProfileList"); }
    bool RefreshKeyTips() override { return Call("RefreshKeyTips"); }
    bool ReloadMacroList() override { return Call("ReloadMacroList"); }
    bool RefreshLightPage() override { return Call("RefreshLightPage"); }
    bool LoadSwitches() override { return Call("LoadSwitches"); }
    void LoadMusicLayer() override { calls.push_back("LoadMusicLayer"); }
    void Reconnect() override {
        calls.push_back("Reconnect");
        if (reconnect) {
            reconnect();
        }
    }
    std::vector<KeyColourSample> PaintMusicKeys(const std::vector<KeyColourSample>& samples) override {
        return samples;
    }
    std::vector<std::string> calls;
    std::function<void()> reconnect;

private:
    bool Call(const char* name) {
        calls.push_back(name);
        return true;
    }
};

class Music : public MusicImageSource {
public:
    bool LatestImage(MusicImage& out) override {
        out = image;
        return true;
    }
    MusicImage image{};
};

class WorkerKeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(dir.path() + "db");
        ASSERT_TRUE(db.OpenProfileDatabase(dir.path(), "kb"));
        std::vector<ProfileItem> profiles;
        db.ListProfilesCreatingDefaults(profiles, "Profile");
        selection.profile = db.GetActiveProfile();
        manager.AddDeviceFilter(0x1209, 0x0001, "", 2);
        host.reconnect = [this] { Connect(); };
        Connect();
    }
    void TearDown() override { worker.Stop(); }

    void Connect() {
        manager.CloseDevices();
        deviceIndex = manager.OpenDevices() ? 0 : -1;
        manager.SetOpenFlag(deviceIndex.load() == 0);
    }

    std::vector<Sent> Received() {
        std::vector<Sent> sent;
        for (const auto& report : keyboard->Received()) {
            sent.push_back(
                {report[kCommand], report[kLength], report[kOffsetLow] | (report[kOffsetHigh] << 8)});
        }
        return sent;
    }
    std::vector<Sent> ReceivedSince(std::size_t from) {
        const auto all = Received();
        return {all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end()};
    }
    template <typename Get>
    auto Firmware(Get get) {
        return keyboard->WithFirmware([&](sim::KeyboardFirmware& firmware) { return get(firmware); });
    }
    void Assign(int layer, int code, int type, int value, int value2 = 0) {
        KeyAssignment row;
        row.profile = selection.profile.load();
        row.fn_layer = layer;
        row.key_code = code;
        row.macro_type = type;
        row.macro_value = value;
        row.macro_value2 = value2;
        db.SaveKeyAssignment(row);
    }
    int AddMacro(int records, int virtualKey = 0x41) {
        const int id = db.AddMacro("m");
        std::vector<MacroStep> steps;
        for (int i = 0; i < records; ++i) {
            MacroStep step;
            step.macro_id = id;
            step.type = i % 2 == 0 ? 2 : 3;
            step.value = virtualKey;
            step.record_index = i;
            step.delay_time = 10;
            steps.push_back(step);
        }
        db.AddMacroSteps(steps);
        return id;
    }
    void Run(int task) {
        worker.Queue(task);
        worker.RunStep();
    }
    std::array<std::uint8_t, 3> Slot(int index, int layer) {
        const auto table = Firmware([](auto& f) { return f.KeyTable(); });
        const std::size_t start = 6 * static_cast<std::size_t>(index) + 3 * static_cast<std::size_t>(layer);
        return {table[start], table[start + 1], table[start + 2]};
    }

    test::TempDir dir;
    ProfileDatabase db;
    test::FakeClock clock;
    sim::InProcessHidBackend backend{clock};
    std::shared_ptr<sim::InProcessKeyboard> keyboard = backend.AddKeyboard();
    HidDeviceManager manager{backend, clock};
    std::map<int, int> codeToIndex;
    std::map<int, int> indexToCode;
    Selection selection;
    std::atomic<int> deviceIndex{-1};
    Host host;
    Music music;
    DeviceWorker worker{SyncContext{db, manager, clock, codeToIndex, indexToCode, selection, deviceIndex},
                        host, &music};
};

TEST_F(WorkerKeyboardTest, InitialLoadThenKeyDownload) {
    Assign(0, 4, 2, 5);  // A -> B: the keyboard still has A's default, so the read-back removes it
    Run(SyncInitialLoad);
    // The read-back, then the stored light settings (read, written back).
    const auto readBack =
        Sequence({kBegin, Blocks(CMD_READ_DEFAULT_KEYS, 14, 40), Blocks(CMD_READ_KEYS, 14, 40), kEnd});
    const auto received = Received();
    ASSERT_EQ(received.size(), readBack.size() + 4);
    EXPECT_TRUE(std::equal(readBack.begin(), readBack.end(), received.begin()));
    EXPECT_EQ(received[readBack.size() + 1].command, CMD_READ_SETTINGS);
    EXPECT_EQ(received[readBack.size() + 2].command, CMD_WRITE_SETTINGS);
    std::vector<KeyAssignment> rows;
    EXPECT_EQ(db.ListKeyAssignments(selection.profile.load(), 0, rows), 0);
    EXPECT_EQ(host.calls.size(), 5u);

    Assign(1, 4, 2, 4, 225);  // FN layer A + Left Shift
    Assign(0, 225, 2, 225);   // Left Shift alone
    const std::size_t before = Received().size();
    Run(SyncKeys);
    EXPECT_EQ(ReceivedSince(before), Sequence({kBegin, Blocks(CMD_WRITE_KEYS, 14, 40), kEnd}));
    EXPECT_EQ(Slot(9, 1), (std::array<std::uint8_t, 3>{0x10, 0x02, 0x04}));
    EXPECT_EQ(Slot(4, 0), (std::array<std::uint8_t, 3>{0x10, 0x00, 0x02}));
    EXPECT_FALSE(Firmware([](auto& f) { return f.InTransaction(); }));

    // The keyboard now holds a remapped FN-layer A: a new read-back keeps
    // its row; Left Shift given its own function looks the same on a reset
    // keyboard and on ours, so its row stays too.
    worker.RequestInitialLoad();
    Run(SyncInitialLoad);
    EXPECT_EQ(db.ListKeyAssignments(selection.profile.load(), 1, rows), 1);
    EXPECT_EQ(db.ListKeyAssignments(selection.profile.load(), 0, rows), 1);
}

TEST_F(WorkerKeyboardTest, NoRowsWritesTheDefaultTableAndMacroKeys) {
    AddMacro(2);
    AddMacro(2);
    const int third = AddMacro(2);
    Run(SyncKeys);  // before any read-back: reads the default table first
    EXPECT_EQ(Received(), Sequence({kBegin, Blocks(CMD_READ_DEFAULT_KEYS, 14, 40),
                                    Blocks(CMD_WRITE_KEYS, 14, 40), kEnd}));
    EXPECT_EQ(Firmware([](auto& f) { return f.KeyTable(); }), sim::KeyboardFirmware::FactoryKeyTable());
    Assign(0, 41, 3, third);
    Assign(0, 58, 3, 12345);  // no such macro
    Run(SyncKeys);
    EXPECT_EQ(Slot(0, 0), (std::array<std::uint8_t, 3>{0x70, 0x02, 0x01}));
    const auto factory = sim::KeyboardFirmware::FactoryKeyTable();
    EXPECT_EQ(Slot(12, 0), (std::array<std::uint8_t, 3>{factory[72], factory[73], factory[74]}));
}

TEST_F(WorkerKeyboardTest, MacroDownloadExampleAndFullMemory) {
    AddMacro(2);
    Run(SyncMacros);
    EXPECT_EQ(Received(), Sequence({kBegin, Blocks(CMD_WRITE_MACROS, 2, 40), kEnd}));
    auto memory = Firmware([](auto& f) { return f.MacroMemory(); });
    EXPECT_EQ(memory[0], 0x40);
    EXPECT_EQ(memory[1], 0x00);
    const std::vector<std::uint8_t> records(memory.begin() + 64, memory.begin() + 72);
    EXPECT_EQ(records, (std::vector<std::uint8_t>{0x0A, 0x00, 0x42, 0x04, 0x0A, 0x00, 0x82, 0x04}));

    // 878 more records fill the memory to its last byte; a third macro is left out.
    AddMacro(878, 0x42);
    const int leftOut = AddMacro(2);
    const std::size_t before = Received().size();
    Run(SyncMacros);
    EXPECT_EQ(ReceivedSince(before), Sequence({kBegin, Blocks(CMD_WRITE_MACROS, 64, 56), kEnd}));
    memory = Firmware([](auto& f) { return f.MacroMemory(); });
    EXPECT_EQ(memory[3584 - 2], 0x82);  // the last record, a key up that ends its macro
    EXPECT_EQ(memory[3584 - 1], 0x05);  // B
    const auto left = worker.LastMacrosLeftOut();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].macroId, leftOut);
}

TEST_F(WorkerKeyboardTest, SettingsAndSwitches) {
    LightMode mode;
    mode.profile = 1;
    mode.mode = 4;
    mode.brightness = 100;
    mode.speed = 3;
    mode.colorful = 1;
    mode.color_value = 0xEDE338;
    db.AddLightMode(mode);
    selection.lightMode = 4;
    db.SetConfig("disable_altf4", "1");
    Run(SyncSettings);
    EXPECT_EQ(
        Received(),
        (std::vector<Sent>{
            {CMD_BEGIN, 0, 0}, {CMD_READ_SETTINGS, 32, 0}, {CMD_WRITE_SETTINGS, 32, 0}, {CMD_END, 0, 0}}));
    const auto settings = Firmware([](auto& f) { return f.Settings(); });
    const std::array<std::uint8_t, 9> expected = {4, 100, 1, 0, 1, 0, 0x38, 0xE3, 0xED};
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), settings.begin() + 2));
    EXPECT_EQ(settings[17], 0x04);
    EXPECT_EQ(settings[0], sim::KeyboardFirmware::FactorySettings()[0]);

    // Changing one switch sends the light values again, unchanged.
    db.SetConfig("disable_altf4", "0");
    db.SetConfig("disable_win", "1");
    Run(SyncSettings);
    const auto again = Firmware([](auto& f) { return f.Settings(); });
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), again.begin() + 2));
    EXPECT_EQ(again[17], 0x01);
}

TEST_F(WorkerKeyboardTest, KeyColoursAndMusicFrame) {
    db.AddKeyColours({{0, 1, 0, 255, 0x00CCBBAA}, {0, 1, 0, 4, 0x00000010}});
    Run(SyncKeyColours);
    EXPECT_EQ(Received(), Sequence({kBegin, Blocks(CMD_WRITE_KEY_COLOURS, 7, 48), kEnd}));
    const auto colours = Firmware([](auto& f) { return f.KeyColours(); });
    EXPECT_EQ(colours[213], 0xAA);
    EXPECT_EQ(colours[214], 0xBB);
    EXPECT_EQ(colours[215], 0xCC);
    EXPECT_EQ(colours[27], 0x10);

    worker.SetStreamingWanted(true);
    music.image[7 * kMusicImageWidth + 11] = 0x0000FF;  // Esc
    const std::size_t before = Received().size();
    worker.RunStep();
    EXPECT_EQ(ReceivedSince(before), Sequence({kBegin, Blocks(CMD_STREAM_COLOURS, 7, 48), kEnd}));
    const auto frame = Firmware([](auto& f) { return f.MusicFrame(); });
    EXPECT_EQ(frame[0], 0xFF);
    EXPECT_EQ(frame[1], 0x00);
    // Silence: one dark frame, then nothing.
    music.image.fill(0);
    const std::size_t silent = Received().size();
    worker.RunStep();
    EXPECT_EQ(ReceivedSince(silent), Sequence({kBegin, Blocks(CMD_STREAM_COLOURS, 7, 48), kEnd}));
    EXPECT_EQ(Firmware([](auto& f) { return f.MusicFrame(); })[0], 0x00);
    const std::size_t dark = Received().size();
    worker.RunStep();
    EXPECT_EQ(Received().size(), dark);
}

TEST_F(WorkerKeyboardTest, FactoryResetJob) {
    Run(SyncInitialLoad);
    Assign(0, 4, 1, 1);
    Run(SyncKeys);
    EXPECT_EQ(Slot(9, 0), (std::array<std::uint8_t, 3>{0x10, 0x00, 0x00}));
    worker.RequestInitialLoad();  // the reset command on the UI thread
    const std::size_t before = Received().size();
    clock.ClearSleeps();
    Run(SyncFactoryReset);
    const auto sent = ReceivedSince(before);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front(), (Sent{CMD_FACTORY_RESET, 0, 0}));
    EXPECT_EQ(sent[1], (Sent{CMD_BEGIN, 0, 0}));
    EXPECT_EQ(Firmware([](auto& f) { return f.KeyTable(); }), sim::KeyboardFirmware::FactoryKeyTable());
    const auto sleeps = clock.Sleeps();
    EXPECT_NE(std::find(sleeps.begin(), sleeps.end(), 1500), sleeps.end());
    EXPECT_FALSE(worker.InitialLoadDone());
}

TEST_F(WorkerKeyboardTest, RefusingKeyboardThenRepair) {
    Run(SyncInitialLoad);
    Assign(0, 4, 2, 5);
    keyboard->SetFaults({.refuseAll = true});
    Run(SyncKeys);
    Run(SyncSettings);
    const auto factorySettings = sim::KeyboardFirmware::FactorySettings();
    EXPECT_EQ(Firmware([](auto& f) { return f.Settings(); }), factorySettings);
    keyboard->SetFaults({});
    Run(SyncKeys);
    EXPECT_EQ(Slot(9, 0), (std::array<std::uint8_t, 3>{0x10, 0x00, 0x05}));
}

TEST_F(WorkerKeyboardTest, KeyboardVanishingMidDownloadThenRepair) {
    Run(SyncInitialLoad);
    Assign(0, 4, 2, 5);
    Assign(1, 88, 1, 1);  // keypad Enter, index 124, in the last block
    const int received = Firmware([](auto& f) { return f.ReportsReceived(); });
    keyboard->SetFaults({.vanishAfterReports = received + 5});
    const auto start = clock.NowMs();
    Run(SyncKeys);
    EXPECT_TRUE(Firmware([](auto& f) { return f.Vanished(); }));
    // Each unanswered report gives up after its retries; the worker goes on.
    EXPECT_LT(clock.NowMs() - start, 12u * 1500u);
    keyboard->SetFaults({});
    keyboard->Plug();
    Run(SyncKeys);
    EXPECT_EQ(Slot(9, 0), (std::array<std::uint8_t, 3>{0x10, 0x00, 0x05}));
    EXPECT_EQ(Slot(124, 1), (std::array<std::uint8_t, 3>{0x10, 0x00, 0x00}));
    EXPECT_FALSE(Firmware([](auto& f) { return f.InTransaction(); }));
}

TEST_F(WorkerKeyboardTest, UnpluggedAtStartThenArrival) {
    keyboard->Unplug();
    Connect();
    ASSERT_EQ(deviceIndex.load(), -1);
    Run(SyncMusicLayer);
    Run(SyncInitialLoad);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"LoadMusicLayer"}));
    keyboard->Plug();
    Run(SyncDeviceArrived);
    EXPECT_EQ(host.calls.size(), 7u);
    EXPECT_TRUE(worker.InitialLoadDone());
    EXPECT_EQ(Received().front(), (Sent{CMD_BEGIN, 0, 0}));
    // The read-back, the stored key table and the light settings.
    EXPECT_EQ(Received().size(), 50u);
}

// Virtual time for the protocol, but each of the worker's 30 ms pauses lets a
// real millisecond pass so that the running thread does not spin.
class PacedClock : public Clock {
public:
    explicit PacedClock(Clock& inner) : inner_(inner) {}
    void SleepMs(int ms) override {
        inner_.SleepMs(ms);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::uint64_t NowMs() override { return inner_.NowMs(); }

private:
    Clock& inner_;
};

// The worker's thread with jobs queued from this thread while the keyboard
// is unplugged and plugged again (the UI thread's reconnections): nothing
// crashes, Stop returns after the thread ended, and a last download repairs
// the keyboard.
TEST_F(WorkerKeyboardTest, RunningWorkerWithReconnectionsOnAnotherThread) {
    Assign(0, 4, 2, 5);
    PacedClock paced(clock);
    DeviceWorker threaded(SyncContext{db, manager, paced, codeToIndex, indexToCode, selection, deviceIndex},
                          host, &music);
    threaded.SetStreamingWanted(true);
    music.image.fill(0x00202020);
    ASSERT_TRUE(threaded.Start(30, true));
    for (int round = 0; round < 20; ++round) {
        threaded.Queue(SyncKeys);
        threaded.Queue(SyncSettings);
        threaded.Queue(SyncKeyColours);
        if (round % 5 == 2) {
            keyboard->Unplug();
            Connect();
        } else if (round % 5 == 4) {
            keyboard->Plug();
            Connect();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    keyboard->Plug();
    Connect();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (threaded.QueuedCount() > 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    threaded.Stop();
    EXPECT_TRUE(threaded.IsDone());
    EXPECT_EQ(threaded.QueuedCount(), 0u);
    Run(SyncKeys);
    EXPECT_EQ(Slot(9, 0), (std::array<std::uint8_t, 3>{0x10, 0x00, 0x05}));
}

}  // namespace
}  // namespace vantora
