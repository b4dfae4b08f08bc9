#include "sync/device_worker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "device/protocol.h"
#include "fake_host.h"
#include "sync_fixture.h"

namespace vantora {
namespace {

using namespace protocol;
using Calls = std::vector<std::string>;

const Calls kInitialLoadCalls = {"LoadProfileList", "RefreshKeyTips", "ReloadMacroList", "RefreshLightPage",
                                 "LoadSwitches"};

int Count(const std::vector<std::uint8_t>& commands, std::uint8_t command) {
    return static_cast<int>(std::count(commands.begin(), commands.end(), command));
}

class WorkerTest : public test::SyncFixture {
protected:
    void SetUp() override {
        test::SyncFixture::SetUp();
        host.onReconnect = [this] { Connect(); };
    }
    void TearDown() override { worker.Stop(); }

    MusicImage Loud() {
        MusicImage image{};
        image.fill(0x00404040);
        return image;
    }

    test::FakeHost host;
    test::FakeMusicSource music;
    DeviceWorker worker{Context(), host, &music};
};

TEST_F(WorkerTest, TwoKeyJobsRunTwiceInTwoPasses) {
    worker.Queue(SyncKeys);
    worker.Queue(SyncKeys);
    worker.RunStep();
    EXPECT_EQ(Count(keyboard.Commands(), CMD_END), 1);
    EXPECT_EQ(worker.QueuedCount(), 1u);
    worker.RunStep();
    EXPECT_EQ(Count(keyboard.Commands(), CMD_END), 2);
    EXPECT_EQ(Count(keyboard.Commands(), CMD_WRITE_KEYS), 28);
    worker.RunStep();  // idle, not on the music page
    EXPECT_EQ(Count(keyboard.Commands(), CMD_END), 2);
}

// A drag queues a lighting download per step: while one runs, the requests
// join the one waiting, which then sends the newest stored values.
TEST_F(WorkerTest, LightingRequestsWhileADownloadRunsQueueAtMostOneMore) {
    LightMode row;
    row.profile = 1;
    row.mode = 1;
    row.config_func = 0x03;
    ASSERT_GT(db.AddLightMode(row), 0);
    selection.lightMode = 1;
    bool flooded = false;
    keyboard.SetAnswerRule([&](const test::RecordingKeyboard::Report& report) {
        if (report.command == CMD_READ_SETTINGS && !flooded) {
            flooded = true;
            for (int step = 1; step <= 100; ++step) {
                row.brightness = step;
                db.UpdateLightMode(1, row);
                worker.Queue(SyncSettings);
                worker.Queue(SyncKeyColours);
            }
        }
        return true;
    });
    worker.Queue(SyncSettings);
    worker.RunStep();
    EXPECT_EQ(worker.QueuedCount(), 2u);
    while (worker.QueuedCount() > 0) {
        worker.RunStep();
    }
    EXPECT_EQ(Count(keyboard.Commands(), CMD_WRITE_SETTINGS), 2);
    EXPECT_EQ(keyboard.settings[3], 100);
    EXPECT_EQ(Count(keyboard.Commands(), CMD_WRITE_KEY_COLOURS), 7);  // one table of seven blocks
}

// A request behind another kind of job is queued on its own (a change made
// after an arrival runs after it); every caller of a joined job hears how
// it ended, not before the jobs queued ahead of its own request have run.
TEST_F(WorkerTest, AJoinedRequestIsToldAfterTheJobsQueuedBeforeIt) {
    std::vector<std::string> told;
    worker.Queue(SyncSettings, [&](JobOutcome) { told.push_back("first"); });
    worker.Queue(SyncKeys, [&](JobOutcome) { told.push_back("keys"); });
    worker.Queue(SyncSettings, [&](JobOutcome outcome) {
        EXPECT_EQ(outcome, JobOutcome::kDone);
        told.push_back("second");
    });
    worker.Queue(SyncSettings);  // joins the second
    EXPECT_EQ(worker.QueuedCount(), 3u);
    while (worker.QueuedCount() > 0) {
        worker.RunStep();
    }
    EXPECT_EQ(told, (std::vector<std::string>{"first", "keys", "second"}));
    EXPECT_EQ(Count(keyboard.Commands(), CMD_WRITE_SETTINGS), 2);

    // Behind coalesced jobs only, the joined job moves back.
    told.clear();
    worker.Queue(SyncSettings, [&](JobOutcome) { told.push_back("settings"); });
    worker.Queue(SyncKeyColours, [&](JobOutcome) { told.push_back("colours"); });
    worker.Queue(SyncSettings, [&](JobOutcome) { told.push_back("settings again"); });
    EXPECT_EQ(worker.QueuedCount(), 2u);
    worker.RunStep();
    worker.RunStep();
    EXPECT_EQ(told, (std::vector<std::string>{"colours", "settings", "settings again"}));

    // Edits of macros in a row write the macro memory once; the key table
    // queued behind a macro download keeps its place after it.
    worker.Queue(SyncMacros);
    worker.Queue(SyncMacros);
    worker.Queue(SyncKeys);
    worker.Queue(SyncMacros);
    EXPECT_EQ(worker.QueuedCount(), 3u);
}

// What the window shows: each job that talks to the keyboard starts, the
// long transfers step up to their total, and the end carries the outcome.
TEST_F(WorkerTest, JobsTalkingToTheKeyboardAreToldWithProgressAndOutcome) {
    using Kind = WriteActivity::Kind;
    worker.Queue(SyncMusicLayer);
    worker.Queue(SyncMacros);
    worker.RunStep();
    EXPECT_TRUE(host.Activities().empty());  // the music layer talks to no keyboard
    worker.RunStep();
    const std::vector<WriteActivity> macros = host.Activities();
    ASSERT_GE(macros.size(), 3u);
    EXPECT_EQ(macros.front().kind, Kind::kStarted);
    EXPECT_EQ(macros.front().task, SyncMacros);
    const int total = macros[1].total;
    EXPECT_EQ(total, Count(keyboard.Commands(), CMD_WRITE_MACROS));
    ASSERT_EQ(macros.size(), static_cast<std::size_t>(total) + 2);
    for (int block = 1; block <= total; ++block) {
        EXPECT_EQ(macros[static_cast<std::size_t>(block)].kind, Kind::kProgress);
        EXPECT_EQ(macros[static_cast<std::size_t>(block)].done, block);
    }
    EXPECT_EQ(macros.back().kind, Kind::kFinished);
    EXPECT_EQ(macros.back().outcome, JobOutcome::kDone);

    keyboard.SetRefuseAll(true);
    worker.Queue(SyncSettings);
    worker.RunStep();
    const std::vector<WriteActivity> all = host.Activities();
    ASSERT_EQ(all.size(), macros.size() + 2);  // a short download: no progress
    EXPECT_EQ(all[macros.size()].kind, Kind::kStarted);
    EXPECT_EQ(all.back().kind, Kind::kFinished);
    EXPECT_EQ(all.back().outcome, JobOutcome::kKeyboardFailed);
}

TEST_F(WorkerTest, KeyboardAbsentAtStartThenPluggedIn) {
    Disconnect();
    worker.Queue(SyncMusicLayer);
    worker.Queue(SyncInitialLoad);
    worker.RunStep();
    EXPECT_EQ(host.Calls(), (Calls{"LoadMusicLayer"}));
    worker.RunStep();
    EXPECT_EQ(host.Calls(), (Calls{"LoadMusicLayer"}));  // the initial load was dropped
    EXPECT_FALSE(worker.InitialLoadDone());
    EXPECT_EQ(worker.QueuedCount(), 0u);

    host.ClearCalls();
    clock.ClearSleeps();
    worker.Queue(SyncDeviceArrived);
    worker.RunStep();
    Calls expected = {"Reconnect"};
    expected.insert(expected.end(), kInitialLoadCalls.begin(), kInitialLoadCalls.end());
    EXPECT_EQ(host.Calls(), expected);
    EXPECT_EQ(clock.Sleeps().front(), 1000);
    EXPECT_TRUE(worker.InitialLoadDone());
    EXPECT_EQ(Count(keyboard.Commands(), CMD_READ_DEFAULT_KEYS), 14);

    // A second arrival loads again (the keyboard may have changed while
    // away) and writes the key table; a late SyncInitialLoad does nothing.
    host.ClearCalls();
    keyboard.ClearReports();
    worker.Queue(SyncDeviceArrived);
    worker.Queue(SyncInitialLoad);
    worker.RunStep();
    const std::size_t arrivalReports = keyboard.Reports().size();
    worker.RunStep();
    EXPECT_EQ(host.Calls(), expected);
    EXPECT_EQ(Count(keyboard.Commands(), CMD_WRITE_KEYS), 14);
    EXPECT_EQ(keyboard.Reports().size(), arrivalReports);
}

TEST_F(WorkerTest, ArrivalWithoutAKeyboardKeepsStoredAssignments) {
    Disconnect();
    host.onReconnect = nullptr;
    Assign(0, 4, 2, 5);
    worker.Queue(SyncDeviceArrived);
    worker.RunStep();
    EXPECT_TRUE(worker.InitialLoadDone());
    EXPECT_EQ(Rows(0).size(), 1u);
    // The next key download, once connected, reads the default table first.
    Connect();
    worker.Queue(SyncKeys);
    worker.RunStep();
    EXPECT_EQ(Count(keyboard.Commands(), CMD_READ_DEFAULT_KEYS), 14);
    EXPECT_EQ(keyboard.currentKeys[6 * 9 + 2], 5);
}

// A stop asked during start-up: the profile list is not shown, so the
// selection's profile is not yet the active one; the read-back would delete
// the assignments of whatever profile the selection still names.
TEST_F(WorkerTest, InitialLoadStopsWhenAReloadDoesNotRun) {
    const int other = db.AddProfile("other");
    db.SetActiveProfile(other);
    Assign(0, 4, 2, 5);  // profile 1, the selection's start value; the keyboard has key 4 at its default
    host.RefuseFrom("LoadProfileList");
    worker.Queue(SyncInitialLoad);
    worker.RunStep();
    EXPECT_EQ(Count(keyboard.Commands(), CMD_READ_KEYS), 0);
    EXPECT_EQ(Rows(0).size(), 1u);
    EXPECT_FALSE(worker.InitialLoadDone());
    // A later reload that fails stops the rest of the load too.
    host.RefuseFrom("ReloadMacroList");
    host.ClearCalls();
    worker.Queue(SyncInitialLoad);
    worker.RunStep();
    EXPECT_EQ(host.Calls(), (Calls{"LoadProfileList", "RefreshKeyTips"}));
    EXPECT_FALSE(worker.InitialLoadDone());
}

TEST_F(WorkerTest, InitialLoadDoesNothingOnceAStopWasAsked) {
    test::YieldingClock yielding;
    DeviceWorker threaded(ContextWith(yielding), host, &music);
    ASSERT_TRUE(threaded.Start(30, true));
    threaded.RequestStop();
    threaded.Queue(SyncInitialLoad);
    threaded.RunStep();  // as a pass already under way would
    threaded.Stop();
    EXPECT_TRUE(host.Calls().empty());
    EXPECT_TRUE(keyboard.Reports().empty());
}

// A client sending frames faster than the keyboard takes them: the newest
// waiting frame goes out, and only the first of them ends a pause.
TEST_F(WorkerTest, DirectFramesWaitingReplaceEachOtherAndEndOnePause) {
    ColourTable frame{};
    for (std::uint8_t n = 1; n <= 5; ++n) {
        frame.fill(n);
        worker.SetDirectFrame(frame);
    }
    EXPECT_EQ(clock.PauseEnds(), 1);
    worker.RunStep();
    EXPECT_EQ(Count(keyboard.Commands(), CMD_STREAM_COLOURS), 7);
    EXPECT_EQ(keyboard.musicFrame[0], 5);
    worker.RunStep();
    EXPECT_EQ(Count(keyboard.Commands(), CMD_STREAM_COLOURS), 7);
    worker.SetDirectFrame(frame);
    EXPECT_EQ(clock.PauseEnds(), 2);
}

TEST_F(WorkerTest, JobsAreDroppedAfterUnplug) {
    worker.Queue(SyncKeys);
    worker.Queue(SyncMacros);
    worker.Queue(SyncSettings);
    worker.Queue(SyncFactoryReset);
    worker.RunStep();
    const auto sent = keyboard.Reports().size();
    Disconnect();
    worker.RunStep();
    worker.RunStep();
    worker.RunStep();
    EXPECT_EQ(worker.QueuedCount(), 0u);
    EXPECT_EQ(keyboard.Reports().size(), sent);
    EXPECT_TRUE(host.Calls().empty());
}

TEST_F(WorkerTest, SettingsJobWhileStreaming) {
    worker.SetStreamingWanted(true);
    music.Set(Loud());
    worker.Queue(SyncSettings);
    worker.RunStep();
    EXPECT_EQ(keyboard.Commands(),
              (std::vector<std::uint8_t>{CMD_BEGIN, CMD_READ_SETTINGS, CMD_WRITE_SETTINGS, CMD_END}));
    keyboard.ClearReports();
    worker.RunStep();
    EXPECT_EQ(Count(keyboard.Commands(), CMD_STREAM_COLOURS), 7);
    EXPECT_EQ(keyboard.musicFrame[0], 0x40);
}

TEST_F(WorkerTest, StreamingOnlyWhenWantedAndConnected) {
    music.Set(Loud());
    worker.RunStep();
    EXPECT_TRUE(keyboard.Reports().empty());
    worker.SetStreamingWanted(true);
    Disconnect();
    worker.RunStep();
    EXPECT_TRUE(keyboard.Reports().empty());
    Connect();
    worker.SetStreamingWanted(false);
    worker.RunStep();
    EXPECT_TRUE(keyboard.Reports().empty());
    worker.SetStreamingWanted(true);
    worker.RunStep();
    EXPECT_EQ(Count(keyboard.Commands(), CMD_STREAM_COLOURS), 7);
}

TEST_F(WorkerTest, NoAnalyserNoStream) {
    DeviceWorker silent(Context(), host, nullptr);
    silent.SetStreamingWanted(true);
    silent.RunStep();
    EXPECT_TRUE(keyboard.Reports().empty());
}

TEST_F(WorkerTest, FactoryResetJob) {
    worker.RequestInitialLoad();
    clock.ClearSleeps();
    worker.Queue(SyncFactoryReset);
    worker.RunStep();
    const auto commands = keyboard.Commands();
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.front(), CMD_FACTORY_RESET);
    EXPECT_EQ(keyboard.factoryResets, 1);
    EXPECT_EQ(Count(commands, CMD_READ_DEFAULT_KEYS), 14);  // the read-back of the reload
    EXPECT_EQ(host.Calls(), kInitialLoadCalls);
    const auto sleeps = clock.Sleeps();
    EXPECT_NE(std::find(sleeps.begin(), sleeps.end(), 1500), sleeps.end());
    EXPECT_FALSE(worker.InitialLoadDone());  // a later initial load runs again
    worker.Queue(SyncInitialLoad);
    host.ClearCalls();
    worker.RunStep();
    EXPECT_EQ(host.Calls(), kInitialLoadCalls);
}

TEST_F(WorkerTest, EachJobTellsHowItEnded) {
    std::vector<JobOutcome> outcomes;
    auto record = [&outcomes](JobOutcome outcome) { outcomes.push_back(outcome); };
    worker.Queue(SyncSettings, record);
    worker.RunStep();
    keyboard.SetRefuseAll(true);
    worker.Queue(SyncSettings, record);
    worker.RunStep();
    keyboard.SetRefuseAll(false);
    Disconnect();
    worker.Queue(SyncKeys, record);
    worker.RunStep();
    worker.Queue(SyncMacros, record);  // never runs
    worker.Stop();
    EXPECT_EQ(outcomes, (std::vector<JobOutcome>{JobOutcome::kDone, JobOutcome::kKeyboardFailed,
                                                 JobOutcome::kNoKeyboard, JobOutcome::kCancelled}));
}

TEST_F(WorkerTest, MacroJobKeepsWhatWasLeftOut) {
    std::vector<std::pair<int, int>> big(500, {2, 0x41});
    AddMacro(big);
    const int second = AddMacro(big);
    worker.Queue(SyncMacros);
    worker.RunStep();
    const auto leftOut = worker.LastMacrosLeftOut();
    ASSERT_EQ(leftOut.size(), 1u);
    EXPECT_EQ(leftOut[0].macroId, second);
}

TEST_F(WorkerTest, ColourJobAndUnknownCodes) {
    worker.Queue(0);
    worker.Queue(99);
    worker.Queue(SyncKeyColours);
    worker.RunStep();
    worker.RunStep();
    EXPECT_TRUE(keyboard.Reports().empty());
    worker.RunStep();
    EXPECT_EQ(Count(keyboard.Commands(), CMD_WRITE_KEY_COLOURS), 7);
}

TEST_F(WorkerTest, RefusingKeyboardNeverStopsTheWorker) {
    keyboard.SetRefuseAll(true);
    worker.Queue(SyncKeys);
    worker.Queue(SyncSettings);
    worker.Queue(SyncMacros);
    worker.RunStep();
    worker.RunStep();
    worker.RunStep();
    EXPECT_EQ(Count(keyboard.Commands(), CMD_WRITE_KEYS), 0);  // no default table, nothing written
    EXPECT_EQ(Count(keyboard.Commands(), CMD_WRITE_SETTINGS), 0);
    keyboard.SetRefuseAll(false);
    worker.Queue(SyncKeys);
    worker.RunStep();
    EXPECT_EQ(keyboard.currentKeys, keyboard.defaultKeys);
    EXPECT_EQ(Count(keyboard.Commands(), CMD_WRITE_KEYS), 14);
}

// The thread itself: jobs queued from another thread all run, and Stop
// returns only after the thread has ended.
TEST_F(WorkerTest, ThreadRunsQueuedJobsAndStopsCleanly) {
    test::YieldingClock yielding;
    DeviceWorker threaded(ContextWith(yielding), host, &music);
    ASSERT_TRUE(threaded.Start(30, true));
    EXPECT_FALSE(threaded.Start(30, true));
    std::thread producer([&] {
        for (int i = 0; i < 3; ++i) {
            threaded.Queue(SyncKeys);  // not coalesced: each runs
        }
    });
    producer.join();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (Count(keyboard.Commands(), CMD_END) < 3 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    threaded.Stop();
    EXPECT_TRUE(threaded.IsDone());
    EXPECT_FALSE(threaded.IsRunning());
    EXPECT_EQ(Count(keyboard.Commands(), CMD_END), 3);
    EXPECT_EQ(threaded.QueuedCount(), 0u);
    const auto sleeps = yielding.Sleeps();
    EXPECT_FALSE(sleeps.empty());
    EXPECT_EQ(sleeps.front(), 30);
}

}  // namespace
}  // namespace vantora
