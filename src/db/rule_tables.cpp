// The application rules (t_profile_rule): which profile is selected while an
// application is in front.

#include "db/profile_database.h"
#include "db/statement_runner.h"

namespace vantora {

using namespace db_detail;

namespace {

ProfileRule ReadRule(const SQLiteStatement& statement) {
    ProfileRule rule;
    rule.rule_id = statement.ColumnInt(0);
    rule.app_id = statement.ColumnString(1);
    rule.title_pattern = statement.ColumnString(2);
    rule.profile = statement.ColumnInt(3);
    rule.position = statement.ColumnInt(4);
    return rule;
}

}  // namespace

int ProfileDatabase::AddProfileRule(const ProfileRule& rule) {
    Transaction transaction(*this);
    if (!transaction.Began() ||
        !Change(db_,
                "CREATE TABLE IF NOT EXISTS t_profile_rule(rule_id INTEGER PRIMARY KEY AUTOINCREMENT, "
                "app_id TEXT, title_pattern TEXT, profile INTEGER, position INTEGER)")) {
        return 0;
    }
    const int position = QueryInt(db_, "SELECT coalesce(max(position), 0) + 1 FROM t_profile_rule");
    const int id = Insert(db_,
                          "INSERT INTO t_profile_rule(app_id, title_pattern, profile, position) VALUES "
                          "(?, ?, ?, ?)",
                          rule.app_id, rule.title_pattern, rule.profile, position);
    return id != 0 && transaction.Commit() ? id : 0;
}

bool ProfileDatabase::RemoveProfileRule(int ruleId) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return Change(db_, "DELETE FROM t_profile_rule WHERE rule_id = ?", ruleId);
}

int ProfileDatabase::ListProfileRules(std::vector<ProfileRule>& list) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    SQLiteStatement statement;
    PrepareBound(db_, statement,
                 "SELECT rule_id, app_id, title_pattern, profile, position FROM t_profile_rule ORDER BY "
                 "position, rule_id");
    return ReadRows(statement, list, ReadRule);
}

}  // namespace vantora
