// Macros (t_macro_data) and their steps (t_macrorecord), and the count of
// key assignments that use each macro.

#include "db/profile_database.h"
#include "db/statement_runner.h"

namespace vantora {

using namespace db_detail;

namespace {

constexpr int kMacroFunctionType = 3;

// Columns of "SELECT * FROM t_macro_data".
Macro ReadMacro(const SQLiteStatement& statement) {
    Macro record;
    record.macro_id = statement.ColumnInt(0);
    record.play_times = statement.ColumnInt(1);
    record.delay_type = statement.ColumnInt(2);
    record.delay_time = statement.ColumnInt(3);
    record.link_count = statement.ColumnInt(4);
    record.name = statement.ColumnString(5);
    return record;
}

// Columns of "SELECT * FROM t_macrorecord".
MacroStep ReadMacroStep(const SQLiteStatement& statement) {
    MacroStep step;
    step.record_id = statement.ColumnInt(0);
    step.macro_id = statement.ColumnInt(1);
    step.type = statement.ColumnInt(2);
    step.record_index = statement.ColumnInt(3);
    step.desc = statement.ColumnString(4);
    step.value = statement.ColumnInt(5);
    step.delay_time = statement.ColumnInt(6);
    return step;
}

constexpr const char* kInsertMacro =
    "INSERT INTO t_macro_data(play_times, delay_type, delay_time, link_count, name) VALUES (?, ?, ?, ?, ?);";

}  // namespace

int ProfileDatabase::AddMacro(const std::string& name) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return Insert(db_, kInsertMacro, 1, 1, 0, 0, name);
}

int ProfileDatabase::AddMacroWithSettings(const Macro& r) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return Insert(db_, kInsertMacro, r.play_times, r.delay_type, r.delay_time, r.link_count, r.name);
}

bool ProfileDatabase::RenameMacro(int id, const std::string& name) {
    // A key bound to the macro is labelled with the macro's name: the labels
    // follow the name in the same transaction, so no key keeps an old name.
    Transaction transaction(*this);
    return transaction.Began() &&
           Change(db_, "UPDATE t_macro_data SET name = ? WHERE macro_id = ?", name, id) &&
           Change(db_, "UPDATE t_key_macro_data SET macro_desc = ? WHERE macro_type = ? AND macro_value = ?",
                  name, kMacroFunctionType, id) &&
           transaction.Commit();
}

bool ProfileDatabase::SetMacroLinkCount(int id, int count) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return Change(db_, "UPDATE t_macro_data SET link_count = ? WHERE macro_id = ?", count, id);
}

bool ProfileDatabase::DeleteMacro(int id) {
    Transaction transaction(*this);
    return transaction.Began() && Change(db_, "DELETE FROM t_macro_data WHERE macro_id = ?", id) &&
           Change(db_, "DELETE FROM t_macrorecord WHERE macro_id = ?", id) && transaction.Commit();
}

bool ProfileDatabase::GetMacro(int id, Macro& record) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    SQLiteStatement statement;
    PrepareBound(db_, statement, "SELECT * FROM t_macro_data WHERE macro_id = ?", id);
    if (statement.Step() != kSqliteRow) {
        return false;
    }
    record = ReadMacro(statement);
    return true;
}

int ProfileDatabase::ListMacros(std::vector<Macro>& list) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    SQLiteStatement statement;
    PrepareBound(db_, statement, "SELECT * FROM t_macro_data");
    return ReadRows(statement, list, ReadMacro);
}

bool ProfileDatabase::AddMacroSteps(std::vector<MacroStep> steps) {
    // One transaction for the whole macro: every step or none.
    Transaction transaction(*this);
    if (!transaction.Began()) {
        return false;
    }
    for (const MacroStep& s : steps) {
        if (!Change(db_,
                    "INSERT INTO t_macrorecord(macro_id, type, record_index, desc, value, delay_time) VALUES "
                    "(?, ?, ?, ?, ?, ?);",
                    s.macro_id, s.type, s.record_index, s.desc, s.value, s.delay_time)) {
            return false;
        }
    }
    return transaction.Commit();
}

int ProfileDatabase::ListMacroSteps(int id, std::vector<MacroStep>& list) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    SQLiteStatement statement;
    PrepareBound(db_, statement, "SELECT * FROM t_macrorecord WHERE macro_id = ? ORDER BY record_index ASC",
                 id);
    return ReadRows(statement, list, ReadMacroStep);
}

int ProfileDatabase::ListAllMacroSteps(std::vector<MacroStep>& list) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    SQLiteStatement statement;
    PrepareBound(db_, statement,
                 "SELECT * FROM t_macrorecord ORDER BY macro_id ASC, record_index ASC, record_id ASC");
    return ReadRows(statement, list, ReadMacroStep);
}

bool ProfileDatabase::DeleteMacroSteps(int id) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return Change(db_, "DELETE FROM t_macrorecord WHERE macro_id = ?", id);
}

int ProfileDatabase::CountAllMacroSteps() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return QueryInt(db_, "select count(*) FROM t_macrorecord");
}

bool ProfileDatabase::ReplaceMacroSteps(int id, const std::vector<MacroStep>& steps) {
    Transaction transaction(*this);
    if (!transaction.Began() || !Change(db_, "DELETE FROM t_macrorecord WHERE macro_id = ?", id)) {
        return false;
    }
    for (const MacroStep& s : steps) {
        if (!Change(db_,
                    "INSERT INTO t_macrorecord(macro_id, type, record_index, desc, value, delay_time) VALUES "
                    "(?, ?, ?, ?, ?, ?);",
                    id, s.type, s.record_index, s.desc, s.value, s.delay_time)) {
            return false;
        }
    }
    return transaction.Commit();
}

std::map<int, int> ProfileDatabase::CountMacroStepsByMacro() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    SQLiteStatement statement;
    std::map<int, int> counts;
    if (db_.Prepare(statement, "SELECT macro_id, count(*) FROM t_macrorecord GROUP BY macro_id") !=
        kSqliteOk) {
        return counts;
    }
    while (statement.Step() == kSqliteRow) {
        counts[statement.ColumnInt(0)] = statement.ColumnInt(1);
    }
    return counts;
}

std::map<int, int> ProfileDatabase::UpdateMacroLinkCounts(int profile) {
    std::vector<KeyAssignment> assignments;
    ListAllKeyAssignments(profile, assignments);
    // A map rather than a fixed array: macro ids grow without bound, and a
    // stored value may be negative or stale.
    std::map<int, int> counts;
    for (const KeyAssignment& a : assignments) {
        if (a.macro_type == kMacroFunctionType) {
            ++counts[a.macro_value];
        }
    }
    // Only counts above 0 are written: a macro no key uses keeps the stored
    // value it had, while the list shows 0 for it.
    for (const auto& [id, count] : counts) {
        SetMacroLinkCount(id, count);
    }
    return counts;
}

}  // namespace vantora
