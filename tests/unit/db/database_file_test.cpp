#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "db/profile_database.h"
#include "db_fixture.h"
#include "i18n/strings.h"
#include "support/temp_dir.h"

namespace vantora {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class DatabaseFileTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(dir_.path() + "db"); }

    // Opens a new database object on the temporary data folder, counting the
    // schema statements it runs.
    bool Open(ProfileDatabase& db) {
        creates_ = 0;
        db.SetStatementObserver([this](const char* sql) {
            if (std::string(sql).rfind("CREATE ", 0) == 0) {
                ++creates_;
            }
        });
        return db.OpenProfileDatabase(dir_.path(), "kb_data");
    }
    std::string DbFile() const { return dir_.path() + "db/kb_data_data.db"; }
    std::string BackupFile() const { return dir_.path() + "db/data_bak.db"; }

    test::TempDir dir_;
    int creates_ = 0;
};

TEST_F(DatabaseFileTest, FirstStartCreatesEveryTableAndABackupCopy) {
    ProfileDatabase db;
    ASSERT_TRUE(Open(db));
    EXPECT_EQ(db.DatabasePath(), DbFile());
    EXPECT_EQ(db.BackupPath(), BackupFile());
    EXPECT_EQ(creates_, 17);
    EXPECT_EQ(ProfileDatabase::SchemaStatements().size(), 17u);
    EXPECT_EQ(test::QueryIntOnFile(DbFile(),
                                   "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND "
                                   "name LIKE 't_%'"),
              9);
    EXPECT_EQ(test::QueryIntOnFile(DbFile(),
                                   "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND "
                                   "name NOT LIKE 'sqlite_%'"),
              8);
    ASSERT_TRUE(fs::exists(BackupFile()));
    EXPECT_EQ(test::QueryIntOnFile(BackupFile(),
                                   "SELECT count(*) FROM sqlite_master WHERE name NOT LIKE 'sqlite_%'"),
              17);
}

TEST_F(DatabaseFileTest, SecondStartRunsNoSchemaStatementAndKeepsTheBackup) {
    {
        ProfileDatabase first;
        ASSERT_TRUE(Open(first));
        first.AddProfile("kept");
    }
    const std::string backup = ReadAll(BackupFile());
    ProfileDatabase second;
    ASSERT_TRUE(Open(second));
    EXPECT_EQ(creates_, 0);
    EXPECT_EQ(ReadAll(BackupFile()), backup);
    EXPECT_EQ(test::QueryIntOnFile(BackupFile(), "SELECT count(*) FROM t_profile_data"), 0);
    std::vector<ProfileItem> profiles;
    ASSERT_EQ(second.ListProfiles(profiles), 1);
    EXPECT_EQ(profiles[0].name, "kept");
}

// The snapshot holds what is committed, also while it is still in the
// write-ahead log of a connection that is open.
TEST_F(DatabaseFileTest, DeletedBackupIsTakenAgainFromTheCurrentDatabase) {
    ProfileDatabase first;
    ASSERT_TRUE(Open(first));
    first.AddProfile("later");
    fs::remove(BackupFile());
    ProfileDatabase second;
    ASSERT_TRUE(Open(second));
    ASSERT_TRUE(fs::exists(BackupFile()));
    EXPECT_EQ(test::QueryIntOnFile(BackupFile(), "SELECT count(*) FROM t_profile_data"), 1);
}

TEST_F(DatabaseFileTest, OpeningTwiceOnOneObjectKeepsTheConnection) {
    ProfileDatabase db;
    ASSERT_TRUE(Open(db));
    EXPECT_EQ(db.AddProfile("a"), 1);
    EXPECT_TRUE(db.OpenProfileDatabase(dir_.path(), "kb_data"));
    EXPECT_EQ(db.AddProfile("b"), 2);
}

TEST_F(DatabaseFileTest, FolderWithoutTrailingSlashNamesTheSameFile) {
    ProfileDatabase db;
    std::string folder = dir_.path();
    folder.pop_back();
    ASSERT_TRUE(db.OpenProfileDatabase(folder, "kb_data"));
    EXPECT_EQ(db.DatabasePath(), DbFile());
}

TEST_F(DatabaseFileTest, FactoryResetEmptiesEveryTableAndRestartsIds) {
    ProfileDatabase db;
    ASSERT_TRUE(Open(db));
    std::vector<ProfileItem> profiles;
    ASSERT_EQ(db.ListProfilesCreatingDefaults(profiles, "Profile"), 3);
    db.AddOtherData("https://example.org", "", 9);
    db.AddMacroSteps({MacroStep{0, db.AddMacro("m"), 2, 0, 65, 10, "A"}});
    db.AddKeyColours({KeyColour{0, 1, 0, 4, 255}});
    db.AddMusicLayer("music");
    LightMode mode;
    mode.profile = 1;
    mode.mode = 1;
    db.AddLightMode(mode);
    KeyAssignment key;
    key.profile = 1;
    key.key_code = 4;
    key.macro_type = 2;
    key.macro_value = 5;
    db.SaveKeyAssignment(key);

    EXPECT_TRUE(db.ResetProfileDatabase(dir_.path(), "kb_data"));

    for (const char* table :
         {"t_config_data", "t_profile_data", "t_key_macro_data", "t_key_otherdata", "t_light_data",
          "t_key_light_data", "t_macro_data", "t_macrorecord", "t_musiclayer_data", "sqlite_sequence"}) {
        EXPECT_EQ(test::QueryIntOnFile(DbFile(), std::string("SELECT count(*) FROM ") + table), 0) << table;
    }
    EXPECT_TRUE(fs::exists(BackupFile()));
    EXPECT_EQ(db.AddProfile("again"), 1);
    EXPECT_EQ(db.AddMusicLayer("music"), 1);
    EXPECT_EQ(db.AddLightMode(mode), 1);
    EXPECT_EQ(db.AddOtherData("x", "", 10), 1);
}

// The wipe is one change: when one table cannot be emptied, none is.
TEST_F(DatabaseFileTest, AResetThatCannotFinishDeletesNothing) {
    ProfileDatabase db;
    ASSERT_TRUE(Open(db));
    std::vector<ProfileItem> profiles;
    ASSERT_EQ(db.ListProfilesCreatingDefaults(profiles, "Profile"), 3);
    ASSERT_TRUE(db.AddMacroSteps({MacroStep{0, db.AddMacro("m"), 2, 0, 65, 10, "A"}}));
    ASSERT_TRUE(test::ExecOnFile(DbFile(),
                                 "CREATE TRIGGER keep BEFORE DELETE ON t_macrorecord BEGIN SELECT "
                                 "RAISE(ABORT, 'kept'); END"));
    EXPECT_FALSE(db.ResetProfileDatabase(dir_.path(), "kb_data"));
    EXPECT_EQ(test::QueryIntOnFile(DbFile(), "SELECT count(*) FROM t_profile_data"), 3);
    EXPECT_EQ(test::QueryIntOnFile(DbFile(), "SELECT count(*) FROM t_config_data"), 9);
    EXPECT_EQ(test::QueryIntOnFile(DbFile(), "SELECT count(*) FROM t_macro_data"), 1);
    EXPECT_EQ(test::QueryIntOnFile(DbFile(), "SELECT count(*) FROM t_macrorecord"), 1);
}

TEST_F(DatabaseFileTest, ResetOnAFreshObjectOpensTheFileFirst) {
    {
        ProfileDatabase first;
        ASSERT_TRUE(Open(first));
        first.AddProfile("a");
        first.AddProfile("b");
    }
    fs::remove(BackupFile());
    ProfileDatabase db;
    EXPECT_TRUE(db.ResetProfileDatabase(dir_.path(), "kb_data"));
    EXPECT_TRUE(db.IsOpen());
    EXPECT_FALSE(fs::exists(BackupFile()));  // the reset takes no backup
    EXPECT_EQ(db.AddProfile("c"), 1);
}

// ---- Files and folders that cannot serve as the database -----------------

// Checks that every kind of operation fails in its defined way.
void ExpectEveryOperationFailsQuietly(ProfileDatabase& db) {
    std::vector<ProfileItem> profiles{{7, "stale", 0}};
    EXPECT_EQ(db.ListProfiles(profiles), 0);
    EXPECT_TRUE(profiles.empty());
    EXPECT_EQ(db.AddProfile("x"), 0);
    EXPECT_FALSE(db.RenameProfile(1, "y"));
    EXPECT_FALSE(db.DeleteProfile(1));
    EXPECT_FALSE(db.SetActiveProfile(1));
    EXPECT_EQ(db.GetActiveProfile(), 0);
    std::string value = "untouched";
    EXPECT_FALSE(db.GetConfig("disable_win", value));
    EXPECT_EQ(value, "0");
    EXPECT_FALSE(db.SetConfig("disable_win", "1"));
    db.InsertDefaultConfig();

    KeyAssignment key;
    key.profile = 1;
    key.key_code = 4;
    key.macro_value = 5;
    EXPECT_EQ(db.SaveKeyAssignment(key), 0);
    KeyAssignment read;
    read.key_id = 99;
    EXPECT_FALSE(db.GetKeyAssignment(1, 0, 4, read));
    EXPECT_EQ(read.key_id, 99);
    std::vector<KeyAssignment> keys(2);
    EXPECT_EQ(db.ListKeyAssignments(1, 0, keys), 0);
    EXPECT_TRUE(keys.empty());
    EXPECT_EQ(db.ListAllKeyAssignments(1, keys), 0);
    EXPECT_EQ(db.AddOtherData("a", "b", 8), 0);
    std::string desc, param;
    int type = 0;
    EXPECT_TRUE(db.GetOtherData(1, desc, param, type));
    EXPECT_EQ(desc, "");
    EXPECT_EQ(type, 0);

    LightMode mode;
    EXPECT_EQ(db.CountLightModes(1), 0);
    EXPECT_EQ(db.AddLightMode(mode), 0);
    EXPECT_FALSE(db.UpdateLightMode(1, mode));
    EXPECT_FALSE(db.SetActiveLightMode(1, 1));
    EXPECT_EQ(db.GetActiveLightMode(), 0);
    EXPECT_FALSE(db.GetLightMode(1, mode));
    std::vector<LightMode> modes(1);
    EXPECT_EQ(db.ListLightModes(modes), 0);
    EXPECT_TRUE(modes.empty());
    EXPECT_EQ(db.AddKeyColours({KeyColour{0, 1, 0, 4, 255}, KeyColour{0, 1, 0, 5, 255}}), 0);
    EXPECT_FALSE(db.DeleteKeyColours(0));
    std::vector<KeyColour> colours(1);
    EXPECT_EQ(db.ListKeyColours(0, colours), 0);
    EXPECT_EQ(db.CountMusicLayers(), 0);
    EXPECT_EQ(db.AddMusicLayer("m"), 0);
    MusicLayer layer;
    EXPECT_FALSE(db.GetMusicLayer(1, layer));
    EXPECT_FALSE(db.UpdateMusicLayer(1, layer));

    EXPECT_EQ(db.AddMacro("m"), 0);
    EXPECT_EQ(db.AddMacroWithSettings(Macro{}), 0);
    EXPECT_FALSE(db.RenameMacro(1, "n"));
    EXPECT_FALSE(db.SetMacroLinkCount(1, 2));
    EXPECT_FALSE(db.DeleteMacro(1));
    Macro macro;
    EXPECT_FALSE(db.GetMacro(1, macro));
    std::vector<Macro> macros(1);
    EXPECT_EQ(db.ListMacros(macros), 0);
    db.AddMacroSteps({MacroStep{}});
    std::vector<MacroStep> steps(1);
    EXPECT_EQ(db.ListMacroSteps(1, steps), 0);
    EXPECT_FALSE(db.DeleteMacroSteps(1));
    EXPECT_EQ(db.CountAllMacroSteps(), 0);
    EXPECT_TRUE(db.UpdateMacroLinkCounts(1).empty());

    std::vector<ProfileItem> defaults;
    EXPECT_EQ(db.ListProfilesCreatingDefaults(defaults, "Profile"), 0);
    db.WipeAllTables();
}

TEST_F(DatabaseFileTest, MissingDataFolderLeavesNoConnection) {
    ProfileDatabase db;
    EXPECT_FALSE(db.OpenProfileDatabase(dir_.path() + "nowhere/", "kb_data"));
    EXPECT_FALSE(db.IsOpen());
    EXPECT_FALSE(fs::exists(dir_.path() + "nowhere"));
    ExpectEveryOperationFailsQuietly(db);
    db.ResetProfileDatabase(dir_.path() + "nowhere/", "kb_data");
    EXPECT_FALSE(db.IsOpen());
}

TEST_F(DatabaseFileTest, AFileWhereTheDbFolderShouldBeLeavesNoConnection) {
    test::TempDir other;
    other.WriteFile("db", "not a folder");
    ProfileDatabase db;
    EXPECT_FALSE(db.OpenProfileDatabase(other.path(), "kb_data"));
    EXPECT_FALSE(db.IsOpen());
    ExpectEveryOperationFailsQuietly(db);
}

// An empty file is an empty database (a first start that stopped after
// making the file, or another program's start still at it): it gets the tables.
TEST_F(DatabaseFileTest, AnEmptyFileGetsTheTables) {
    dir_.WriteFile("db/kb_data_data.db", "");
    ProfileDatabase db;
    EXPECT_TRUE(Open(db));
    EXPECT_EQ(creates_, 17);
    EXPECT_GT(db.AddProfile("p"), 0);
    EXPECT_EQ(test::QueryIntOnFile(DbFile(),
                                   "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND "
                                   "name LIKE 't_%'"),
              9);
    EXPECT_TRUE(fs::exists(BackupFile()));
}

TEST_F(DatabaseFileTest, FileThatIsNotADatabaseIsNeitherRepairedNorReplaced) {
    const std::string junk = "this is a text file, not a database\n" + std::string(5000, 'x');
    dir_.WriteFile("db/kb_data_data.db", junk);
    ProfileDatabase db;
    EXPECT_TRUE(Open(db));
    EXPECT_EQ(creates_, 0);
    ExpectEveryOperationFailsQuietly(db);
    EXPECT_EQ(ReadAll(DbFile()), junk);
    // No backup existed, so the damaged file was copied as the backup.
    EXPECT_EQ(ReadAll(BackupFile()), junk);
}

TEST_F(DatabaseFileTest, ExistingFileWithOtherTablesIsUsedAsItIs) {
    {
        SQLiteDB raw;
        ASSERT_TRUE(raw.Open(DbFile().c_str(), kOpenCreate));
        // An older layout: t_profile_data without the status column, and
        // t_config_data missing altogether.
        ASSERT_EQ(raw.Execute("CREATE TABLE t_profile_data(profile INTEGER PRIMARY KEY AUTOINCREMENT, name "
                              "TEXT)"),
                  kSqliteOk);
        ASSERT_EQ(raw.Execute("INSERT INTO t_profile_data(name) VALUES ('old')"), kSqliteOk);
        ASSERT_EQ(raw.Execute("CREATE TABLE t_macro_data(macro_id INTEGER PRIMARY KEY, name TEXT)"),
                  kSqliteOk);
        ASSERT_EQ(raw.Execute("INSERT INTO t_macro_data VALUES (3, 'short')"), kSqliteOk);
    }
    ProfileDatabase db;
    ASSERT_TRUE(Open(db));
    EXPECT_EQ(creates_, 0);
    // Statements that name the missing column or table fail...
    EXPECT_EQ(db.AddProfile("new"), 0);
    EXPECT_FALSE(db.SetActiveProfile(1));
    EXPECT_EQ(db.GetActiveProfile(), 0);
    std::string value;
    EXPECT_FALSE(db.GetConfig("version", value));
    EXPECT_EQ(value, "0");
    EXPECT_EQ(db.AddMacro("m"), 0);
    // ...while those that fit still work, reading the columns that exist.
    std::vector<ProfileItem> profiles;
    ASSERT_EQ(db.ListProfiles(profiles), 1);
    EXPECT_EQ(profiles[0].name, "old");
    EXPECT_EQ(profiles[0].status, 0);
    EXPECT_TRUE(db.RenameProfile(1, "renamed"));
    // A row with fewer columns than the reader expects: missing ones read as 0 / "".
    std::vector<Macro> macros;
    ASSERT_EQ(db.ListMacros(macros), 1);
    EXPECT_EQ(macros[0].macro_id, 3);
    EXPECT_EQ(macros[0].play_times, 0);  // column 1 holds the name as text
    EXPECT_EQ(macros[0].name, "");
    EXPECT_EQ(test::QueryIntOnFile(
                  DbFile(), "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name LIKE 't_%'"),
              2);
}

// ---- Who may read it --------------------------------------------------------

unsigned Mode(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

TEST_F(DatabaseFileTest, ANewDatabaseItsLogAndItsBackupAreForTheOwnerAlone) {
    const mode_t mask = ::umask(022);
    ProfileDatabase db;
    ASSERT_TRUE(Open(db));
    ::umask(mask);
    ASSERT_GT(db.AddProfile("p"), 0);
    for (const std::string& file : {DbFile(), DbFile() + "-wal", DbFile() + "-shm", BackupFile()}) {
        EXPECT_EQ(Mode(file), 0600u) << file;
    }
}

// Files of an older version (0644) lose the group's and others' access when
// opened; a backup that is a symbolic link is neither followed nor changed.
TEST_F(DatabaseFileTest, FilesOthersCouldReadAreMadePrivateButALinkIsLeftAlone) {
    {
        ProfileDatabase first;
        ASSERT_TRUE(Open(first));
    }
    const std::string elsewhere = dir_.WriteFile("elsewhere.db", "someone else's");
    ::chmod(elsewhere.c_str(), 0644);
    fs::remove(BackupFile());
    fs::create_symlink(elsewhere, BackupFile());
    ::chmod(DbFile().c_str(), 0644);
    ProfileDatabase db;
    ASSERT_TRUE(Open(db));
    ASSERT_GT(db.AddProfile("p"), 0);
    EXPECT_EQ(Mode(DbFile()), 0600u);
    EXPECT_EQ(Mode(DbFile() + "-wal"), 0600u);
    EXPECT_EQ(Mode(elsewhere), 0644u);
    EXPECT_EQ(ReadAll(elsewhere), "someone else's");
}

}  // namespace
}  // namespace vantora
