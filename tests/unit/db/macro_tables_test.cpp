#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "db/profile_database.h"
#include "db_fixture.h"

namespace vantora {
namespace {

using MacroTablesTest = test::DatabaseTest;

MacroStep Step(int macro, int index, int type, int value, int delay, const std::string& desc) {
    MacroStep step;
    step.macro_id = macro;
    step.record_index = index;
    step.type = type;
    step.value = value;
    step.delay_time = delay;
    step.desc = desc;
    return step;
}

void AssignMacro(ProfileDatabase& db, int profile, int layer, int keyCode, int macroId) {
    KeyAssignment key;
    key.profile = profile;
    key.fn_layer = layer;
    key.key_code = keyCode;
    key.macro_type = 3;
    key.macro_value = macroId;
    ASSERT_NE(db.SaveKeyAssignment(key), 0);
}

TEST_F(MacroTablesTest, NewMacroHasTheDefaultSettings) {
    const int id = db_.AddMacro("Combo ⚔");
    ASSERT_EQ(id, 1);
    Macro macro;
    ASSERT_TRUE(db_.GetMacro(id, macro));
    EXPECT_EQ(macro.macro_id, 1);
    EXPECT_EQ(macro.name, "Combo ⚔");
    EXPECT_EQ(macro.play_times, 1);
    EXPECT_EQ(macro.delay_type, 1);
    EXPECT_EQ(macro.delay_time, 0);
    EXPECT_EQ(macro.link_count, 0);
    EXPECT_FALSE(db_.GetMacro(2, macro));
}

TEST_F(MacroTablesTest, ImportKeepsEverySetting) {
    Macro imported;
    imported.name = "imported";
    imported.play_times = 5;
    imported.delay_type = 2;
    imported.delay_time = 250;
    imported.link_count = 3;
    const int id = db_.AddMacroWithSettings(imported);
    Macro read;
    ASSERT_TRUE(db_.GetMacro(id, read));
    EXPECT_EQ(read.name, "imported");
    EXPECT_EQ(read.play_times, 5);
    EXPECT_EQ(read.delay_type, 2);
    EXPECT_EQ(read.delay_time, 250);
    EXPECT_EQ(read.link_count, 3);
    EXPECT_TRUE(db_.RenameMacro(id, "renamed"));
    ASSERT_TRUE(db_.GetMacro(id, read));
    EXPECT_EQ(read.name, "renamed");
}

TEST_F(MacroTablesTest, RenameRelabelsEveryKeyThatPlaysTheMacroInOneTransaction) {
    const int id = db_.AddMacro("Old");
    const int other = db_.AddMacro("Other");
    AssignMacro(db_, 1, 0, 4, id);
    AssignMacro(db_, 2, 1, 5, id);
    AssignMacro(db_, 1, 0, 6, other);
    KeyAssignment mouse;  // another type with the same value keeps its label
    mouse.profile = 1;
    mouse.key_code = 7;
    mouse.macro_type = 5;
    mouse.macro_value = id;
    mouse.macro_desc = "Left";
    ASSERT_NE(db_.SaveKeyAssignment(mouse), 0);

    ASSERT_TRUE(db_.RenameMacro(id, "New"));
    const std::string labels = "SELECT count(*) FROM t_key_macro_data WHERE macro_desc = ";
    EXPECT_EQ(Query(labels + "'New'"), 2);
    EXPECT_EQ(Query(labels + "'Left'"), 1);
    EXPECT_EQ(Query(labels + "''"), 1);  // the other macro's key

    // A label the database refuses to change keeps the old name too.
    ASSERT_TRUE(test::ExecOnFile(db_.DatabasePath(),
                                 "CREATE TRIGGER refuse BEFORE UPDATE ON t_key_macro_data "
                                 "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    EXPECT_FALSE(db_.RenameMacro(id, "Newer"));
    Macro macro;
    ASSERT_TRUE(db_.GetMacro(id, macro));
    EXPECT_EQ(macro.name, "New");
    EXPECT_EQ(Query(labels + "'New'"), 2);
}

TEST_F(MacroTablesTest, StepsReadBackSortedByIndex) {
    const int id = db_.AddMacro("m");
    db_.AddMacroSteps({Step(id, 2, 3, 65, 30, "A ↑"), Step(id, 0, 2, 65, 10, "A ↓"),
                       Step(id, 1, 4, 1, 20, "L"), Step(id + 1, 0, 2, 66, 0, "other")});
    std::vector<MacroStep> steps(4);
    ASSERT_EQ(db_.ListMacroSteps(id, steps), 3);
    EXPECT_EQ(steps[0].record_index, 0);
    EXPECT_EQ(steps[0].desc, "A ↓");
    EXPECT_EQ(steps[0].type, 2);
    EXPECT_EQ(steps[0].value, 65);
    EXPECT_EQ(steps[0].delay_time, 10);
    EXPECT_EQ(steps[0].macro_id, id);
    EXPECT_EQ(steps[0].record_id, 2);
    EXPECT_EQ(steps[1].record_index, 1);
    EXPECT_EQ(steps[2].record_index, 2);
    EXPECT_EQ(steps[2].desc, "A ↑");
    EXPECT_EQ(db_.CountAllMacroSteps(), 4);
}

// The one-query listing agrees with the per-macro one however the steps
// were stored: interleaved, out of order, with equal indexes.
TEST_F(MacroTablesTest, AllStepsComeGroupedByMacroInEachMacrosOrder) {
    const int a = db_.AddMacro("a");
    const int b = db_.AddMacro("b");
    db_.AddMacroSteps({Step(b, 1, 3, 66, 0, "b1"), Step(a, 2, 3, 65, 0, "a2"), Step(a, 0, 2, 65, 5, "a0"),
                       Step(b, 0, 2, 66, 7, "b0"), Step(a, 1, 2, 67, 0, "a1 first"),
                       Step(a, 1, 3, 67, 0, "a1 second")});
    std::vector<MacroStep> expected;
    for (const int id : {a, b}) {
        std::vector<MacroStep> own;
        db_.ListMacroSteps(id, own);
        expected.insert(expected.end(), own.begin(), own.end());
    }
    std::vector<MacroStep> all(2);
    ASSERT_EQ(db_.ListAllMacroSteps(all), 6);
    std::vector<std::string> descs;
    std::vector<std::string> expectedDescs;
    for (std::size_t i = 0; i < all.size(); ++i) {
        descs.push_back(all[i].desc);
        expectedDescs.push_back(expected[i].desc);
    }
    EXPECT_EQ(descs, expectedDescs);
    EXPECT_EQ(descs, (std::vector<std::string>{"a0", "a1 first", "a1 second", "a2", "b0", "b1"}));
}

TEST_F(MacroTablesTest, StepsAreReplacedAsAWhole) {
    const int id = db_.AddMacro("m");
    db_.AddMacroSteps({Step(id, 0, 2, 65, 10, "a"), Step(id, 1, 3, 65, 10, "b")});
    EXPECT_TRUE(db_.DeleteMacroSteps(id));
    db_.AddMacroSteps({Step(id, 0, 2, 66, 5, "c")});
    std::vector<MacroStep> steps;
    ASSERT_EQ(db_.ListMacroSteps(id, steps), 1);
    EXPECT_EQ(steps[0].value, 66);
    EXPECT_EQ(db_.CountAllMacroSteps(), 1);
}

TEST_F(MacroTablesTest, DeletingTheSecondOfThreeMacrosShiftsTheThird) {
    const int a = db_.AddMacro("first");
    const int b = db_.AddMacro("second");
    const int c = db_.AddMacro("third");
    db_.AddMacroSteps({Step(b, 0, 2, 65, 0, "b"), Step(c, 0, 2, 66, 0, "c")});
    AssignMacro(db_, 1, 0, 0x04, b);
    EXPECT_TRUE(db_.DeleteMacro(b));
    std::vector<Macro> macros;
    ASSERT_EQ(db_.ListMacros(macros), 2);
    EXPECT_EQ(macros[0].macro_id, a);
    EXPECT_EQ(macros[1].macro_id, c);
    EXPECT_EQ(macros[1].name, "third");
    EXPECT_EQ(Query("SELECT count(*) FROM t_macrorecord WHERE macro_id = " + std::to_string(b)), 0);
    EXPECT_EQ(db_.CountAllMacroSteps(), 1);
    // The key that used the macro is left as it was.
    KeyAssignment key;
    ASSERT_TRUE(db_.GetKeyAssignment(1, 0, 0x04, key));
    EXPECT_EQ(key.macro_value, b);
    // Ids are not reused.
    EXPECT_EQ(db_.AddMacro("fourth"), 4);
}

TEST_F(MacroTablesTest, ThousandStepsCommitInOneTransaction) {
    const int id = db_.AddMacro("long");
    std::vector<MacroStep> steps;
    for (int i = 999; i >= 0; --i) {
        steps.push_back(Step(id, i, 2 + i % 2, 65 + i % 26, i, "s" + std::to_string(i)));
    }
    int begins = 0;
    db_.SetStatementObserver([&](const char* sql) { begins += std::string(sql) == "BEGIN IMMEDIATE"; });
    db_.AddMacroSteps(steps);
    EXPECT_EQ(begins, 1);
    std::vector<MacroStep> read;
    ASSERT_EQ(db_.ListMacroSteps(id, read), 1000);
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(read[i].record_index, i);
        ASSERT_EQ(read[i].desc, "s" + std::to_string(i));
    }
}

TEST_F(MacroTablesTest, LinkCountsAreShownAndStored) {
    const int m1 = db_.AddMacro("one");
    const int m2 = db_.AddMacro("two");
    AssignMacro(db_, 1, 0, 0x04, m1);
    AssignMacro(db_, 1, 1, 0x05, m1);
    AssignMacro(db_, 2, 0, 0x06, m1);  // another profile: not counted
    AssignMacro(db_, 1, 0, 0x07, m2);
    KeyAssignment notMacro;
    notMacro.profile = 1;
    notMacro.key_code = 0x08;
    notMacro.macro_type = 2;
    notMacro.macro_value = m2;
    db_.SaveKeyAssignment(notMacro);

    std::map<int, int> counts = db_.UpdateMacroLinkCounts(1);
    EXPECT_EQ(counts, (std::map<int, int>{{m1, 2}, {m2, 1}}));
    Macro macro;
    ASSERT_TRUE(db_.GetMacro(m1, macro));
    EXPECT_EQ(macro.link_count, 2);

    // Removing both assignments: the list shows 0, the stored value stays 2.
    KeyAssignment clear;
    clear.profile = 1;
    clear.key_code = 0x04;
    db_.SaveKeyAssignment(clear);
    clear.fn_layer = 1;
    clear.key_code = 0x05;
    db_.SaveKeyAssignment(clear);
    counts = db_.UpdateMacroLinkCounts(1);
    EXPECT_EQ(counts.count(m1), 0u);
    EXPECT_EQ(counts[m2], 1);
    ASSERT_TRUE(db_.GetMacro(m1, macro));
    EXPECT_EQ(macro.link_count, 2);
}

TEST_F(MacroTablesTest, LinkCountingHandlesLargeAndNegativeIds) {
    Macro big;
    big.name = "big";
    for (int i = 0; i < 60; ++i) {
        db_.AddMacro("filler");
    }
    const int id = db_.AddMacro("sixty-first");
    ASSERT_EQ(id, 61);
    AssignMacro(db_, 1, 0, 0x04, id);
    AssignMacro(db_, 1, 0, 0x05, id);
    AssignMacro(db_, 1, 0, 0x06, -5);
    AssignMacro(db_, 1, 0, 0x07, 1 << 30);
    const std::map<int, int> counts = db_.UpdateMacroLinkCounts(1);
    EXPECT_EQ(counts, (std::map<int, int>{{-5, 1}, {id, 2}, {1 << 30, 1}}));
    Macro read;
    ASSERT_TRUE(db_.GetMacro(id, read));
    EXPECT_EQ(read.link_count, 2);
}

TEST_F(MacroTablesTest, DeletingAMissingMacroSucceedsAndTouchesNothingElse) {
    const int id = db_.AddMacro("kept");
    db_.AddMacroSteps({Step(id, 0, 2, 65, 0, "a")});
    EXPECT_TRUE(db_.DeleteMacro(id + 10));
    EXPECT_EQ(db_.CountAllMacroSteps(), 1);
}

}  // namespace
}  // namespace vantora
