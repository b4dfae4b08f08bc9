// libFuzzer target: imports arbitrary bytes as a macro exchange file into a
// database that already holds a macro with records. Any crash, hang or
// sanitizer report is a finding, and so is a failed import that leaves a
// macro or a record behind, a made macro whose records pass the 1000-record
// space, or a result that does not say why it failed.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "db/profile_database.h"
#include "macros/macro_exchange.h"

namespace {

std::string runFolder;  // removed again when the run ends

vantora::ProfileDatabase& Database() {
    static vantora::ProfileDatabase* db = [] {
        // A RAM-backed folder when there is one: every import writes.
        const std::filesystem::path base =
            std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
        runFolder = (base / ("vantora-macro-import-fuzz-" + std::to_string(::getpid()))).string() + "/";
        std::filesystem::create_directories(runFolder + "db");
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(runFolder, ignored);
        });
        auto* opened = new vantora::ProfileDatabase;
        if (!opened->OpenProfileDatabase(runFolder, "fuzz")) {
            std::abort();
        }
        // 990 records in use: files of more than 10 records are refused.
        const int id = opened->AddMacro("Kept");
        std::vector<vantora::MacroStep> steps(990);
        for (std::size_t i = 0; i < steps.size(); ++i) {
            steps[i].macro_id = id;
            steps[i].type = 2 + static_cast<int>(i % 2);
            steps[i].record_index = static_cast<int>(i);
            steps[i].value = 65;
            steps[i].desc = "A";
        }
        opened->AddMacroSteps(steps);
        return opened;
    }();
    return *db;
}

int MacroCount(vantora::ProfileDatabase& db) {
    std::vector<vantora::Macro> list;
    return db.ListMacros(list);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vantora::ProfileDatabase& db = Database();
    const int macros = MacroCount(db);
    const int records = db.CountAllMacroSteps();
    const vantora::MacroImportResult result =
        vantora::ImportMacroBytes(db, std::string_view(reinterpret_cast<const char*>(data), size));
    if (result.macroId == 0) {
        if (result.status == vantora::MacroImportStatus::kOk || result.error.empty() ||
            MacroCount(db) != macros || db.CountAllMacroSteps() != records) {
            std::abort();  // a failed import leaves nothing and says why
        }
        return 0;
    }
    if (result.status != vantora::MacroImportStatus::kOk || MacroCount(db) != macros + 1 ||
        db.CountAllMacroSteps() > vantora::kMacroRecordSpace) {
        std::abort();
    }
    db.DeleteMacro(result.macroId);  // keep the database as it was
    return 0;
}
