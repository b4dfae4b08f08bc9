#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "db/records.h"
#include "db/sqlite_db.h"

namespace vantora {

// The one data-access object over the profile database file
// (<data folder>/db/<name>_data.db). Every table operation holds the object's
// lock from prepare to finalize, so the UI thread and the device worker may
// call any operation at any time. The lock is not held across operations:
// a sequence of them is atomic only inside a Transaction.
//
// Results follow one convention: inserts return the new id (0 on failure),
// lists and counts return the number of rows (0 without a usable database),
// updates and deletes return whether the statement ran. Without a connection
// or with a file whose tables do not fit, operations fail this way and never
// crash. Nothing is logged or shown; LastChangeWasBusy() tells a caller whose
// change was refused whether another program kept the database busy.
//
// A change waits BusyTimeoutMs() (a few seconds) for another program's
// write to end before it is refused. The file keeps a write-ahead log and
// every commit is synced to disk. The database file, its log files and the
// backup are readable and writable by their owner alone.
class ProfileDatabase {
public:
    ProfileDatabase();
    ~ProfileDatabase();
    ProfileDatabase(const ProfileDatabase&) = delete;
    ProfileDatabase& operator=(const ProfileDatabase&) = delete;

    // A sequence of operations that is stored as a whole or not at all. It
    // holds the object's lock from construction to its end, so other threads
    // wait and see either nothing of it or all of it; operations of the same
    // thread run inside it. The outermost one takes the file's write lock at
    // once ("BEGIN IMMEDIATE"), waiting for other writers as any write does;
    // nested ones are savepoints of the outer one. Without Commit() (or when
    // it fails) everything done inside is rolled back when it goes away.
    // When it did not begin, the caller does nothing inside: a change made
    // then would be stored on its own.
    class Transaction {
    public:
        explicit Transaction(ProfileDatabase& db);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;

        // Whether it began: false without a connection, when the write lock
        // could not be had within the wait or the file is gone. Commit()
        // then returns false.
        bool Began() const { return began_; }
        // Stores what was done; false (and rolled back) when the database
        // refused, also when it did not begin.
        bool Commit();

    private:
        void Rollback();

        ProfileDatabase& db_;
        std::unique_lock<std::recursive_mutex> hold_;
        std::string savepoint_;  // empty for the outermost
        bool began_ = false;
        bool finished_ = false;
    };

    // ---- The file ---------------------------------------------------------
    // Opens <baseFolder>db/<name>_data.db, creating it (for its owner alone)
    // when it does not exist. A database without any table gets the schema;
    // one with tables is used as it is. Then the database is copied to
    // <baseFolder>db/data_bak.db unless that backup already exists. The
    // files found readable by others are made private. `baseFolder`
    // normally ends in '/' (GetDataFolder()); one is added when missing.
    // False when the file cannot be opened or a new one not given its tables.
    bool OpenProfileDatabase(const std::string& baseFolder, const std::string& name);
    // The same open (without the backup), then WipeAllTables() (factory
    // reset): true when the database was emptied.
    bool ResetProfileDatabase(const std::string& baseFolder, const std::string& name);
    // Opens (creates) the file and gives it every table and index when it has
    // no table, in one transaction; true when the tables were there or made.
    bool CreateSchema();
    // Deletes every row of every table there is and the AUTOINCREMENT
    // counters, in one transaction: true when all of it was done, else
    // nothing is deleted.
    bool WipeAllTables();

    // The wait for a database another program is writing, for this object's
    // connection from now on; SQLiteDB::DefaultBusyTimeoutMs() until set.
    void SetBusyTimeout(int milliseconds);
    int BusyTimeoutMs() const;
    // Whether the last change this thread made through this object (a
    // statement that writes, a transaction's begin or commit) was refused
    // because the database stayed busy through the whole wait. A change that
    // succeeded clears it; reading leaves it alone.
    bool LastChangeWasBusy() const;
    // Whether the last change this thread made through this object was
    // refused, for whatever reason.
    bool LastChangeFailed() const;

    bool IsOpen() const;
    std::string DatabasePath() const;
    std::string BackupPath() const;
    // The 17 schema statements, in the order they run on a new file.
    static const std::vector<std::string>& SchemaStatements();
    // Test hook: sees every SQL text before it runs. Set before sharing.
    void SetStatementObserver(SQLiteDB::StatementObserver observer);

    // ---- Profiles (t_profile_data) ---------------------------------------
    int AddProfile(const std::string& name);
    // The profile and its application rules, in one transaction.
    bool DeleteProfile(int id);
    bool RenameProfile(int id, const std::string& name);
    // Replaces `list` with every profile in ascending id order.
    int ListProfiles(std::vector<ProfileItem>& list);
    // Every profile inactive, then `id` active, in one transaction.
    bool SetActiveProfile(int id);
    // The active profile's id, 0 when none.
    int GetActiveProfile();
    // ListProfiles; when it finds none, creates "<defaultWord> 1".."3" (the
    // caller gives the word in the UI language) and the default settings,
    // activates the first new profile and lists again. The rows are made in
    // one transaction that looks again for profiles first: programs starting
    // at once create them once.
    int ListProfilesCreatingDefaults(std::vector<ProfileItem>& list, const std::string& defaultWord);

    // ---- Application rules (t_profile_rule) --------------------------------
    // The table is made by the first AddProfileRule, so a file that never
    // had a rule keeps the tables it had. New rules go last; the new rule's
    // id, 0 on failure.
    int AddProfileRule(const ProfileRule& rule);
    bool RemoveProfileRule(int ruleId);
    // Every rule in the order they are tried; 0 rows without the table.
    int ListProfileRules(std::vector<ProfileRule>& list);

    // ---- Settings (t_config_data, always under profile 1) ----------------
    // True with the value when the row exists; false with "" when it does
    // not; false with "0" when the statement cannot run.
    bool GetConfig(const std::string& key, std::string& value);
    // True when the update ran, also when no row matched (nothing inserted).
    bool SetConfig(const std::string& key, const std::string& value);
    // Like SetConfig, but a missing row is made (values of the program's own
    // that the first start does not create).
    bool PutConfig(const std::string& key, const std::string& value);
    // The nine default rows ("version" 1.0.1, ..., "disable_altf4" 0), each
    // unless a row has its key, in one transaction; true when all are there.
    bool InsertDefaultConfig();

    // ---- Key assignments (t_key_macro_data, t_key_otherdata) --------------
    // key_code 0: nothing, 0. Otherwise deletes the key's row of that profile
    // and layer, then inserts the record when macro_value != 0, in one
    // transaction (a refused insert keeps the old row). New key_id, or 0.
    int SaveKeyAssignment(const KeyAssignment& record);
    // Fills `record` from the first matching row; false (record untouched) when none.
    bool GetKeyAssignment(int profile, int layer, int keyCode, KeyAssignment& record);
    int ListKeyAssignments(int profile, int layer, std::vector<KeyAssignment>& list);
    int ListAllKeyAssignments(int profile, std::vector<KeyAssignment>& list);
    // New host-side function row; its id, 0 on failure.
    int AddOtherData(const std::string& desc, const std::string& param, int type);
    // Always true; the outputs are written only when the row exists.
    bool GetOtherData(int id, std::string& desc, std::string& param, int& type);
    // The smallest host-side function id from 1 to `below` - 1 that no
    // assignment of an existing profile refers to, leaving out the assignment
    // of (profile, layer, keyCode), which the caller is about to replace.
    // The id may still have an unreferenced row. 0 when every id is taken.
    int FindFreeOtherDataId(int below, int profile, int layer, int keyCode);
    // Writes the host-side function row with the given id, replacing any row
    // that has it.
    bool PutOtherData(int id, const std::string& desc, const std::string& param, int type);

    // ---- Lighting (t_light_data, t_key_light_data, t_musiclayer_data) -----
    int CountLightModes(int profile);
    int AddLightMode(const LightMode& record);
    // Writes brightness .. reserved of `record` to the row of `mode` (profile 1).
    bool UpdateLightMode(int mode, const LightMode& record);
    bool SetActiveLightMode(int profile, int mode);
    // The current mode (profile 1), 0 when none.
    int GetActiveLightMode();
    bool GetLightMode(int mode, LightMode& record);
    int ListLightModes(std::vector<LightMode>& list);
    // Inserts every record in one transaction; records.size(), or 0 when
    // the database refused one (then none is stored).
    int AddKeyColours(const std::vector<KeyColour>& records);
    bool DeleteKeyColours(int lightId);
    // Replaces every colour of `lightId` with `records` in one transaction:
    // when the delete or an insert fails, the stored set stays as it was.
    bool ReplaceKeyColours(int lightId, const std::vector<KeyColour>& records);
    int ListKeyColours(int lightId, std::vector<KeyColour>& list);
    int CountMusicLayers();
    // Inserts a music layer with the default settings (13, 300, 0, 100).
    int AddMusicLayer(const std::string& name);
    bool GetMusicLayer(int layerId, MusicLayer& record);
    bool UpdateMusicLayer(int layerId, const MusicLayer& record);

    // ---- Macros (t_macro_data, t_macrorecord) ----------------------------
    // New macro with play_times 1, delay_type 1, delay_time 0, link_count 0.
    int AddMacro(const std::string& name);
    int AddMacroWithSettings(const Macro& record);
    // The macro's new name, and the label of every key assignment (every
    // profile, both layers) that plays it, in one transaction.
    bool RenameMacro(int id, const std::string& name);
    bool SetMacroLinkCount(int id, int count);
    // Deletes the macro and its steps in one transaction: both, or neither.
    bool DeleteMacro(int id);
    bool GetMacro(int id, Macro& record);
    // Every macro in ascending id order (the keyboard's macro numbering).
    int ListMacros(std::vector<Macro>& list);
    // Inserts every step in one transaction: all of them, or (false) none.
    bool AddMacroSteps(std::vector<MacroStep> steps);
    // The macro's steps sorted by record_index.
    int ListMacroSteps(int id, std::vector<MacroStep>& list);
    // Every stored step in one query, by macro id and within a macro in the
    // order ListMacroSteps gives (record_index, ties in the order stored);
    // steps of deleted macros included. For readers of all macros at once.
    int ListAllMacroSteps(std::vector<MacroStep>& list);
    bool DeleteMacroSteps(int id);
    int CountAllMacroSteps();
    // Replaces every step of macro `id` with `steps` (stored with that macro
    // id) in one transaction: when the delete or an insert fails, the stored
    // steps stay as they were.
    bool ReplaceMacroSteps(int id, const std::vector<MacroStep>& steps);
    // The number of steps of each macro that has any (macro id -> count).
    std::map<int, int> CountMacroStepsByMacro();
    // Counts the type-3 assignments of both layers of `profile` per macro id,
    // stores each count above 0 with SetMacroLinkCount and returns them
    // (macro id -> count; ids without a link are absent: show them as 0).
    std::map<int, int> UpdateMacroLinkCounts(int profile);

private:
    bool OpenFileLocked(const std::string& baseFolder, const std::string& name);
    bool CreateSchemaLocked();
    bool EnsureSchemaLocked();
    void TakeBackupLocked();
    bool WipeAllTablesLocked();
    void NoteChange(int rc);
    int ListKeyAssignmentsLocked(const char* sql, int profile, const int* layer,
                                 std::vector<KeyAssignment>& list);

    SQLiteDB db_;
    mutable std::recursive_mutex lock_;
    int transactionDepth_ = 0;
    // The failing result code of each thread whose last change failed.
    std::map<std::thread::id, int> refusals_;
    std::string path_;
    std::string backupPath_;
    bool opened_ = false;
};

}  // namespace vantora
