#include "db/profile_database.h"

#include <filesystem>
#include <system_error>

namespace vantora {

namespace fs = std::filesystem;

ProfileDatabase::ProfileDatabase() = default;

ProfileDatabase::Transaction::Transaction(ProfileDatabase& db) : db_(db), hold_(db.lock_) {
    if (!db_.db_.IsOpen()) {
        return;
    }
    if (db_.transactionDepth_ == 0) {
        began_ = db_.db_.Execute("BEGIN IMMEDIATE") == kSqliteOk;
    } else {
        savepoint_ = "vantora_" + std::to_string(db_.transactionDepth_);
        began_ = db_.db_.Execute(("SAVEPOINT " + savepoint_).c_str()) == kSqliteOk;
    }
    if (began_) {
        ++db_.transactionDepth_;
    }
}

ProfileDatabase::Transaction::~Transaction() {
    if (began_ && !finished_) {
        Rollback();
    }
}

void ProfileDatabase::Transaction::Rollback() {
    finished_ = true;
    --db_.transactionDepth_;
    if (savepoint_.empty()) {
        db_.db_.Execute("ROLLBACK");
    } else {
        // Undo the savepoint's work, then drop it; the outer one goes on.
        db_.db_.Execute(("ROLLBACK TO " + savepoint_ + "; RELEASE " + savepoint_).c_str());
    }
}

bool ProfileDatabase::Transaction::Commit() {
    if (!began_ || finished_) {
        return false;
    }
    const int rc = savepoint_.empty() ? db_.db_.Execute("COMMIT")
                                      : db_.db_.Execute(("RELEASE " + savepoint_).c_str());
    if (rc != kSqliteOk) {
        // A refused COMMIT (a reader that kept the file busy past the wait)
        // leaves the transaction open: undo it rather than keep it half-done.
        Rollback();
        return false;
    }
    finished_ = true;
    --db_.transactionDepth_;
    return true;
}

ProfileDatabase::~ProfileDatabase() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (opened_) {
        db_.Close();
        opened_ = false;
    }
    // db_'s own destructor interrupts and closes whatever is still open.
}

const std::vector<std::string>& ProfileDatabase::SchemaStatements() {
    static const std::vector<std::string> statements = {
        "CREATE TABLE IF NOT EXISTS t_config_data(config_id INTEGER PRIMARY KEY AUTOINCREMENT, profile "
        "INTEGER, key TEXT, value TEXT)",
        "CREATE TABLE IF NOT EXISTS t_profile_data(profile INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT, "
        "status INTEGER)",
        "CREATE INDEX IF NOT EXISTS profileindex ON t_profile_data(profile)",
        "CREATE TABLE IF NOT EXISTS t_key_macro_data(key_id INTEGER PRIMARY KEY AUTOINCREMENT, profile "
        "INTEGER, fn_layer INTEGER, key_code INTEGER, layout_value INTEGER, layout_desc TEXT, macro_type "
        "INTEGER, macro_value INTEGER, macro_value2 INTEGER, macro_value3 INTEGER, macro_desc TEXT)",
        "CREATE INDEX IF NOT EXISTS keyindex ON t_key_macro_data(key_id)",
        "CREATE TABLE IF NOT EXISTS t_key_otherdata(macro_value INTEGER PRIMARY KEY AUTOINCREMENT, "
        "macro_desc TEXT, param TEXT, type INTEGER)",
        "CREATE INDEX IF NOT EXISTS otheridindex ON t_key_otherdata(macro_value)",
        "CREATE TABLE IF NOT EXISTS t_light_data(light_id INTEGER PRIMARY KEY AUTOINCREMENT, profile "
        "INTEGER, name TEXT, mode INTEGER, brightness INTEGER, speed INTEGER, direction INTEGER, colorful "
        "INTEGER, colorindex INTEGER, color_value INTEGER, config_func INTEGER, reserved INTEGER, status "
        "INTEGER)",
        "CREATE INDEX IF NOT EXISTS lightindex ON t_light_data(light_id)",
        "CREATE TABLE IF NOT EXISTS t_key_light_data(keylight_id INTEGER PRIMARY KEY AUTOINCREMENT, profile "
        "INTEGER, light_id INTEGER, key_code INTEGER, key_rgb INTEGER)",
        "CREATE INDEX IF NOT EXISTS keylightindex ON t_key_light_data(keylight_id)",
        "CREATE TABLE IF NOT EXISTS t_macro_data(macro_id INTEGER PRIMARY KEY AUTOINCREMENT, play_times "
        "INTEGER, delay_type INTEGER, delay_time INTEGER, link_count INTEGER, name TEXT)",
        "CREATE INDEX IF NOT EXISTS macroidindex ON t_macro_data(macro_id)",
        "CREATE TABLE IF NOT EXISTS t_macrorecord(record_id INTEGER PRIMARY KEY AUTOINCREMENT, macro_id "
        "INTEGER, type INTEGER, record_index INTEGER, desc TEXT, value INTEGER, delay_time INTEGER)",
        "CREATE INDEX IF NOT EXISTS macrorecordindex ON t_macrorecord(record_id)",
        "CREATE TABLE IF NOT EXISTS t_musiclayer_data(layer_id INTEGER PRIMARY KEY AUTOINCREMENT, profile "
        "INTEGER, name TEXT, deviceindex INTEGER, foremode INTEGER, fore_amplitude INTEGER, backmode "
        "INTEGER, backb_right INTEGER, sel INTEGER)",
        "CREATE INDEX IF NOT EXISTS musiclayerindex ON t_musiclayer_data(layer_id)",
    };
    return statements;
}

void ProfileDatabase::SetStatementObserver(SQLiteDB::StatementObserver observer) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    db_.SetStatementObserver(std::move(observer));
}

bool ProfileDatabase::IsOpen() const {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return db_.IsOpen();
}

std::string ProfileDatabase::DatabasePath() const {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return path_;
}

std::string ProfileDatabase::BackupPath() const {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return backupPath_;
}

// Builds the two file names and opens the database file as it is, or creates
// it when it does not exist. Existing files get no schema statement: their
// tables are used unchanged.
bool ProfileDatabase::OpenFileLocked(const std::string& baseFolder, const std::string& name) {
    std::string folder = baseFolder;
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    path_ = folder + "db/" + name + "_data.db";
    backupPath_ = folder + "db/data_bak.db";

    std::error_code ec;
    if (fs::exists(path_, ec)) {
        if (db_.IsOpen()) {
            return true;
        }
        return db_.Open(path_.c_str(), kOpenExisting);
    }
    return CreateSchemaLocked();
}

bool ProfileDatabase::OpenProfileDatabase(const std::string& baseFolder, const std::string& name) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    const bool result = OpenFileLocked(baseFolder, name);
    // A snapshot taken once, at the first start that finds no backup; never
    // refreshed, never read back.
    std::error_code ec;
    if (!fs::exists(backupPath_, ec) && fs::is_regular_file(path_, ec)) {
        fs::copy_file(path_, backupPath_, fs::copy_options::none, ec);
    }
    opened_ = result;
    return result;
}

void ProfileDatabase::ResetProfileDatabase(const std::string& baseFolder, const std::string& name) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    opened_ = OpenFileLocked(baseFolder, name);
    WipeAllTablesLocked();
}

bool ProfileDatabase::CreateSchema() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return CreateSchemaLocked();
}

bool ProfileDatabase::CreateSchemaLocked() {
    if (db_.IsOpen()) {
        return true;
    }
    if (!db_.Open(path_.c_str(), kOpenCreate)) {
        return false;
    }
    bool allSucceeded = true;
    for (const std::string& statement : SchemaStatements()) {
        if (db_.Execute(statement.c_str()) != kSqliteOk) {
            allSucceeded = false;
        }
    }
    return allSucceeded;
}

void ProfileDatabase::WipeAllTables() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    WipeAllTablesLocked();
}

void ProfileDatabase::WipeAllTablesLocked() {
    static const char* const kDeletes[] = {
        "DELETE FROM t_config_data",   "DELETE FROM t_profile_data", "DELETE FROM t_key_macro_data",
        "DELETE FROM t_key_otherdata", "DELETE FROM t_light_data",   "DELETE FROM t_key_light_data",
        "DELETE FROM t_macro_data",    "DELETE FROM t_macrorecord",  "DELETE FROM t_musiclayer_data",
        "DELETE FROM sqlite_sequence",
    };
    SQLiteStatement statement;
    for (const char* sql : kDeletes) {
        db_.Prepare(statement, sql);
        statement.Step();
    }
}

}  // namespace vantora
