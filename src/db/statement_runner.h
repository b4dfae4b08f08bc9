#pragma once

// Helpers for the one calling pattern of every table operation: prepare the
// fixed SQL text, bind the parameters in order, step, let the statement be
// finalized. The caller holds the ProfileDatabase lock.

#include <string>
#include <type_traits>

#include "db/sqlite_db.h"

namespace vantora::db_detail {

// Prepares `sql` into `statement` and binds `args`. Strings are bound without
// copying, so they must be lvalues that outlive the statement's steps.
template <class... Args>
void PrepareBound(SQLiteDB& db, SQLiteStatement& statement, const char* sql, Args&&... args) {
    static_assert(
        ((!std::is_same_v<std::remove_cvref_t<Args>, std::string> || std::is_lvalue_reference_v<Args>)&&...),
        "strings are bound without copying: pass lvalues that outlive the step");
    db.Prepare(statement, sql);
    statement.BindAll(args...);
}

// Runs a data-changing statement once (SQLiteDB::StepChange); the step's
// result code (the prepare's failure shows as SQLITE_MISUSE from stepping an
// empty statement).
template <class... Args>
int RunChange(SQLiteDB& db, const char* sql, const Args&... args) {
    SQLiteStatement statement;
    db.Prepare(statement, sql);
    statement.BindAll(args...);
    return db.StepChange(statement);
}

template <class... Args>
bool Change(SQLiteDB& db, const char* sql, const Args&... args) {
    return IsStepSuccess(RunChange(db, sql, args...));
}

// Runs an insert; the new row's id (low 32 bits of the rowid), 0 on failure.
template <class... Args>
int Insert(SQLiteDB& db, const char* sql, const Args&... args) {
    if (!IsStepSuccess(RunChange(db, sql, args...))) {
        return 0;
    }
    return static_cast<int>(static_cast<int32_t>(db.LastInsertId()));
}

// The first column of the first row as an int ("select count(*) ..."), 0 when
// there is no row or the statement cannot run.
template <class... Args>
int QueryInt(SQLiteDB& db, const char* sql, const Args&... args) {
    SQLiteStatement statement;
    db.Prepare(statement, sql);
    statement.BindAll(args...);
    if (statement.Step() != kSqliteRow) {
        return 0;
    }
    return statement.ColumnInt(0);
}

// Steps a prepared query and appends `read(statement)` for every row to
// `list`, which is emptied first. Returns the number of rows read.
template <class List, class Reader>
int ReadRows(SQLiteStatement& statement, List& list, Reader read) {
    list.clear();
    while (statement.Step() == kSqliteRow) {
        list.push_back(read(statement));
    }
    return static_cast<int>(list.size());
}

}  // namespace vantora::db_detail
