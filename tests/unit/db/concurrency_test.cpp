// The UI thread and the device worker use one ProfileDatabase at the same
// time. Meant to run under ThreadSanitizer as well.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <latch>
#include <thread>
#include <vector>

#include "db/profile_database.h"
#include "db_fixture.h"

namespace vantora {
namespace {

constexpr int kKeys = 104;
constexpr int kStepsPerMacro = 40;
constexpr int kRounds = 25;

using ConcurrencyTest = test::DatabaseTest;

TEST_F(ConcurrencyTest, WriterAndReaderSeeOnlyWholeSets) {
    const int macro = db_.AddMacro("shared");
    ASSERT_NE(macro, 0);
    std::atomic<bool> writerDone{false};

    std::thread writer([&] {
        for (int round = 0; round < kRounds; ++round) {
            std::vector<KeyColour> colours;
            for (int k = 0; k < kKeys; ++k) {
                colours.push_back(KeyColour{0, 1, 0, k + 1, round});
            }
            db_.AddKeyColours(colours);
            std::vector<MacroStep> steps;
            for (int s = kStepsPerMacro - 1; s >= 0; --s) {
                steps.push_back(MacroStep{0, macro, 2, round * kStepsPerMacro + s, 65, 1, "step"});
            }
            db_.AddMacroSteps(std::move(steps));
        }
        writerDone = true;
    });

    int reads = 0;
    bool consistent = true;
    std::vector<KeyColour> colours;
    std::vector<MacroStep> steps;
    std::vector<ProfileItem> profiles;
    while (!writerDone || reads < 3) {
        const int colourCount = db_.ListKeyColours(0, colours);
        const int stepCount = db_.ListMacroSteps(macro, steps);
        consistent = consistent && colourCount % kKeys == 0 && stepCount % kStepsPerMacro == 0 &&
                     std::is_sorted(steps.begin(), steps.end(), [](const MacroStep& a, const MacroStep& b) {
                         return a.record_index < b.record_index;
                     });
        db_.ListProfiles(profiles);
        ++reads;
    }
    writer.join();

    EXPECT_TRUE(consistent);
    EXPECT_GT(reads, 0);
    EXPECT_EQ(db_.ListKeyColours(0, colours), kRounds * kKeys);
    EXPECT_EQ(db_.ListMacroSteps(macro, steps), kRounds * kStepsPerMacro);
    EXPECT_EQ(db_.CountAllMacroSteps(), kRounds * kStepsPerMacro);
}

TEST_F(ConcurrencyTest, TwoThreadsAddingProfilesGetDistinctIds) {
    std::vector<int> idsA;
    std::vector<int> idsB;
    auto add = [&](std::vector<int>& ids) {
        for (int i = 0; i < 100; ++i) {
            ids.push_back(db_.AddProfile("p"));
        }
    };
    std::thread a(add, std::ref(idsA));
    std::thread b(add, std::ref(idsB));
    a.join();
    b.join();
    std::vector<int> all = idsA;
    all.insert(all.end(), idsB.begin(), idsB.end());
    std::sort(all.begin(), all.end());
    ASSERT_EQ(all.size(), 200u);
    EXPECT_EQ(all.front(), 1);
    EXPECT_EQ(all.back(), 200);
    EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());
}

// Four programs changing one file at once, each with its own connection: a
// change waits for the others' instead of being refused, and none is lost.
// All of them take far less than the wait, so no change can wait it out.
TEST_F(ConcurrencyTest, FourWritersOnOneFileAllSucceed) {
    constexpr int kWriters = 4;
    constexpr int kChanges = 20;
    std::vector<int> refused(kWriters, 0);
    std::latch start(kWriters);
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            ProfileDatabase db;
            const bool opened = db.OpenProfileDatabase(dir_.path(), "kb_data");
            start.arrive_and_wait();
            for (int i = 0; opened && i < kChanges; ++i) {
                KeyAssignment key;
                key.profile = w + 1;
                key.key_code = i + 1;
                key.macro_type = 2;
                key.macro_value = 5;
                std::vector<KeyColour> colours;
                for (int k = 0; k < kKeys; ++k) {
                    colours.push_back(KeyColour{0, 1, 0, k + 1, i});
                }
                refused[w] += db.SaveKeyAssignment(key) == 0 ? 1 : 0;
                refused[w] += db.ReplaceKeyColours(w + 1, colours) ? 0 : 1;
            }
            refused[w] += opened ? 0 : 1;
        });
    }
    for (std::thread& writer : writers) {
        writer.join();
    }
    EXPECT_EQ(refused, std::vector<int>(kWriters, 0));
    EXPECT_EQ(Query("SELECT count(*) FROM t_key_macro_data"), kWriters * kChanges);
    EXPECT_EQ(Query("SELECT count(*) FROM t_key_light_data"), kWriters * kKeys);
}

}  // namespace
}  // namespace vantora
