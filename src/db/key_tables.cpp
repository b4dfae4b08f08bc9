// Key assignments (t_key_macro_data) and host-side function data
// (t_key_otherdata).

#include "db/profile_database.h"
#include "db/statement_runner.h"

namespace vantora {

using namespace db_detail;

namespace {

// Columns of "SELECT * FROM t_key_macro_data".
KeyAssignment ReadKeyAssignment(const SQLiteStatement& statement) {
    KeyAssignment record;
    record.key_id = statement.ColumnInt(0);
    record.profile = statement.ColumnInt(1);
    record.fn_layer = statement.ColumnInt(2);
    record.key_code = statement.ColumnInt(3);
    record.layout_value = statement.ColumnInt(4);
    record.layout_desc = statement.ColumnString(5);
    record.macro_type = statement.ColumnInt(6);
    record.macro_value = statement.ColumnInt(7);
    record.macro_value2 = statement.ColumnInt(8);
    record.macro_value3 = statement.ColumnInt(9);
    record.macro_desc = statement.ColumnString(10);
    return record;
}

}  // namespace

int ProfileDatabase::SaveKeyAssignment(const KeyAssignment& record) {
    if (record.key_code == 0) {
        return 0;
    }
    // One transaction: a refused insert keeps the row the key had.
    Transaction transaction(*this);
    if (!transaction.Began() ||
        !Change(db_, "DELETE FROM t_key_macro_data WHERE profile = ? and fn_layer = ? and key_code = ?",
                record.profile, record.fn_layer, record.key_code)) {
        return 0;
    }
    int id = 0;
    if (record.macro_value != 0) {
        id = Insert(db_,
                    "INSERT INTO t_key_macro_data(profile, fn_layer, key_code, layout_value, layout_desc, "
                    "macro_type, macro_value, macro_value2, macro_value3, macro_desc) VALUES (?, ?, ?, ?, ?, "
                    "?, ?, ?, ?, ?);",
                    record.profile, record.fn_layer, record.key_code, record.layout_value, record.layout_desc,
                    record.macro_type, record.macro_value, record.macro_value2, record.macro_value3,
                    record.macro_desc);
        if (id == 0) {
            return 0;
        }
    }
    return transaction.Commit() ? id : 0;
}

bool ProfileDatabase::GetKeyAssignment(int profile, int layer, int keyCode, KeyAssignment& record) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    SQLiteStatement statement;
    PrepareBound(db_, statement,
                 "SELECT * FROM t_key_macro_data WHERE profile = ? and fn_layer = ? and key_code = ?",
                 profile, layer, keyCode);
    if (statement.Step() != kSqliteRow) {
        return false;
    }
    record = ReadKeyAssignment(statement);
    return true;
}

int ProfileDatabase::ListKeyAssignments(int profile, int layer, std::vector<KeyAssignment>& list) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    SQLiteStatement statement;
    PrepareBound(db_, statement, "SELECT * FROM t_key_macro_data WHERE profile = ? and fn_layer = ?", profile,
                 layer);
    return ReadRows(statement, list, ReadKeyAssignment);
}

int ProfileDatabase::ListAllKeyAssignments(int profile, std::vector<KeyAssignment>& list) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    SQLiteStatement statement;
    PrepareBound(db_, statement, "SELECT * FROM t_key_macro_data WHERE profile = ?", profile);
    return ReadRows(statement, list, ReadKeyAssignment);
}

int ProfileDatabase::AddOtherData(const std::string& desc, const std::string& param, int type) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return Insert(db_, "INSERT INTO t_key_otherdata(macro_desc, param, type) VALUES (?, ?, ?);", desc, param,
                  type);
}

bool ProfileDatabase::GetOtherData(int id, std::string& desc, std::string& param, int& type) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    SQLiteStatement statement;
    PrepareBound(db_, statement, "SELECT macro_desc, param, type FROM t_key_otherdata WHERE macro_value = ?",
                 id);
    if (statement.Step() == kSqliteRow) {
        desc = statement.ColumnString(0);
        param = statement.ColumnString(1);
        type = statement.ColumnInt(2);
    }
    return true;
}

int ProfileDatabase::FindFreeOtherDataId(int below, int profile, int layer, int keyCode) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return QueryInt(
        db_,
        "WITH RECURSIVE ids(id) AS (SELECT 1 WHERE 1 < ? UNION ALL SELECT id + 1 FROM ids WHERE id + 1 < ?) "
        "SELECT id FROM ids WHERE id NOT IN (SELECT k.macro_value FROM t_key_macro_data k JOIN "
        "t_profile_data p ON p.profile = k.profile WHERE k.macro_type IN (8, 9, 10) AND "
        "k.macro_value IS NOT NULL AND NOT (k.profile = ? AND k.fn_layer = ? AND k.key_code = ?)) "
        "ORDER BY id LIMIT 1",
        below, below, profile, layer, keyCode);
}

bool ProfileDatabase::PutOtherData(int id, const std::string& desc, const std::string& param, int type) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return Change(
        db_,
        "INSERT OR REPLACE INTO t_key_otherdata(macro_value, macro_desc, param, type) VALUES (?, ?, "
        "?, ?);",
        id, desc, param, type);
}

}  // namespace vantora
