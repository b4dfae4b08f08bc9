#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>

#include "db/profile_database.h"
#include "device/hid_device_manager.h"
#include "recording_keyboard.h"
#include "support/fake_clock.h"
#include "support/temp_dir.h"
#include "sync/device_downloads.h"

namespace vantora::test {

// A profile database in a temporary folder, the recording keyboard opened
// through the real HidDeviceManager, and virtual time.
class SyncFixture : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(dir.path() + "db");
        ASSERT_TRUE(db.OpenProfileDatabase(dir.path(), "kb"));
        std::vector<ProfileItem> profiles;
        db.ListProfilesCreatingDefaults(profiles, "Profile");
        selection.profile = db.GetActiveProfile();
        manager.AddDeviceFilter(RecordingKeyboard::kVendorId, RecordingKeyboard::kProductId, "", 2);
        Connect();
    }

    void Connect() {
        ASSERT_TRUE(manager.OpenDevices());
        manager.SetOpenFlag(true);
        deviceIndex = 0;
    }
    void Disconnect() {
        manager.CloseDevices();
        deviceIndex = -1;
    }

    SyncContext Context() { return ContextWith(clock); }
    SyncContext ContextWith(Clock& c) {
        return SyncContext{db, manager, c, layoutCodeToIndex, layoutIndexToCode, selection, deviceIndex};
    }

    int Assign(int layer, int code, int type, int value, int value2 = 0) {
        KeyAssignment row;
        row.profile = selection.profile.load();
        row.fn_layer = layer;
        row.key_code = code;
        row.macro_type = type;
        row.macro_value = value;
        row.macro_value2 = value2;
        return db.SaveKeyAssignment(row);
    }
    std::vector<KeyAssignment> Rows(int layer) {
        std::vector<KeyAssignment> rows;
        db.ListKeyAssignments(selection.profile.load(), layer, rows);
        return rows;
    }
    int AddMacro(const std::vector<std::pair<int, int>>& typeValues, int delay = 10) {
        const int id = db.AddMacro("m");
        std::vector<MacroStep> steps;
        int index = 0;
        for (const auto& [type, value] : typeValues) {
            MacroStep step;
            step.macro_id = id;
            step.type = type;
            step.value = value;
            step.record_index = index++;
            step.delay_time = delay;
            steps.push_back(step);
        }
        db.AddMacroSteps(steps);
        return id;
    }

    TempDir dir;
    ProfileDatabase db;
    RecordingKeyboard keyboard;
    RecordingKeyboardBackend backend{keyboard};
    FakeClock clock;
    HidDeviceManager manager{backend, clock};
    std::map<int, int> layoutCodeToIndex;
    std::map<int, int> layoutIndexToCode;
    Selection selection;
    std::atomic<int> deviceIndex{-1};
};

}  // namespace vantora::test
