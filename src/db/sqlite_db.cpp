#include "db/sqlite_db.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace vantora {

SQLiteDB::~SQLiteDB() {
    if (handle_ != nullptr) {
        sqlite3_interrupt(handle_);
        if (sqlite3_close(handle_) == SQLITE_OK) {
            handle_ = nullptr;
        }
    }
}

namespace {

// Read-only, for a file that nobody changes while it is open: no locks, no
// shared memory, no write-ahead log read.
constexpr int kOpenImmutable = SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_FULLMUTEX;
constexpr int kMaxBusyTimeoutMs = 600000;

// `path` as the path of a file: URI, every byte but the unreserved ones and
// '/' percent-encoded.
std::string UriPath(const char* path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri;
    for (const char* c = path; *c != '\0'; ++c) {
        const auto byte = static_cast<unsigned char>(*c);
        if (std::isalnum(byte) != 0 || std::strchr("-._~/", byte) != nullptr) {
            uri += *c;
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 0x0F];
        }
    }
    return uri;
}

// Whether the schema can be read; a file that is not a database counts as
// readable (it opens, and every statement then fails as it should).
bool CanReadSchema(sqlite3* handle) {
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(handle, "SELECT count(*) FROM sqlite_master", -1, &statement, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(statement);
    }
    sqlite3_finalize(statement);
    const int primary = rc & 0xFF;
    return primary != SQLITE_CANTOPEN && primary != SQLITE_READONLY;
}

}  // namespace

int SQLiteDB::DefaultBusyTimeoutMs() {
    const char* text = std::getenv(kBusyTimeoutVariable);
    if (text == nullptr || *text == '\0') {
        return kDefaultBusyTimeoutMs;
    }
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (*end != '\0' || value < 0 || value > kMaxBusyTimeoutMs) {
        return kDefaultBusyTimeoutMs;
    }
    return static_cast<int>(value);
}

void SQLiteDB::SetBusyTimeout(int milliseconds) {
    busyTimeoutMs_ = std::clamp(milliseconds, 0, kMaxBusyTimeoutMs);
    if (handle_ != nullptr) {
        sqlite3_busy_timeout(handle_, busyTimeoutMs_);
    }
}

bool SQLiteDB::OpenHandle(const char* path, int flags) {
    sqlite3* handle = nullptr;
    if (sqlite3_open_v2(path, &handle, flags, nullptr) != SQLITE_OK) {
        if (handle != nullptr) {
            sqlite3_close(handle);
        }
        return false;
    }
    handle_ = handle;
    sqlite3_busy_timeout(handle_, busyTimeoutMs_);
    return true;
}

void SQLiteDB::CloseHandle() {
    if (handle_ != nullptr && sqlite3_close(handle_) == SQLITE_OK) {
        handle_ = nullptr;
    }
}

bool SQLiteDB::Open(const char* path, int flags) {
    if (handle_ != nullptr) {
        sqlite3_interrupt(handle_);
        CloseHandle();
    }
    if (path == nullptr) {
        return false;
    }
    if (handle_ != nullptr) {
        // The old connection refused to close; keep it rather than leak it.
        return false;
    }
    if (!OpenHandle(path, flags)) {
        return false;
    }
    if (!IsReadOnly()) {
        // With a write-ahead log a commit is one append and one sync, and
        // readers never wait for a writer. A file that stays in another
        // mode (the change needs the write lock for a moment) still works.
        Execute("PRAGMA journal_mode = WAL");
    }
    if (!CanReadSchema(handle_)) {
        CloseHandle();
        if (handle_ != nullptr) {
            return false;
        }
        const std::string uri = "file:" + UriPath(path) + "?immutable=1";
        if (!OpenHandle(uri.c_str(), kOpenImmutable)) {
            return false;
        }
    }
    // Every commit reaches the disk before it counts: a power cut loses
    // nothing that was reported stored.
    Execute("PRAGMA synchronous = FULL");
    return true;
}

bool SQLiteDB::Close() {
    if (handle_ == nullptr) {
        return true;
    }
    if (sqlite3_close(handle_) != SQLITE_OK) {
        return false;
    }
    handle_ = nullptr;
    return true;
}

void SQLiteDB::Notify(const char* sql) const {
    if (observer_) {
        observer_(sql);
    }
}

int SQLiteDB::Execute(const char* sql) {
    if (handle_ == nullptr || sql == nullptr) {
        return kSqliteMisuse;
    }
    Notify(sql);
    return sqlite3_exec(handle_, sql, nullptr, nullptr, nullptr);
}

int SQLiteDB::Prepare(SQLiteStatement& statement, const char* sql, int length) {
    statement.Finalize();
    if (handle_ == nullptr || sql == nullptr) {
        return kSqliteMisuse;
    }
    Notify(sql);
    if (length < 0) {
        length = static_cast<int>(std::char_traits<char>::length(sql)) + 1;
    }
    sqlite3_stmt* handle = nullptr;
    const int rc = sqlite3_prepare_v2(handle_, sql, length, &handle, nullptr);
    statement.handle_ = handle;
    return rc;
}

int64_t SQLiteDB::LastInsertId() const {
    if (handle_ == nullptr) {
        return -1;
    }
    return sqlite3_last_insert_rowid(handle_);
}

void SQLiteDB::NoteChange(int rc) const {
    if (changeObserver_) {
        changeObserver_(rc);
    }
}

bool SQLiteDB::FileHasMoved() const {
    int moved = 0;
    return handle_ != nullptr &&
           sqlite3_file_control(handle_, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved != 0;
}

// With a write-ahead log SQLite reads the file's own pages seldom, so it
// would go on writing to a file that was deleted, replaced or overwritten:
// what it wrote would be lost, or checkpointed over what is there now.
int SQLiteDB::RefusalBeforeChange() {
    if (handle_ == nullptr || sqlite3_get_autocommit(handle_) == 0) {
        return kSqliteOk;  // inside a transaction that passed this at its begin
    }
    if (FileHasMoved()) {
        return kSqliteReadOnlyMoved;
    }
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(handle_, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK ||
        file == nullptr || file->pMethods == nullptr) {
        return kSqliteOk;
    }
    static const char kHeader[16] = "SQLite format 3";
    char header[sizeof(kHeader)] = {};
    // A short read is a new file whose pages are all still in the log.
    if (file->pMethods->xRead(file, header, sizeof(header), 0) == SQLITE_OK &&
        std::memcmp(header, kHeader, sizeof(kHeader)) != 0) {
        // Keep the log's pages from being written over it at the close.
        sqlite3_db_config(handle_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        return SQLITE_NOTADB;
    }
    return kSqliteOk;
}

int SQLiteDB::StepChange(SQLiteStatement& statement) {
    int rc = RefusalBeforeChange();
    if (rc == kSqliteOk) {
        rc = statement.Step();
    }
    NoteChange(rc);
    return rc;
}

int SQLiteDB::ExecuteChange(const char* sql) {
    int rc = RefusalBeforeChange();
    if (rc == kSqliteOk) {
        rc = Execute(sql);
    }
    NoteChange(rc);
    return rc;
}

bool SQLiteDB::IsReadOnly() const {
    return handle_ != nullptr && sqlite3_db_readonly(handle_, "main") == 1;
}

std::string SQLiteDB::JournalMode() {
    SQLiteStatement statement;
    if (Prepare(statement, "PRAGMA journal_mode") != kSqliteOk || statement.Step() != kSqliteRow) {
        return {};
    }
    return statement.ColumnString(0);
}

int SQLiteDB::CopyTo(const std::string& path) {
    if (handle_ == nullptr) {
        return kSqliteMisuse;
    }
    sqlite3* target = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(target, busyTimeoutMs_);
        sqlite3_backup* backup = sqlite3_backup_init(target, "main", handle_, "main");
        if (backup == nullptr) {
            rc = sqlite3_errcode(target);
        } else {
            // All pages in one step: one read transaction, one snapshot.
            rc = sqlite3_backup_step(backup, -1);
            const int finished = sqlite3_backup_finish(backup);
            rc = rc == SQLITE_DONE ? finished : rc;
        }
    }
    if (rc == SQLITE_OK) {
        // The pages carry the source's write-ahead log mode; the copy is a
        // file of its own.
        rc = sqlite3_exec(target, "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr);
    }
    sqlite3_close(target);
    return rc;
}

SQLiteStatement::~SQLiteStatement() {
    Finalize();
}

int SQLiteStatement::BindInt(int index, int32_t value) {
    if (handle_ == nullptr) {
        return kSqliteMisuse;
    }
    return sqlite3_bind_int(handle_, index, value);
}

int SQLiteStatement::BindText(int index, const char* bytes, int length) {
    if (handle_ == nullptr) {
        return kSqliteMisuse;
    }
    return sqlite3_bind_text(handle_, index, bytes, length, SQLITE_STATIC);
}

int SQLiteStatement::Step() {
    if (handle_ == nullptr) {
        return kSqliteMisuse;
    }
    return sqlite3_step(handle_);
}

// A file whose tables differ from ours can return fewer columns than a
// "SELECT *" reader expects; such columns read as NULL.
bool SQLiteStatement::HasColumn(int column) const {
    return handle_ != nullptr && column >= 0 && column < sqlite3_column_count(handle_);
}

int SQLiteStatement::ColumnInt(int column) const {
    if (!HasColumn(column)) {
        return 0;
    }
    return sqlite3_column_int(handle_, column);
}

const char* SQLiteStatement::ColumnText(int column) const {
    if (!HasColumn(column)) {
        return nullptr;
    }
    return reinterpret_cast<const char*>(sqlite3_column_text(handle_, column));
}

std::string SQLiteStatement::ColumnString(int column) const {
    const char* text = ColumnText(column);
    if (text == nullptr) {
        return {};
    }
    const int bytes = sqlite3_column_bytes(handle_, column);
    return std::string(text, static_cast<size_t>(bytes > 0 ? bytes : 0));
}

int SQLiteStatement::Finalize() {
    if (handle_ == nullptr) {
        return SQLITE_OK;
    }
    const int rc = sqlite3_finalize(handle_);
    // sqlite3_finalize always releases the statement; a non-OK result only
    // repeats the error of the last step, so the handle is never reused.
    handle_ = nullptr;
    return rc;
}

SQLiteAutoTransaction::SQLiteAutoTransaction(SQLiteDB* db) : db_(db) {
    if (db_ == nullptr) {
        return;
    }
    if (db_->IsOpen()) {
        db_->Execute("BEGIN");
    }
    active_ = true;
}

SQLiteAutoTransaction::~SQLiteAutoTransaction() {
    if (active_ && db_ != nullptr && db_->IsOpen()) {
        db_->Execute("END");
        active_ = false;
    }
}

bool SQLiteAutoTransaction::Begin() {
    if (db_ == nullptr || active_) {
        return false;
    }
    active_ = true;
    if (!db_->IsOpen()) {
        return false;
    }
    return db_->Execute("BEGIN") == SQLITE_OK;
}

bool SQLiteAutoTransaction::End() {
    if (db_ == nullptr) {
        return false;
    }
    active_ = false;
    if (!db_->IsOpen()) {
        return false;
    }
    return db_->Execute("END") == SQLITE_OK;
}

}  // namespace vantora
