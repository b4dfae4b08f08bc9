#include "db/profile_database.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "db/statement_runner.h"

namespace vantora {

namespace fs = std::filesystem;

namespace {

constexpr int kSqliteNotADatabase = 26;

enum class Created { kNew, kExists, kFailed };

// Creates `path` empty, readable and writable by its owner alone; a path
// that exists already (also as a symbolic link) is not touched.
Created CreatePrivateFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
        return Created::kNew;
    }
    // A read-only file system may say so before it says that the file exists.
    struct stat info {};
    return errno == EEXIST || ::lstat(path.c_str(), &info) == 0 ? Created::kExists : Created::kFailed;
}

// Takes the group's and others' permissions from `path` when it is a
// regular file of this user; a symbolic link is neither followed nor
// changed, and a missing file is no error.
void MakePrivate(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
        (info.st_mode & 077) != 0) {
        ::fchmod(fd, info.st_mode & 0700);
    }
    ::close(fd);
}

}  // namespace

ProfileDatabase::Transaction::Transaction(ProfileDatabase& db) : db_(db), hold_(db.lock_) {
    if (!db_.db_.IsOpen()) {
        return;
    }
    if (db_.transactionDepth_ == 0) {
        began_ = db_.db_.ExecuteChange("BEGIN IMMEDIATE") == kSqliteOk;
    } else {
        savepoint_ = "vantora_" + std::to_string(db_.transactionDepth_);
        began_ = db_.db_.ExecuteChange(("SAVEPOINT " + savepoint_).c_str()) == kSqliteOk;
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
    const int rc = savepoint_.empty() ? db_.db_.ExecuteChange("COMMIT")
                                      : db_.db_.ExecuteChange(("RELEASE " + savepoint_).c_str());
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

ProfileDatabase::ProfileDatabase() {
    db_.SetChangeObserver([this](int rc) { NoteChange(rc); });
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

void ProfileDatabase::SetBusyTimeout(int milliseconds) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    db_.SetBusyTimeout(milliseconds);
}

int ProfileDatabase::BusyTimeoutMs() const {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return db_.BusyTimeoutMs();
}

// Called with the lock held (every change runs under it).
void ProfileDatabase::NoteChange(int rc) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (IsStepSuccess(rc)) {
        refusals_.erase(std::this_thread::get_id());
    } else {
        refusals_[std::this_thread::get_id()] = rc;
    }
}

bool ProfileDatabase::LastChangeWasBusy() const {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    const auto found = refusals_.find(std::this_thread::get_id());
    return found != refusals_.end() && IsBusy(found->second);
}

bool ProfileDatabase::LastChangeFailed() const {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return refusals_.count(std::this_thread::get_id()) > 0;
}

// Builds the two file names and opens the database file, creating it for
// its owner alone when it does not exist. A database without any table
// (new, or left empty by a start that did not get that far) gets the
// schema; one with tables is used unchanged.
bool ProfileDatabase::OpenFileLocked(const std::string& baseFolder, const std::string& name) {
    std::string folder = baseFolder;
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    path_ = folder + "db/" + name + "_data.db";
    backupPath_ = folder + "db/data_bak.db";

    if (db_.IsOpen()) {
        return true;
    }
    if (CreatePrivateFile(path_) == Created::kFailed) {
        return false;
    }
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        MakePrivate(path_ + suffix);
    }
    if (!db_.Open(path_.c_str(), kOpenExisting)) {
        return false;
    }
    return EnsureSchemaLocked();
}

bool ProfileDatabase::OpenProfileDatabase(const std::string& baseFolder, const std::string& name) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    const bool result = OpenFileLocked(baseFolder, name);
    if (db_.IsOpen()) {
        TakeBackupLocked();
    }
    opened_ = result;
    return result;
}

// A snapshot taken once, at the first start that finds no backup; never
// refreshed, never read back. Made private before anything is in it; a
// file that SQLite cannot read as a database is copied byte for byte.
void ProfileDatabase::TakeBackupLocked() {
    MakePrivate(backupPath_);
    std::error_code ec;
    if (!fs::is_regular_file(path_, ec) || CreatePrivateFile(backupPath_) != Created::kNew) {
        return;
    }
    const int rc = db_.CopyTo(backupPath_);
    if (rc == kSqliteOk) {
        return;
    }
    bool copied = false;
    if ((rc & 0xFF) == kSqliteNotADatabase) {
        copied = fs::copy_file(path_, backupPath_, fs::copy_options::overwrite_existing, ec);
    }
    if (copied) {
        MakePrivate(backupPath_);  // the copy took the file's permissions
    } else {
        // The next start tries again.
        fs::remove(backupPath_, ec);
    }
}

bool ProfileDatabase::ResetProfileDatabase(const std::string& baseFolder, const std::string& name) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    opened_ = OpenFileLocked(baseFolder, name);
    return WipeAllTablesLocked();
}

bool ProfileDatabase::CreateSchema() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return EnsureSchemaLocked();
}

bool ProfileDatabase::EnsureSchemaLocked() {
    SQLiteStatement statement;
    db_.Prepare(statement, "SELECT count(*) FROM sqlite_master");
    if (statement.Step() != kSqliteRow) {
        // Not a database SQLite can read: used as it is, every statement fails.
        return db_.IsOpen();
    }
    if (statement.ColumnInt(0) > 0) {
        return true;
    }
    statement.Finalize();
    return CreateSchemaLocked();
}

// Every table and index in one write transaction, looking for tables again
// once it holds the write lock: of programs starting at once on a new file,
// the first makes them and the others find them made.
bool ProfileDatabase::CreateSchemaLocked() {
    Transaction transaction(*this);
    if (!transaction.Began()) {
        return false;
    }
    if (db_detail::QueryInt(db_, "SELECT count(*) FROM sqlite_master") > 0) {
        return true;
    }
    for (const std::string& statement : SchemaStatements()) {
        if (db_.ExecuteChange(statement.c_str()) != kSqliteOk) {
            return false;
        }
    }
    return transaction.Commit();
}

bool ProfileDatabase::WipeAllTables() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return WipeAllTablesLocked();
}

// Every table of ours that the file has (an older file may lack some).
bool ProfileDatabase::WipeAllTablesLocked() {
    static const char* const kTables[] = {
        "t_config_data",     "t_profile_data",   "t_key_macro_data", "t_key_otherdata",
        "t_light_data",      "t_key_light_data", "t_macro_data",     "t_macrorecord",
        "t_musiclayer_data", "t_profile_rule",   "sqlite_sequence",
    };
    Transaction transaction(*this);
    if (!transaction.Began()) {
        return false;
    }
    for (const char* table : kTables) {
        if (db_detail::QueryInt(db_, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = ?",
                                std::string(table)) == 0) {
            continue;
        }
        if (!db_detail::Change(db_, ("DELETE FROM " + std::string(table)).c_str())) {
            return false;
        }
    }
    return transaction.Commit();
}

}  // namespace vantora
