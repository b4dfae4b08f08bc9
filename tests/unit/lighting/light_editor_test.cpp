#include "lighting/light_editor.h"

#include <sqlite3.h>

#include "lighting/light_catalogue.h"
#include "lighting_fixture.h"

namespace vantora {
namespace {

constexpr LightJobs kSettings{.keyColours = false, .settings = true};
constexpr LightJobs kKeyColours{.keyColours = true, .settings = false};
constexpr LightJobs kBoth{.keyColours = true, .settings = true};
constexpr LightJobs kNone{};

class LightEditorTest : public test::LightingTest {
protected:
    void SetUp() override {
        test::LightingTest::SetUp();
        ASSERT_TRUE(EnsureLightModes(db, true, 1033).has_value());
    }
    LightingEditor editor{db, selection};
};

TEST_F(LightEditorTest, ParameterChangesAreClampedStoredAndDownloaded) {
    EXPECT_EQ(editor.ChooseMode(6), kSettings);  // Rainbow
    EXPECT_EQ(selection.lightMode.load(), 6);
    EXPECT_EQ(CurrentModes(), std::vector<int>{6});

    EXPECT_EQ(editor.SetBrightness(150), kSettings);
    EXPECT_EQ(Row(6).brightness, 100);
    editor.SetBrightness(-3);
    EXPECT_EQ(Row(6).brightness, 0);
    EXPECT_EQ(editor.SetSpeed(7), kSettings);
    EXPECT_EQ(Row(6).speed, 4);
    editor.SetSpeed(1);
    EXPECT_EQ(Row(6).speed, 1);
    EXPECT_EQ(editor.SetDirection(DirectionButton::kLeft), kSettings);
    EXPECT_EQ(Row(6).direction, 1);
    editor.SetDirection(DirectionButton::kRight);
    EXPECT_EQ(Row(6).direction, 0);
    editor.SetDirection(DirectionButton::kUp);
    EXPECT_EQ(Row(6).direction, 1);
    editor.SetDirection(DirectionButton::kDown);
    EXPECT_EQ(Row(6).direction, 0);
    EXPECT_EQ(editor.SetColourful(false), kSettings);
    EXPECT_EQ(Row(6).colorful, 0);
    EXPECT_EQ(editor.SetColour(PackColour(255, 0, 0)), kSettings);
    EXPECT_EQ(Row(6).color_value, 255);
    // Other rows are untouched.
    EXPECT_EQ(Row(1).brightness, 100);
    EXPECT_EQ(Row(1).color_value, 0xEDE338);
}

TEST_F(LightEditorTest, WithoutARowForTheCurrentModeNothingIsStoredOrDownloaded) {
    selection.lightMode = 42;
    EXPECT_EQ(editor.SetBrightness(10), kNone);
    EXPECT_EQ(editor.SetSpeed(1), kNone);
    EXPECT_EQ(editor.SetDirection(DirectionButton::kLeft), kNone);
    EXPECT_EQ(editor.SetColourful(false), kNone);
    EXPECT_EQ(editor.SetColour(0xFF), kNone);
    EXPECT_FALSE(editor.CurrentRow().has_value());
    // A chosen mode without a row changes nothing, the download still runs.
    selection.lightMode = 2;
    db.SetActiveLightMode(1, 2);
    EXPECT_EQ(editor.ChooseMode(42), kSettings);
    EXPECT_EQ(selection.lightMode.load(), 2);
    EXPECT_EQ(CurrentModes(), std::vector<int>{2});
}

// While another program holds a write transaction on the file, no change is
// stored, none is downloaded, and each says it was refused.
TEST_F(LightEditorTest, ChangesTheDatabaseRefusesAreSaidAndNotDownloaded) {
    ASSERT_EQ(editor.ChooseMode(6), kSettings);
    const LightMode before = Row(6);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(db.DatabasePath().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    constexpr LightJobs kRefused{.keyColours = false, .settings = false, .refused = true};
    EXPECT_EQ(editor.SetBrightness(10), kRefused);
    EXPECT_EQ(editor.SetDirection(DirectionButton::kLeft), kRefused);
    EXPECT_EQ(editor.SetColour(0xFF), kRefused);
    EXPECT_EQ(editor.ChooseMode(12), kRefused);
    EXPECT_EQ(editor.SaveKeyColours({{4, 0xFF}}), kRefused);
    EXPECT_EQ(selection.lightMode.load(), 6);
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(Row(6).brightness, before.brightness);
    EXPECT_EQ(CurrentModes(), std::vector<int>{6});
}

TEST_F(LightEditorTest, ThePerKeyModeDownloadsItsColourTableFirst) {
    EXPECT_EQ(editor.ChooseMode(0), kBoth);
    EXPECT_EQ(selection.lightMode.load(), 0);
    EXPECT_EQ(editor.SetBrightness(40), kSettings);
    EXPECT_EQ(Row(0).brightness, 40);
    EXPECT_EQ(editor.SetDirection(DirectionButton::kLeft), kKeyColours);
    // Its colour is the key map's, not the row's.
    EXPECT_EQ(editor.SetColour(0xFF), kNone);
    EXPECT_EQ(Row(0).color_value, 0xEDE338);

    EXPECT_EQ(editor.SaveKeyColours({{4, 0xFF}, {5, 0xFF00}, {0xE3, 0x1FF0000}}), kKeyColours);
    const std::vector<KeyColourValue> keys = editor.KeyColours();
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].code, 4);
    EXPECT_EQ(keys[1].colour, 0xFF00u);
    EXPECT_EQ(keys[2].colour, 0xFF0000u);
    std::vector<KeyColour> rows;
    db.ListKeyColours(0, rows);
    EXPECT_EQ(rows.front().profile, 1);
    // Saved again: one set, the new one.
    editor.SaveKeyColours({{6, 1}});
    ASSERT_EQ(editor.KeyColours().size(), 1u);
    EXPECT_EQ(editor.KeyColours().front().code, 6);
}

}  // namespace
}  // namespace vantora
