// The profile database file going wrong under a running program: read-only,
// deleted, overwritten with garbage, locked by another writer, on a full
// disk. The user's edits (through the editors the pages and the command line
// use) each end in a defined result at once, a refused edit leaves nothing
// half-written, and once the fault clears the same database object goes on.
#include <sqlite3.h>
#include <sys/mount.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "db/profile_database.h"
#include "db/selection.h"
#include "keys/profile_editor.h"
#include "macros/macro_editor.h"
#include "support/temp_dir.h"

namespace vantora {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What the user sees of the file, read on a connection of its own: profile
// names, macro names and each macro's record count. Empty when unreadable.
// A file on a read-only disk is read as immutable (its log cannot be opened).
std::string Contents(const std::string& path, bool immutable = false) {
    sqlite3* db = nullptr;
    std::string text;
    const std::string name = immutable ? "file:" + path + "?immutable=1" : path;
    if (sqlite3_open_v2(name.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) == SQLITE_OK) {
        const char* sql =
            "SELECT 'profile ' || name FROM t_profile_data UNION ALL "
            "SELECT 'macro ' || name || ' ' || (SELECT count(*) FROM t_macrorecord r "
            "WHERE r.macro_id = m.macro_id) FROM t_macro_data m";
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK) {
            while (sqlite3_step(statement) == SQLITE_ROW) {
                text += reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
                text += '\n';
            }
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return text;
}

std::vector<MacroStep> Steps(int count) {
    std::vector<MacroStep> steps(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        steps[static_cast<std::size_t>(i)] = {
            .type = 2 + i % 2, .value = 4 + i % 20, .delay_time = 10, .desc = "step " + std::to_string(i)};
    }
    return steps;
}

// A tmpfs of its own for the faults a plain folder cannot give (a full
// disk; a read-only file for root, who writes through file modes).
class SmallDisk {
public:
    explicit SmallDisk(const std::string& folder) : folder_(folder) {
        mounted_ = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=640k,mode=0700") == 0;
        if (!mounted_) {
            error_ = std::strerror(errno);
        }
    }
    ~SmallDisk() {
        if (mounted_) {
            ::umount2(folder_.c_str(), MNT_DETACH);
        }
    }
    bool Mounted() const { return mounted_; }
    const std::string& Error() const { return error_; }
    bool SetReadOnly(bool readOnly) {
        const unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
        return ::mount("tmpfs", folder_.c_str(), "tmpfs", flags, "size=640k,mode=0700") == 0;
    }
    // Writes a filler file until the disk takes no more.
    void Fill() {
        std::FILE* filler = std::fopen((folder_ + "/filler").c_str(), "wb");
        const std::string block(4096, 'f');
        while (filler != nullptr && std::fwrite(block.data(), 1, block.size(), filler) == block.size() &&
               std::fflush(filler) == 0) {
        }
        if (filler != nullptr) {
            std::fclose(filler);
        }
    }
    void Free() { fs::remove(folder_ + "/filler"); }

private:
    std::string folder_;
    bool mounted_ = false;
    std::string error_;
};

class DatabaseFaultsTest : public ::testing::Test {
protected:
    // The data folder with a database holding the first-start profiles and
    // one macro of three records; `onSmallDisk` puts it on a tmpfs.
    void Prepare(bool onSmallDisk) {
        folder = dir.path() + "data";
        fs::create_directories(folder);
        if (onSmallDisk) {
            disk = std::make_unique<SmallDisk>(folder);
            if (!disk->Mounted()) {
                GTEST_SKIP() << "no tmpfs can be mounted here (" << disk->Error()
                             << "): the full disk and the read-only file are not tried";
            }
        }
        fs::create_directories(folder + "/db");
        Reopen();
        std::vector<ProfileItem> profiles;
        ASSERT_EQ(db->ListProfilesCreatingDefaults(profiles, "Profile"), 3);
        MacroEditor macros(*db);
        ASSERT_EQ(macros.Add("Macro", macro).result, MacroEditor::Result::kDone);
        ASSERT_EQ(macros.SaveRecords(macro, Steps(3)).result, MacroEditor::Result::kDone);
        before = Contents(db->DatabasePath());
        ASSERT_FALSE(before.empty());
    }
    void Reopen() {
        db.reset();
        db = std::make_unique<ProfileDatabase>();
        ASSERT_TRUE(db->OpenProfileDatabase(folder, "kb_data"));
    }

    struct Results {
        ProfileEditor::Result addProfile;
        MacroEditor::Result renameMacro;
        MacroEditor::Result saveRecords;
    };
    // What a user does on the pages: a new profile, a macro renamed, the
    // macro's records replaced by many more.
    Results Edit(const std::string& tag) {
        ProfileEditor profiles(*db, selection);
        MacroEditor macros(*db);
        int id = 0;
        Results results{};
        results.addProfile = profiles.Add("Added " + tag, id);
        results.renameMacro = macros.Rename(macro, "Renamed " + tag).result;
        results.saveRecords = macros.SaveRecords(macro, Steps(400)).result;
        return results;
    }
    static void ExpectAll(const Results& results, bool done, const char* fault) {
        const auto profile = done ? ProfileEditor::Result::kDone : ProfileEditor::Result::kStoreFailed;
        const auto macro = done ? MacroEditor::Result::kDone : MacroEditor::Result::kStoreFailed;
        EXPECT_EQ(results.addProfile, profile) << fault;
        EXPECT_EQ(results.renameMacro, macro) << fault;
        EXPECT_EQ(results.saveRecords, macro) << fault;
    }

    test::TempDir dir;
    std::string folder;
    std::unique_ptr<SmallDisk> disk;
    std::unique_ptr<ProfileDatabase> db;
    Selection selection;
    int macro = 0;
    std::string before;
};

TEST_F(DatabaseFaultsTest, AFileMadeReadOnlyBeforeTheStartIsReadAndEditsAreRefused) {
    const bool root = ::geteuid() == 0;  // file modes do not stop root
    Prepare(root);
    if (IsSkipped()) {
        return;
    }
    db.reset();
    if (root) {
        ASSERT_TRUE(disk->SetReadOnly(true));
    } else {
        fs::permissions(folder + "/db", fs::perms::owner_read | fs::perms::owner_exec);
        fs::permissions(folder + "/db/kb_data_data.db", fs::perms::owner_read);
    }
    Reopen();
    std::vector<ProfileItem> profiles;
    EXPECT_EQ(db->ListProfiles(profiles), 3);
    ExpectAll(Edit("ro"), false, "read-only");
    EXPECT_EQ(Contents(db->DatabasePath(), true), before);
    if (root) {
        disk->SetReadOnly(false);
    } else {
        fs::permissions(folder + "/db", fs::perms::owner_all);
    }
}

TEST_F(DatabaseFaultsTest, AFileDeletedWhileRunningIsStillReadAndEditsAreRefusedUntilTheNextStart) {
    Prepare(false);
    fs::remove(db->DatabasePath());
    ExpectAll(Edit("gone"), false, "deleted");
    std::vector<ProfileItem> profiles;
    EXPECT_EQ(db->ListProfiles(profiles), 3);  // the open file lives on until the program ends
    EXPECT_EQ(MacroEditor(*db).Records(macro).size(), 3u);
    Reopen();
    EXPECT_EQ(db->ListProfilesCreatingDefaults(profiles, "Profile"), 3);
    EXPECT_EQ(profiles[0].name, "Profile 1");
}

// The open database lives on in the program (its pages in the write-ahead
// log), as with a deleted file: it is read as before, but nothing is written
// to the garbage, not even when the program ends.
TEST_F(DatabaseFaultsTest, AFileOverwrittenWithGarbageRefusesEditsAndIsLeftAsItIs) {
    Prepare(false);
    const std::string garbage = "not a database any more " + std::string(70000, '\x5A');
    std::ofstream(db->DatabasePath(), std::ios::binary | std::ios::trunc) << garbage;
    ExpectAll(Edit("garbage"), false, "garbage");
    std::vector<ProfileItem> profiles;
    EXPECT_EQ(db->ListProfiles(profiles), 3);
    EXPECT_EQ(MacroEditor(*db).Records(macro).size(), 3u);
    const std::string path = db->DatabasePath();
    db.reset();
    EXPECT_EQ(ReadAll(path), garbage);
}

// Each edit waits for the other writer (here a short wait) and is refused,
// as busy, when it does not end in time.
TEST_F(DatabaseFaultsTest, AnotherWritersTransactionRefusesEditsAfterTheWaitUntilItEnds) {
    Prepare(false);
    db->SetBusyTimeout(100);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open_v2(db->DatabasePath().c_str(), &other, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    const auto start = std::chrono::steady_clock::now();
    ExpectAll(Edit("locked"), false, "locked");
    EXPECT_TRUE(db->LastChangeWasBusy());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    std::vector<ProfileItem> profiles;
    EXPECT_EQ(db->ListProfiles(profiles), 3);  // reading goes on
    EXPECT_EQ(Contents(db->DatabasePath()), before);

    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    ExpectAll(Edit("free"), true, "lock released");
    EXPECT_EQ(db->ListProfiles(profiles), 4);
}

TEST_F(DatabaseFaultsTest, AFullDiskRefusesEditsWithoutHalfWritingThemAndTheyWorkOnceThereIsRoom) {
    Prepare(true);
    if (IsSkipped()) {
        return;
    }
    disk->Fill();
    ExpectAll(Edit("full"), false, "disk full");
    EXPECT_EQ(Contents(db->DatabasePath()), before);
    EXPECT_EQ(MacroEditor(*db).Records(macro).size(), 3u);

    disk->Free();
    ExpectAll(Edit("room"), true, "room again");
    EXPECT_EQ(MacroEditor(*db).Records(macro).size(), 400u);
}

}  // namespace
}  // namespace vantora
