#include "db/sqlite_db.h"

#include <sqlite3.h>

namespace vantora {

SQLiteDB::~SQLiteDB() {
    if (handle_ != nullptr) {
        sqlite3_interrupt(handle_);
        if (sqlite3_close(handle_) == SQLITE_OK) {
            handle_ = nullptr;
        }
    }
}

bool SQLiteDB::Open(const char* path, int flags) {
    if (handle_ != nullptr) {
        sqlite3_interrupt(handle_);
        if (sqlite3_close(handle_) == SQLITE_OK) {
            handle_ = nullptr;
        }
    }
    if (path == nullptr) {
        return false;
    }
    if (handle_ != nullptr) {
        // The old connection refused to close; keep it rather than leak it.
        return false;
    }
    sqlite3* handle = nullptr;
    if (sqlite3_open_v2(path, &handle, flags, nullptr) != SQLITE_OK) {
        if (handle != nullptr) {
            sqlite3_close(handle);
        }
        return false;
    }
    handle_ = handle;
    Execute("PRAGMA synchronous = OFF; ");
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
