#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "db/profile_database.h"
#include "db/selection.h"
#include "support/temp_dir.h"

namespace vantora::test {

// An empty profile database in a temporary folder and a selection.
class LightingTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(dir.path() + "db");
        ASSERT_TRUE(db.OpenProfileDatabase(dir.path(), "kb"));
    }

    std::vector<LightMode> Rows() {
        std::vector<LightMode> rows;
        db.ListLightModes(rows);
        return rows;
    }
    LightMode Row(int mode) {
        LightMode row;
        EXPECT_TRUE(db.GetLightMode(mode, row)) << mode;
        return row;
    }
    std::vector<int> CurrentModes() {
        std::vector<int> modes;
        for (const LightMode& row : Rows()) {
            if (row.status == 1) {
                modes.push_back(row.mode);
            }
        }
        return modes;
    }

    TempDir dir;
    ProfileDatabase db;
    Selection selection;
};

}  // namespace vantora::test
