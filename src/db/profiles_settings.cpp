// Profiles (t_profile_data), global settings (t_config_data), the first-run
// defaults.

#include "db/profile_database.h"
#include "db/statement_runner.h"

namespace vantora {

using namespace db_detail;

namespace {

// Every setting lives under profile 1, whatever profile is active.
constexpr int kSettingsProfile = 1;

ProfileItem ReadProfile(const SQLiteStatement& statement) {
    ProfileItem item;
    item.profile = statement.ColumnInt(0);
    item.name = statement.ColumnString(1);
    item.status = statement.ColumnInt(2);
    return item;
}

}  // namespace

int ProfileDatabase::AddProfile(const std::string& name) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return Insert(db_, "INSERT INTO t_profile_data(name, status) VALUES (?, ?);", name, 0);
}

bool ProfileDatabase::DeleteProfile(int id) {
    Transaction transaction(*this);
    const bool hasRules =
        QueryInt(db_, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 't_profile_rule'") >
        0;
    return transaction.Began() && Change(db_, "DELETE FROM t_profile_data WHERE profile = ?", id) &&
           (!hasRules || Change(db_, "DELETE FROM t_profile_rule WHERE profile = ?", id)) &&
           transaction.Commit();
}

bool ProfileDatabase::RenameProfile(int id, const std::string& name) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return Change(db_, "UPDATE t_profile_data SET name = ? WHERE profile = ?", name, id);
}

int ProfileDatabase::ListProfiles(std::vector<ProfileItem>& list) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    SQLiteStatement statement;
    PrepareBound(db_, statement, "SELECT * FROM t_profile_data");
    return ReadRows(statement, list, ReadProfile);
}

bool ProfileDatabase::SetActiveProfile(int id) {
    Transaction transaction(*this);
    return transaction.Began() && Change(db_, "UPDATE t_profile_data SET status = ?", 0) &&
           Change(db_, "UPDATE t_profile_data SET status = ? WHERE profile = ?", 1, id) &&
           transaction.Commit();
}

int ProfileDatabase::GetActiveProfile() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return QueryInt(db_, "SELECT profile FROM t_profile_data WHERE status = ?", 1);
}

int ProfileDatabase::ListProfilesCreatingDefaults(std::vector<ProfileItem>& list,
                                                  const std::string& defaultWord) {
    if (ListProfiles(list) > 0) {
        return static_cast<int>(list.size());
    }
    {
        Transaction transaction(*this);
        // Another program may have made them while this one waited.
        if (transaction.Began() && ListProfiles(list) == 0) {
            const std::string& word = defaultWord;
            const int first = AddProfile(word + " 1");
            // On a new or wiped database the first profile is id 1. On a
            // database whose profiles were all deleted the counter has moved
            // on; activate the profile actually created rather than a missing id 1.
            if (first != 0 && InsertDefaultConfig() && AddProfile(word + " 2") != 0 &&
                AddProfile(word + " 3") != 0 && SetActiveProfile(first)) {
                transaction.Commit();
            }
        }
    }
    return ListProfiles(list);
}

bool ProfileDatabase::GetConfig(const std::string& key, std::string& value) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    SQLiteStatement statement;
    const int prepared =
        db_.Prepare(statement, "SELECT value FROM t_config_data WHERE profile = ? and key = ?");
    statement.BindAll(kSettingsProfile, key);
    const int rc = statement.Step();
    if (prepared != kSqliteOk || (rc != kSqliteRow && rc != kSqliteDone)) {
        // (assign, not operator=: GCC 12 warns falsely about the latter at -O3)
        value.assign(1, '0');
        return false;
    }
    if (rc == kSqliteDone) {
        value.clear();
        return false;
    }
    value = statement.ColumnString(0);
    return true;
}

bool ProfileDatabase::SetConfig(const std::string& key, const std::string& value) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return Change(db_, "UPDATE t_config_data SET value = ? WHERE profile = ? and key = ?", value,
                  kSettingsProfile, key);
}

bool ProfileDatabase::PutConfig(const std::string& key, const std::string& value) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    Transaction transaction(*this);
    return transaction.Began() &&
           Change(db_, "DELETE FROM t_config_data WHERE profile = ? AND key = ?", kSettingsProfile, key) &&
           Change(db_, "INSERT INTO t_config_data(profile, key, value) VALUES (?, ?, ?)", kSettingsProfile,
                  key, value) &&
           transaction.Commit();
}

bool ProfileDatabase::InsertDefaultConfig() {
    static const std::pair<std::string, std::string> kDefaults[] = {
        {"version", "1.0.1"}, {"fn_layer", "0"},       {"lightmode", "1"},
        {"sleep_light", "0"}, {"userlight", "0"},      {"disable_gamemode", "0"},
        {"disable_win", "0"}, {"disable_alttab", "0"}, {"disable_altf4", "0"},
    };
    Transaction transaction(*this);
    if (!transaction.Began()) {
        return false;
    }
    for (const auto& [key, value] : kDefaults) {
        if (!Change(
                db_,
                "INSERT INTO t_config_data(profile, key, value) SELECT ?, ?, ? WHERE NOT EXISTS (SELECT 1 "
                "FROM t_config_data WHERE profile = ? AND key = ?);",
                kSettingsProfile, key, value, kSettingsProfile, key)) {
            return false;
        }
    }
    return transaction.Commit();
}

}  // namespace vantora
