#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <type_traits>

struct sqlite3;
struct sqlite3_stmt;

namespace vantora {

// SQLite result codes this layer hands out itself or tests for.
inline constexpr int kSqliteOk = 0;
inline constexpr int kSqliteMisuse = 21;
inline constexpr int kSqliteRow = 100;
inline constexpr int kSqliteDone = 101;

// Open flags: read-write in serialized mode, and the same plus create.
inline constexpr int kOpenExisting = 0x00010002;
inline constexpr int kOpenCreate = 0x00010006;

// A data-changing step counts as done for SQLITE_OK, SQLITE_ROW and SQLITE_DONE.
inline bool IsStepSuccess(int rc) {
    return rc == kSqliteOk || rc == kSqliteRow || rc == kSqliteDone;
}

class SQLiteStatement;

// One SQLite connection. Not thread-safe by itself: the owner serialises use.
class SQLiteDB {
public:
    // Sees every SQL text given to Execute or Prepare, before it runs. A test
    // hook; set it before the connection is shared with other threads.
    using StatementObserver = std::function<void(const char* sql)>;

    SQLiteDB() = default;
    virtual ~SQLiteDB();
    SQLiteDB(const SQLiteDB&) = delete;
    SQLiteDB& operator=(const SQLiteDB&) = delete;

    // Closes any open connection, then opens `path` (UTF-8) with `flags` and
    // turns off syncing to disk. False (and no connection) when SQLite refuses.
    bool Open(const char* path, int flags);
    // True when nothing is open afterwards; a refused close keeps the handle.
    bool Close();
    bool IsOpen() const { return handle_ != nullptr; }

    // sqlite3_exec without a callback; kSqliteMisuse without connection or text.
    int Execute(const char* sql);
    // Finalizes what `statement` held, then prepares `sql`. A negative length
    // means the whole text including its terminator.
    int Prepare(SQLiteStatement& statement, const char* sql, int length = -1);
    // The rowid of the last insert on this connection; -1 without a connection.
    int64_t LastInsertId() const;

    void SetStatementObserver(StatementObserver observer) { observer_ = std::move(observer); }

private:
    void Notify(const char* sql) const;

    sqlite3* handle_ = nullptr;
    StatementObserver observer_;
};

// One prepared statement; a local of a single data operation.
class SQLiteStatement {
public:
    SQLiteStatement() = default;
    virtual ~SQLiteStatement();
    SQLiteStatement(const SQLiteStatement&) = delete;
    SQLiteStatement& operator=(const SQLiteStatement&) = delete;

    bool IsPrepared() const { return handle_ != nullptr; }

    int BindInt(int index, int32_t value);
    // Binds without copying (SQLITE_STATIC): the bytes must stay alive until
    // the statement has been stepped for the last time.
    int BindText(int index, const char* bytes, int length);
    int BindText(int index, const std::string& text) {
        return BindText(index, text.data(), static_cast<int>(text.size()));
    }
    // A temporary would be gone before the step.
    int BindText(int index, std::string&& text) = delete;

    // Binds the arguments to parameters 1, 2, ... in order: integers with
    // BindInt, strings without copying. Returns the first failing result code,
    // else SQLITE_OK. Strings must be lvalues that outlive the step.
    template <class... Args>
    int BindAll(Args&&... args) {
        static_assert(((!std::is_same_v<std::remove_cvref_t<Args>, std::string> ||
                        std::is_lvalue_reference_v<Args>)&&...),
                      "strings are bound without copying: pass lvalues that outlive the step");
        int rc = kSqliteOk;
        int index = 0;
        ((BindOne(++index, args, rc)), ...);
        return rc;
    }

    int Step();
    // Columns outside the result read as 0 / null.
    int ColumnInt(int column) const;
    // The column as UTF-8; null without a statement or for a NULL value.
    const char* ColumnText(int column) const;
    // The column as a string; empty for NULL or without a statement.
    std::string ColumnString(int column) const;
    int Finalize();

private:
    friend class SQLiteDB;

    bool HasColumn(int column) const;

    void BindOne(int index, const std::string& text, int& rc) {
        const int r = BindText(index, text);
        if (rc == kSqliteOk) {
            rc = r;
        }
    }
    void BindOne(int index, int32_t value, int& rc) {
        const int r = BindInt(index, value);
        if (rc == kSqliteOk) {
            rc = r;
        }
    }

    sqlite3_stmt* handle_ = nullptr;
};

// A scoped transaction: "BEGIN" on construction, "END" when it goes away.
// There is no rollback: a failed statement inside still ends with "END".
class SQLiteAutoTransaction {
public:
    explicit SQLiteAutoTransaction(SQLiteDB* db);
    virtual ~SQLiteAutoTransaction();
    SQLiteAutoTransaction(const SQLiteAutoTransaction&) = delete;
    SQLiteAutoTransaction& operator=(const SQLiteAutoTransaction&) = delete;

    bool Begin();
    bool End();
    bool IsActive() const { return active_; }

private:
    SQLiteDB* db_ = nullptr;
    bool active_ = false;
};

}  // namespace vantora
