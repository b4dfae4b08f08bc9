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
inline constexpr int kSqliteBusy = 5;
inline constexpr int kSqliteMisuse = 21;
inline constexpr int kSqliteRow = 100;
inline constexpr int kSqliteDone = 101;
// SQLITE_READONLY_DBMOVED: the file was deleted or replaced since it was opened.
inline constexpr int kSqliteReadOnlyMoved = 1032;

// Whether a result code says another connection kept the database busy
// (also in its extended forms).
inline bool IsBusy(int rc) {
    return (rc & 0xFF) == kSqliteBusy;
}

// How long a connection waits for a database that another connection is
// writing before a change gives up with SQLITE_BUSY.
inline constexpr int kDefaultBusyTimeoutMs = 5000;
// Tests set this environment variable to a number of milliseconds to wait
// less (or more); the program never sets it.
inline constexpr const char* kBusyTimeoutVariable = "VANTORA_DB_BUSY_TIMEOUT_MS";

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

    // Sees the result code of every change run through StepChange or
    // ExecuteChange, on the thread that ran it.
    using ChangeObserver = std::function<void(int rc)>;

    // Closes any open connection, then opens `path` (UTF-8) with `flags`:
    // the connection waits BusyTimeoutMs() for a busy database, keeps a
    // write-ahead log and syncs every commit to disk. A file that can only
    // be read and cannot be read as it is (a write-ahead log database in a
    // folder nobody may write to) is opened again as immutable, for
    // reading. False (and no connection) when SQLite refuses.
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

    // A step or an Execute that changes the file. Outside a transaction it
    // is refused when the file was deleted or replaced since it was opened
    // (kSqliteReadOnlyMoved) or overwritten with what is not a database
    // (SQLITE_NOTADB): what is written then would be lost or would damage
    // what is there now. Reading goes on from what the connection has.
    int StepChange(SQLiteStatement& statement);
    int ExecuteChange(const char* sql);
    // Whether the file the connection has open is no longer at its path.
    bool FileHasMoved() const;
    // True when the connection cannot write (a read-only file or folder).
    bool IsReadOnly() const;
    // The journal mode in use ("wal", "delete", ...); empty without a connection.
    std::string JournalMode();

    // Copies the whole database, as one consistent snapshot, into the
    // existing file `path` (empty or a database to overwrite), which is left
    // a plain single-file database. The SQLite result code.
    int CopyTo(const std::string& path);

    // The wait for a busy database, for this connection and later opens.
    void SetBusyTimeout(int milliseconds);
    int BusyTimeoutMs() const { return busyTimeoutMs_; }
    // kBusyTimeoutVariable's value when it holds a number from 0 to 600000,
    // else kDefaultBusyTimeoutMs.
    static int DefaultBusyTimeoutMs();

    void SetStatementObserver(StatementObserver observer) { observer_ = std::move(observer); }
    void SetChangeObserver(ChangeObserver observer) { changeObserver_ = std::move(observer); }

private:
    void Notify(const char* sql) const;
    void NoteChange(int rc) const;
    int RefusalBeforeChange();
    bool OpenHandle(const char* path, int flags);
    void CloseHandle();

    sqlite3* handle_ = nullptr;
    int busyTimeoutMs_ = DefaultBusyTimeoutMs();
    StatementObserver observer_;
    ChangeObserver changeObserver_;
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
