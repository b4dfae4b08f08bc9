// libFuzzer target: imports arbitrary bytes as a profile exchange file into a
// database that holds a macro and host-side rows. Any crash, hang or sanitizer
// report is a finding, and so is a failed import that leaves a profile behind
// or a made profile with more rows than the file could give.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "db/profile_database.h"
#include "keys/profile_exchange.h"

namespace {

std::string runFolder;  // removed again when the run ends

vantora::ProfileDatabase& Database() {
    static vantora::ProfileDatabase* db = [] {
        // A RAM-backed folder when there is one: every import writes.
        const std::filesystem::path base =
            std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
        runFolder = (base / ("vantora-import-fuzz-" + std::to_string(::getpid()))).string() + "/";
        std::filesystem::create_directories(runFolder + "db");
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(runFolder, ignored);
        });
        auto* opened = new vantora::ProfileDatabase;
        if (!opened->OpenProfileDatabase(runFolder, "fuzz")) {
            std::abort();
        }
        opened->AddProfile("Profile 1");
        opened->AddMacro("Combo");
        opened->AddOtherData("calc.exe", "/usr/bin/calc", 8);
        opened->AddOtherData("https://example.org", "", 9);
        opened->AddOtherData("hello", "", 10);
        return opened;
    }();
    return *db;
}

std::size_t ProfileCount(vantora::ProfileDatabase& db) {
    std::vector<vantora::ProfileItem> list;
    return static_cast<std::size_t>(db.ListProfiles(list));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vantora::ProfileDatabase& db = Database();
    const std::size_t before = ProfileCount(db);
    const vantora::ImportResult result =
        vantora::ImportProfileBytes(db, std::string_view(reinterpret_cast<const char*>(data), size));
    if (result.profileId == 0) {
        if (ProfileCount(db) != before || result.error.empty()) {
            std::abort();  // a failed import leaves nothing and says why
        }
        return 0;
    }
    std::vector<vantora::KeyAssignment> rows;
    if (static_cast<std::size_t>(db.ListAllKeyAssignments(result.profileId, rows)) >
            vantora::kMaxExchangeItems ||
        ProfileCount(db) != before + 1) {
        std::abort();
    }
    db.DeleteProfile(result.profileId);  // keep the database small
    for (vantora::KeyAssignment row : rows) {
        row.macro_value = 0;
        db.SaveKeyAssignment(row);
    }
    return 0;
}
