#include "keys/profile_editor.h"

#include <gtest/gtest.h>

#include "keys_fixture.h"

namespace vantora {
namespace {

using Result = ProfileEditor::Result;

class ProfileEditorTest : public test::FirstStartDatabaseTest {
protected:
    ProfileEditor editor{db, selection};
};

TEST_F(ProfileEditorTest, AddMakesTheNewProfileActiveAndCurrent) {
    EXPECT_EQ(editor.NextDefaultName("Profile"), "Profile 4");
    int id = 0;
    EXPECT_EQ(editor.Add("Spiel 🎮", id), Result::kDone);
    EXPECT_EQ(id, 4);
    EXPECT_EQ(db.GetActiveProfile(), 4);
    EXPECT_EQ(selection.profile.load(), 4);
    EXPECT_EQ(editor.Add(" \t", id), Result::kRefused);
    EXPECT_EQ(id, 0);
    EXPECT_EQ(editor.List().size(), 4u);
}

TEST_F(ProfileEditorTest, SelectAndRenameKnowOnlyExistingProfiles) {
    EXPECT_EQ(editor.Select(3), Result::kDone);
    EXPECT_EQ(db.GetActiveProfile(), 3);
    EXPECT_EQ(selection.profile.load(), 3);
    EXPECT_EQ(editor.Select(9), Result::kNotFound);
    EXPECT_EQ(db.GetActiveProfile(), 3);
    EXPECT_EQ(editor.Rename(2, "Work"), Result::kDone);
    EXPECT_EQ(editor.List()[1].name, "Work");
    EXPECT_EQ(editor.Rename(2, ""), Result::kRefused);
    EXPECT_EQ(editor.Rename(0, "x"), Result::kNotFound);
    EXPECT_EQ(editor.List()[1].name, "Work");
}

TEST_F(ProfileEditorTest, DeletingTheActiveProfileActivatesItsNeighbour) {
    ASSERT_EQ(editor.Select(2), Result::kDone);
    EXPECT_EQ(editor.Delete(2), Result::kDone);
    EXPECT_EQ(db.GetActiveProfile(), 1);  // the one listed before
    EXPECT_EQ(selection.profile.load(), 1);
    EXPECT_EQ(editor.Delete(1), Result::kDone);
    EXPECT_EQ(db.GetActiveProfile(), 3);            // the first went: the new first
    EXPECT_EQ(editor.Delete(3), Result::kRefused);  // the last one stays
    EXPECT_EQ(editor.Delete(7), Result::kNotFound);
    EXPECT_EQ(editor.List().size(), 1u);
}

TEST_F(ProfileEditorTest, DeletingAnotherProfileKeepsTheActiveOne) {
    ASSERT_EQ(editor.Select(3), Result::kDone);
    EXPECT_EQ(editor.Delete(1), Result::kDone);
    EXPECT_EQ(db.GetActiveProfile(), 3);
    EXPECT_EQ(selection.profile.load(), 3);
}

}  // namespace
}  // namespace vantora
