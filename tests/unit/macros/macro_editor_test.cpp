#include "macros/macro_editor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>
#include <vector>

#include "macros/macro_recorder.h"
#include "macros/macro_space.h"
#include "macros/record_list.h"
#include "support/temp_dir.h"

namespace vantora {
namespace {

using Result = MacroEditor::Result;
using RecordTuple = std::tuple<std::string, int, int, int>;

std::vector<RecordTuple> Tuples(const std::vector<MacroStep>& steps) {
    std::vector<RecordTuple> out;
    for (const MacroStep& s : steps) {
        out.emplace_back(s.desc, s.type, s.value, s.delay_time);
    }
    return out;
}

std::vector<MacroStep> Presses(int count) {
    std::vector<MacroStep> records;
    for (int i = 0; i < count; ++i) {
        InsertKeyPair(records, -1, "A", 65, 5);
    }
    records.resize(static_cast<std::size_t>(count));
    return records;
}

class MacroEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(dir.path() + "db");
        ASSERT_TRUE(db.OpenProfileDatabase(dir.path(), "kb"));
    }
    int Add(const std::string& name, int records = 0) {
        int id = 0;
        EXPECT_EQ(editor.Add(name, id).result, Result::kDone);
        if (records > 0) {
            EXPECT_EQ(editor.SaveRecords(id, Presses(records)).result, Result::kDone);
        }
        return id;
    }
    void Bind(int key, int layer, int macroId) {
        KeyAssignment row;
        row.profile = 1;
        row.key_code = key;
        row.fn_layer = layer;
        row.macro_type = 3;
        row.macro_value = macroId;
        db.SaveKeyAssignment(row);
    }

    test::TempDir dir;
    ProfileDatabase db;
    MacroEditor editor{db};
};

TEST_F(MacroEditorTest, MacrosAreAddedRenamedAndDeletedByTheirRules) {
    const int first = Add("Macro");
    const int second = Add("Macro");
    EXPECT_NE(first, second);
    EXPECT_EQ(editor.FindByName("Macro"), (std::vector<int>{first, second}));

    int none = -1;
    EXPECT_EQ(editor.Add("  ", none).result, Result::kRefused);
    EXPECT_EQ(none, 0);
    EXPECT_EQ(editor.Rename(second, "").result, Result::kRefused);
    EXPECT_EQ(editor.Rename(999, "X").result, Result::kNotFound);
    const auto renamed = editor.Rename(second, "Copy");
    EXPECT_EQ(renamed.result, Result::kDone);
    EXPECT_FALSE(renamed.jobs.Any());
    EXPECT_EQ(editor.FindByName("Copy"), std::vector<int>{second});

    // The macros after a deleted one move in the keyboard's memory: the
    // keys must follow.
    const auto deleted = editor.Delete(first);
    EXPECT_EQ(deleted.result, Result::kDone);
    EXPECT_EQ(deleted.jobs, (MacroJobs{.macros = true, .keys = true}));
    EXPECT_FALSE(editor.Exists(first));
    EXPECT_EQ(editor.Delete(first).result, Result::kNotFound);
}

TEST_F(MacroEditorTest, PageOperationsStoreTheRecordsInListOrder) {
    const int id = Add("M");
    std::vector<MacroStep> records;
    EXPECT_EQ(InsertKeyPair(records, -1, "A", 65, 7), 0);
    EXPECT_EQ(InsertKeyPair(records, 0, "B", 66, 9), 1);  // after the selected record
    EXPECT_EQ(Tuples(records),
              (std::vector<RecordTuple>{{"A", 2, 65, 7}, {"B", 2, 66, 9}, {"B", 3, 66, 9}, {"A", 3, 65, 7}}));

    // An edited key-up record stays a key-up record; mouse records are not edited.
    EXPECT_TRUE(EditKeyRecord(records, 3, "C", 67, 12));
    MacroStep mouse;
    mouse.type = 4;
    mouse.value = 1;
    records.push_back(mouse);
    EXPECT_FALSE(EditKeyRecord(records, 4, "C", 67, 12));
    EXPECT_FALSE(EditKeyRecord(records, 9, "C", 67, 12));
    EXPECT_EQ(DeleteRecord(records, 0), -1);
    EXPECT_EQ(DeleteRecord(records, 7), -1);  // a bad index changes nothing
    EXPECT_EQ(records.size(), 4u);

    const auto saved = editor.SaveRecords(id, records);
    EXPECT_EQ(saved.result, Result::kDone);
    EXPECT_TRUE(saved.jobs.macros);
    const std::vector<MacroStep> stored = editor.Records(id);
    EXPECT_EQ(Tuples(stored),
              (std::vector<RecordTuple>{{"B", 2, 66, 9}, {"B", 3, 66, 9}, {"C", 3, 67, 12}, {"", 4, 1, 0}}));
    for (std::size_t i = 0; i < stored.size(); ++i) {
        EXPECT_EQ(stored[i].record_index, static_cast<int>(i));
    }
    EXPECT_EQ(editor.SaveRecords(id, {}).result, Result::kDone);
    EXPECT_TRUE(editor.Records(id).empty());
    EXPECT_EQ(editor.SaveRecords(12345, {}).result, Result::kNotFound);
}

TEST_F(MacroEditorTest, TheRecordSpaceRefusesGrowthButNotShrinking) {
    const int big = Add("Big", 990);
    const int small = Add("Small", 4);
    const auto refused = editor.SaveRecords(small, Presses(11));
    EXPECT_EQ(refused.result, Result::kNoSpace);
    EXPECT_FALSE(refused.jobs.Any());
    EXPECT_EQ(editor.Records(small).size(), 4u);  // nothing half-stored
    EXPECT_EQ(editor.SaveRecords(small, Presses(10)).result, Result::kDone);
    EXPECT_EQ(editor.UsedRecords(), kMacroRecordSpace);

    // A database already past the space (older versions did not enforce
    // it) may still be edited down.
    db.AddMacroSteps(Presses(5));
    EXPECT_EQ(editor.SaveRecords(big, Presses(989)).result, Result::kDone);
}

TEST_F(MacroEditorTest, TheListCountsLinksAfreshAndNamesMacrosTheKeyboardCannotHold) {
    const int first = Add("First", 600);
    const int second = Add("Second", 300);  // does not fit after the first's 600 of 880
    const int third = Add("Third", 2);
    Bind(4, 0, third);
    Bind(5, 1, third);
    Bind(6, 0, 999);  // a macro id that no longer exists

    const std::vector<MacroSummary> list = editor.List(1);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].id, first);
    EXPECT_EQ(list[1].records, 300);
    EXPECT_EQ(list[1].leftOut, MacroLeftOutReason::kMemoryFull);
    EXPECT_FALSE(list[0].leftOut.has_value());
    EXPECT_EQ(list[2].linkCount, 2);
    EXPECT_EQ(list[0].linkCount, 0);
    EXPECT_EQ(editor.PlannedLeftOut().size(), 1u);

    // Shrinking the second lets it back in: the keys bound to macros behind
    // it play other positions, so the key table goes too.
    const auto jobs = editor.SaveRecords(second, Presses(10)).jobs;
    EXPECT_EQ(jobs, (MacroJobs{.macros = true, .keys = true}));
    EXPECT_TRUE(editor.PlannedLeftOut().empty());
    EXPECT_EQ(editor.SaveRecords(second, Presses(12)).jobs, (MacroJobs{.macros = true, .keys = false}));
}

TEST_F(MacroEditorTest, SavedDelaysStayWithinTheKeyboardsSixteenBits) {
    const int id = Add("Waits");
    std::vector<MacroStep> records = Presses(4);
    for (const auto& [index, delay] : {std::pair(0, -5), std::pair(1, 70000), std::pair(2, 65535)}) {
        records[static_cast<std::size_t>(index)].delay_time = delay;
    }
    ASSERT_EQ(editor.SaveRecords(id, records).result, Result::kDone);
    std::vector<int> delays;
    for (const MacroStep& step : editor.Records(id)) {
        delays.push_back(step.delay_time);
    }
    EXPECT_EQ(delays, (std::vector<int>{0, 65535, 65535, 5}));
}

TEST(ParseTypedDelayTest, ReadsLeadingDigitsWithinTheKeyboardsRange) {
    EXPECT_EQ(ParseTypedDelay("120"), 120);
    EXPECT_EQ(ParseTypedDelay(" 12ms"), 12);
    EXPECT_EQ(ParseTypedDelay("abc"), 0);
    EXPECT_EQ(ParseTypedDelay(""), 0);
    EXPECT_EQ(ParseTypedDelay("-5"), 0);
    EXPECT_EQ(ParseTypedDelay("99999999999999999999"), kMaxTypedDelayMs);
}

class MacroRecorderTest : public ::testing::Test {
protected:
    std::int64_t now = 5000;
    MacroRecorder recorder{[this] { return now; }};
};

TEST_F(MacroRecorderTest, DelaysArePausesToTheNextEvent) {
    ASSERT_EQ(recorder.Begin(0), MacroRecorder::Start::kStarted);
    EXPECT_EQ(recorder.Begin(0), MacroRecorder::Start::kAlreadyRecording);
    recorder.Record(65, "A", false);
    now += 120;
    recorder.Record(65, "A", true);
    recorder.Record(162, "Ctrl", false);  // same millisecond
    now += 40000;
    recorder.Record(162, "Ctrl", true);
    now += 3;
    EXPECT_EQ(recorder.Record(0, "", false), MacroRecorder::Event::kIgnored);
    EXPECT_EQ(
        Tuples(recorder.Stop()),
        (std::vector<RecordTuple>{
            {"A", 2, 65, 120}, {"A", 3, 65, 1}, {"Ctrl", 2, 162, kMaxRecordedDelayMs}, {"Ctrl", 3, 162, 0}}));
    EXPECT_FALSE(recorder.IsRecording());
    EXPECT_EQ(recorder.Record(65, "A", false), MacroRecorder::Event::kIgnored);
    EXPECT_TRUE(recorder.Stop().empty());
}

TEST_F(MacroRecorderTest, RecordingNeedsTenFreeRecordsAndStopsWhenTheSpaceIsFull) {
    EXPECT_EQ(recorder.Begin(995), MacroRecorder::Start::kNoSpace);
    EXPECT_FALSE(recorder.IsRecording());
    ASSERT_EQ(recorder.Begin(980), MacroRecorder::Start::kStarted);
    for (int i = 1; i < 20; ++i) {
        ASSERT_EQ(recorder.Record(65, "A", i % 2 == 0), MacroRecorder::Event::kRecorded) << i;
    }
    EXPECT_EQ(recorder.Record(65, "A", false), MacroRecorder::Event::kFull);
    EXPECT_EQ(recorder.Stop().size(), 20u);
}

}  // namespace
}  // namespace vantora
