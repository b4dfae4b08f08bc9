// The device session without any window, against the in-process keyboard.
#include "session/device_session.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "device/device_connection.h"
#include "device/protocol.h"
#include "session/app_rules.h"
#include "session/profile_switcher.h"
#include "sim/in_process_backend.h"
#include "support/fake_clock.h"
#include "support/manual_hotplug.h"
#include "support/temp_dir.h"
#include "sync/device_worker.h"
#include "unit/db/db_fixture.h"

namespace vantora {
namespace {

using namespace std::chrono_literals;

// Waits in real time for a condition of another thread; fails after 10 s.
bool WaitFor(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

using test::ManualHotplug;

// Records what the session tells; a reload can be held until the session stops.
class RecordingObserver : public SessionObserver {
public:
    void OnConnectionChanged(bool connected) override { Record(connected ? "connected" : "disconnected"); }
    void OnKeyEvent(int functionId) override { Record("key " + std::to_string(functionId)); }
    bool OnProfilesLoaded(const ProfileListData& data) override {
        {
            std::lock_guard lock(mutex_);
            profiles = data;
        }
        return Reload("profiles");
    }
    bool OnKeyAssignmentsLoaded(const KeyAssignmentData&) override { return Reload("keys"); }
    bool OnMacrosLoaded(const MacroListData&) override { return Reload("macros"); }
    bool OnLightingLoaded(const LightingData& data) override {
        {
            std::lock_guard lock(mutex_);
            lighting = data;
        }
        return Reload("lighting");
    }
    bool OnSwitchesLoaded(const SwitchData& data) override {
        {
            std::lock_guard lock(mutex_);
            switches = data;
        }
        return Reload("switches");
    }

    std::vector<std::string> Calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        calls_.clear();
    }
    int Count(const std::string& call) {
        const auto calls = Calls();
        return static_cast<int>(std::count(calls.begin(), calls.end(), call));
    }

    // The reload of this name waits until `release` says go, then reports
    // it could not be shown (as a window does that is closing).
    std::string holdReload;
    std::function<bool()> release;
    std::atomic<bool> holding{false};
    ProfileListData profiles;
    SwitchData switches;
    LightingData lighting;

private:
    void Record(const std::string& call) {
        std::lock_guard lock(mutex_);
        calls_.push_back(call);
    }
    bool Reload(const std::string& call) {
        if (call == holdReload) {
            holding = true;
            WaitFor(release);
            return false;
        }
        Record(call);
        return true;
    }

    std::mutex mutex_;
    std::vector<std::string> calls_;
};

const std::vector<std::string> kInitialLoad = {"profiles", "keys", "macros", "lighting", "switches"};

class DeviceSessionTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (session) {
            session->Stop();
        }
    }

    void StartSession() {
        SessionOptions options;
        options.programFolder = VANTORA_TEST_PROGRAM_FOLDER;
        options.dataFolder = dir.path() + "data";
        options.backend = backend;
        options.clock = &clock;
        options.hotplugSources = [this] {
            std::vector<std::unique_ptr<HotplugSource>> sources;
            auto source = std::make_unique<ManualHotplug>();
            hotplug = source.get();
            sources.push_back(std::move(source));
            return sources;
        };
        session = std::make_unique<DeviceSession>(std::move(options), observer);
        ASSERT_TRUE(session->Start());
    }
    void StartLoaded() {
        StartSession();
        ASSERT_TRUE(WaitFor([this] { return session->Worker()->InitialLoadDone(); }));
    }
    DeviceChange Change(DeviceChange::Kind kind) {
        DeviceChange change;
        change.kind = kind;
        change.path = sim::InProcessHidBackend::CommandPath(0);
        change.vendorId = 0x1209;
        change.productId = 0x0001;
        change.interfaceNumber = 2;
        return change;
    }
    std::uint8_t SwitchByte() {
        return keyboard->WithFirmware([](sim::KeyboardFirmware& f) { return f.Settings()[17]; });
    }
    int CommandsReceived(std::uint8_t command) {
        int count = 0;
        for (const auto& report : keyboard->Received()) {
            count += report[protocol::kCommand] == command ? 1 : 0;
        }
        return count;
    }

    test::TempDir dir;
    test::YieldingClock clock;
    std::shared_ptr<sim::InProcessHidBackend> backend = std::make_shared<sim::InProcessHidBackend>(clock);
    std::shared_ptr<sim::InProcessKeyboard> keyboard = backend->AddKeyboard();
    RecordingObserver observer;
    ManualHotplug* hotplug = nullptr;
    std::unique_ptr<DeviceSession> session;
};

TEST_F(DeviceSessionTest, StartCreatesTheDatabaseAndRunsTheInitialLoad) {
    StartLoaded();
    EXPECT_TRUE(std::filesystem::exists(dir.path() + "data/db/kb_data_data.db"));
    EXPECT_TRUE(session->IsConnected());
    EXPECT_EQ(session->FirmwareVersion(), 0x0102);
    EXPECT_EQ(observer.Calls(), kInitialLoad);
    EXPECT_EQ(observer.profiles.profiles.size(), 3u);
    EXPECT_EQ(observer.profiles.activeProfile, 1);
    EXPECT_EQ(session->CurrentSelection().profile.load(), 1);
    EXPECT_EQ(CommandsReceived(protocol::CMD_READ_DEFAULT_KEYS), 14);
    EXPECT_FALSE(session->Layout().codeToIndex.empty());
}

TEST_F(DeviceSessionTest, ASwitchIsStoredAndReachesTheKeyboard) {
    StartLoaded();
    session->SetSystemSwitch(SystemSwitch::kDisableAltF4, true);
    EXPECT_TRUE(LoadSystemSwitches(session->Database()).disableAltF4);
    EXPECT_TRUE(WaitFor([this] { return SwitchByte() == 0x04; }));
}

TEST_F(DeviceSessionTest, RemovalAndArrivalAreToldAndJobsFollowTheKeyboard) {
    StartLoaded();
    observer.Clear();
    keyboard->Unplug();
    hotplug->Fire(Change(DeviceChange::Kind::Removal));
    EXPECT_FALSE(session->IsConnected());
    EXPECT_EQ(observer.Calls(), (std::vector<std::string>{"disconnected"}));

    keyboard->Plug();
    hotplug->Fire(Change(DeviceChange::Kind::Arrival));
    ASSERT_TRUE(WaitFor([this] { return session->IsConnected(); }));
    ASSERT_TRUE(WaitFor([this] { return observer.Count("connected") == 1; }));
    // The keyboard may have changed while away: it is loaded again.
    ASSERT_TRUE(WaitFor([this] { return observer.Count("switches") == 1; }));
    EXPECT_EQ(observer.Count("profiles"), 1);
    session->SetSystemSwitch(SystemSwitch::kDisableWin, true);
    EXPECT_TRUE(WaitFor([this] { return SwitchByte() == 0x01; }));
}

// Whoever reconnects, the worker sees the connection's own state at once:
// no copy of it can lag behind.
TEST_F(DeviceSessionTest, TheWorkerFollowsAReconnectionOnAnyThread) {
    StartLoaded();
    const int settingsWritten = CommandsReceived(protocol::CMD_WRITE_SETTINGS);
    keyboard->Unplug();
    std::thread([this] { session->Connection()->Reconnect(); }).join();
    keyboard->Plug();  // present again, but not reconnected: no keyboard is open
    session->SetSystemSwitch(SystemSwitch::kDisableWin, true);
    session->Queue(SyncKeys);
    session->Queue(SyncDeviceArrived);  // reconnects after both
    session->Queue(SyncSettings);
    ASSERT_TRUE(WaitFor([this] { return SwitchByte() == 0x01; }));
    // The worker runs its jobs in order: the two before were dropped; the
    // arrival's load wrote the key table and the settings once each.
    EXPECT_TRUE(
        WaitFor([&] { return CommandsReceived(protocol::CMD_WRITE_SETTINGS) == settingsWritten + 2; }));
    EXPECT_EQ(CommandsReceived(protocol::CMD_WRITE_KEYS), 14);
}

TEST_F(DeviceSessionTest, RestoreFactoryEmptiesTheDatabaseResetsTheKeyboardAndReloads) {
    StartLoaded();
    session->Database().AddProfile("mine");
    session->SetSystemSwitch(SystemSwitch::kDisableWin, true);
    ASSERT_TRUE(WaitFor([this] { return SwitchByte() == 0x01; }));
    observer.Clear();
    EXPECT_TRUE(session->RestoreFactory());
    ASSERT_TRUE(WaitFor([this] { return observer.Count("switches") == 1; }));
    EXPECT_EQ(observer.Calls(), kInitialLoad);
    EXPECT_EQ(CommandsReceived(protocol::CMD_FACTORY_RESET), 1);
    EXPECT_EQ(observer.profiles.profiles.size(), 3u);
    EXPECT_FALSE(observer.switches.disableWin);
    EXPECT_EQ(SwitchByte(), 0x00);
    EXPECT_FALSE(session->Worker()->InitialLoadDone());  // the next arrival loads again
}

// The keyboard is reset only once the database is empty: with another
// program keeping it busy through the wait, both stay as they were and the
// caller is told why at once.
TEST_F(DeviceSessionTest, RestoreFactoryOnABusyDatabaseChangesNothing) {
    StartLoaded();
    ProfileDatabase& db = session->Database();
    ASSERT_GT(db.AddProfile("mine"), 0);
    db.SetBusyTimeout(50);
    std::optional<JobOutcome> told;
    {
        test::OtherWriter other(db.DatabasePath());
        ASSERT_TRUE(other.Locked());
        EXPECT_FALSE(session->RestoreFactory([&told](JobOutcome outcome) { told = outcome; }));
    }
    EXPECT_EQ(told, JobOutcome::kDatabaseBusy);
    std::vector<ProfileItem> profiles;
    EXPECT_EQ(db.ListProfiles(profiles), 4);
    // A job queued after it runs after anything it could have queued.
    std::atomic<bool> settingsDone{false};
    session->Queue(SyncSettings, [&settingsDone](JobOutcome) { settingsDone = true; });
    ASSERT_TRUE(WaitFor([&settingsDone] { return settingsDone.load(); }));
    EXPECT_EQ(CommandsReceived(protocol::CMD_FACTORY_RESET), 0);
    EXPECT_TRUE(session->Worker()->InitialLoadDone());
}

// The light rows exist once the initial load ran, whether or not a page
// showed them, and again after a factory reset: the shipped config.ini
// turns PER_KEY on, so "Custom" is listed last.
TEST_F(DeviceSessionTest, TheInitialLoadAndAFactoryResetCreateTheLightModes) {
    StartLoaded();
    // Read once the load is over (the worker wrote it before "switches").
    auto expectCatalogue = [this] {
        ASSERT_EQ(observer.lighting.modes.size(), 23u);
        EXPECT_EQ(observer.lighting.modes.front().mode, 1);
        EXPECT_EQ(observer.lighting.modes.back().mode, 0);
        EXPECT_EQ(observer.lighting.activeMode, 1);
    };
    expectCatalogue();
    EXPECT_EQ(session->Database().CountLightModes(1), 23);
    EXPECT_EQ(session->CurrentSelection().lightMode.load(), 1);

    session->Database().SetActiveLightMode(1, 0);
    observer.Clear();
    session->RestoreFactory();
    ASSERT_TRUE(WaitFor([this] { return observer.Count("switches") == 1; }));
    expectCatalogue();
    EXPECT_EQ(session->Database().CountLightModes(1), 23);
    EXPECT_EQ(session->CurrentSelection().lightMode.load(), 1);
}

// A window that is closing cannot show a reload: the load stops there, and
// Stop returns with the worker ended.
TEST_F(DeviceSessionTest, StopDuringTheInitialLoadEndsItThere) {
    observer.holdReload = "keys";
    observer.release = [this] { return session->Stopping(); };
    StartSession();
    ASSERT_TRUE(WaitFor([this] { return observer.holding.load(); }));
    session->Stop();
    EXPECT_TRUE(session->Worker()->IsDone());
    EXPECT_EQ(observer.Calls(), (std::vector<std::string>{"profiles"}));
    EXPECT_FALSE(session->Worker()->InitialLoadDone());
    session->Queue(SyncSettings);  // after the stop: dropped, no crash
    EXPECT_EQ(session->Worker()->QueuedCount(), 0u);
}

TEST_F(DeviceSessionTest, KeyEventsReachTheObserver) {
    StartLoaded();
    // A key whose function runs on the computer sends its function id.
    keyboard->SendEvent({2, 0x50, 7});
    EXPECT_TRUE(WaitFor([this] { return observer.Count("key 7") == 1; }));
}

// Focus changes within the debounce window (in the switcher's own virtual
// time) end in one selection and one key download for the last window; no
// download when the profile stays, none while paused.
TEST_F(DeviceSessionTest, FocusChangesEndInOneKeyDownloadForTheLastWindow) {
    StartLoaded();
    ProfileDatabase& db = session->Database();
    ASSERT_NE(db.AddProfileRule({0, "game", "", 2, 0}), 0);
    ASSERT_NE(db.AddProfileRule({0, "editor", "", 3, 0}), 0);
    test::FakeClock time;
    ProfileSwitcher switcher(*session, time);
    const int written = CommandsReceived(protocol::CMD_WRITE_KEYS);
    for (int i = 0; i < 10; ++i) {
        switcher.Report({i % 2 == 0 ? "Game" : "EDITOR", "window " + std::to_string(i)});
        time.Advance(ProfileSwitcher::kDebounceMs / 10);
        EXPECT_EQ(switcher.Poll(), 0);
    }
    EXPECT_EQ(switcher.DueInMs(), ProfileSwitcher::kDebounceMs - ProfileSwitcher::kDebounceMs / 10);
    time.Advance(ProfileSwitcher::kDebounceMs);
    EXPECT_EQ(switcher.Poll(), 3);
    EXPECT_EQ(switcher.DueInMs(), std::nullopt);
    // A settings job queued after any download runs once that download ended.
    auto settled = [this] {
        const int settings = CommandsReceived(protocol::CMD_WRITE_SETTINGS);
        session->Queue(SyncSettings);
        return WaitFor([&] { return CommandsReceived(protocol::CMD_WRITE_SETTINGS) > settings; });
    };
    ASSERT_TRUE(settled());
    const int oneDownload = CommandsReceived(protocol::CMD_WRITE_KEYS) - written;
    EXPECT_EQ(oneDownload, 14);  // the whole key table, once
    EXPECT_EQ(db.GetActiveProfile(), 3);
    EXPECT_EQ(session->CurrentSelection().profile.load(), 3);
    EXPECT_EQ(switcher.SeenApplications(), (std::vector<std::string>{"Game", "EDITOR"}));

    switcher.Report({"editor", "another file"});
    time.Advance(ProfileSwitcher::kDebounceMs);
    EXPECT_EQ(switcher.Poll(), 0);
    ASSERT_TRUE(StoreAppProfileEnabled(db, false));
    switcher.Report({"game", ""});
    time.Advance(ProfileSwitcher::kDebounceMs);
    EXPECT_EQ(switcher.Poll(), 0);
    ASSERT_TRUE(settled());
    EXPECT_EQ(CommandsReceived(protocol::CMD_WRITE_KEYS), written + oneDownload);
    EXPECT_EQ(db.GetActiveProfile(), 3);
}

}  // namespace
}  // namespace vantora
