#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "db/profile_database.h"
#include "db/selection.h"
#include "support/temp_dir.h"

namespace vantora::test {

// A database in a temporary folder with the first-start profiles ("Profile
// 1" to "Profile 3", the first active) and a selection to edit with.
class FirstStartDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(dir.path() + "db");
        ASSERT_TRUE(db.OpenProfileDatabase(dir.path(), "kb"));
        std::vector<ProfileItem> list;
        db.ListProfilesCreatingDefaults(list, "Profile");
    }

    TempDir dir;
    ProfileDatabase db;
    Selection selection;
};

}  // namespace vantora::test
