// Lighting: light modes (t_light_data), per-key colours (t_key_light_data)
// and the music layer (t_musiclayer_data). Lighting is stored once, under
// profile 1.

#include "db/profile_database.h"
#include "db/statement_runner.h"

namespace vantora {

using namespace db_detail;

namespace {

constexpr int kLightingProfile = 1;

// Columns of "SELECT * FROM t_light_data".
LightMode ReadLightMode(const SQLiteStatement& statement) {
    LightMode record;
    record.light_id = statement.ColumnInt(0);
    record.profile = statement.ColumnInt(1);
    record.name = statement.ColumnString(2);
    record.mode = statement.ColumnInt(3);
    record.brightness = statement.ColumnInt(4);
    record.speed = statement.ColumnInt(5);
    record.direction = statement.ColumnInt(6);
    record.colorful = statement.ColumnInt(7);
    record.colorindex = statement.ColumnInt(8);
    record.color_value = statement.ColumnInt(9);
    record.config_func = statement.ColumnInt(10);
    record.reserved = statement.ColumnInt(11);
    record.status = statement.ColumnInt(12);
    return record;
}

KeyColour ReadKeyColour(const SQLiteStatement& statement) {
    KeyColour record;
    record.keylight_id = statement.ColumnInt(0);
    record.profile = statement.ColumnInt(1);
    record.light_id = statement.ColumnInt(2);
    record.key_code = statement.ColumnInt(3);
    record.key_rgb = statement.ColumnInt(4);
    return record;
}

}  // namespace

int ProfileDatabase::CountLightModes(int profile) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return QueryInt(db_, "select count(*) FROM t_light_data WHERE profile = ?", profile);
}

int ProfileDatabase::AddLightMode(const LightMode& r) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return Insert(
        db_,
        "INSERT INTO t_light_data(profile, name, mode, brightness, speed, direction, colorful, "
        "colorindex, color_value, config_func, reserved, status) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, "
        "?, ?, ?);",
        r.profile, r.name, r.mode, r.brightness, r.speed, r.direction, r.colorful, r.colorindex,
        r.color_value, r.config_func, r.reserved, r.status);
}

bool ProfileDatabase::UpdateLightMode(int mode, const LightMode& r) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return Change(
        db_,
        "UPDATE t_light_data SET brightness = ?, speed = ?, direction = ?, colorful = ?, colorindex "
        "= ?, color_value = ?, config_func = ?, reserved = ? WHERE profile = ? AND mode = ?",
        r.brightness, r.speed, r.direction, r.colorful, r.colorindex, r.color_value, r.config_func,
        r.reserved, kLightingProfile, mode);
}

bool ProfileDatabase::SetActiveLightMode(int profile, int mode) {
    Transaction transaction(*this);
    return transaction.Began() && Change(db_, "UPDATE t_light_data SET status = ?", 0) &&
           Change(db_, "UPDATE t_light_data SET status = ? WHERE profile = ? and mode = ?", 1, profile,
                  mode) &&
           transaction.Commit();
}

int ProfileDatabase::GetActiveLightMode() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return QueryInt(db_, "SELECT mode FROM t_light_data WHERE profile = ? and status = ?", kLightingProfile,
                    1);
}

bool ProfileDatabase::GetLightMode(int mode, LightMode& record) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    SQLiteStatement statement;
    PrepareBound(db_, statement, "SELECT * FROM t_light_data WHERE profile = ? AND mode = ?",
                 kLightingProfile, mode);
    if (statement.Step() != kSqliteRow) {
        return false;
    }
    record = ReadLightMode(statement);
    return true;
}

int ProfileDatabase::ListLightModes(std::vector<LightMode>& list) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    SQLiteStatement statement;
    PrepareBound(db_, statement, "SELECT * FROM t_light_data WHERE profile = ?", kLightingProfile);
    return ReadRows(statement, list, ReadLightMode);
}

int ProfileDatabase::AddKeyColours(const std::vector<KeyColour>& records) {
    // One transaction: a reader never sees part of a set, and the set is
    // stored whole or not at all.
    Transaction transaction(*this);
    if (!transaction.Began()) {
        return 0;
    }
    for (const KeyColour& r : records) {
        if (!Change(db_,
                    "INSERT INTO t_key_light_data(profile, light_id, key_code, key_rgb) VALUES (?, ?, ?, ?);",
                    r.profile, r.light_id, r.key_code, r.key_rgb)) {
            return 0;
        }
    }
    return transaction.Commit() ? static_cast<int>(records.size()) : 0;
}

bool ProfileDatabase::DeleteKeyColours(int lightId) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return Change(db_, "DELETE FROM t_key_light_data WHERE light_id = ?", lightId);
}

bool ProfileDatabase::ReplaceKeyColours(int lightId, const std::vector<KeyColour>& records) {
    Transaction transaction(*this);
    if (!transaction.Began() || !Change(db_, "DELETE FROM t_key_light_data WHERE light_id = ?", lightId)) {
        return false;
    }
    for (const KeyColour& r : records) {
        if (!Change(db_,
                    "INSERT INTO t_key_light_data(profile, light_id, key_code, key_rgb) VALUES (?, ?, ?, ?);",
                    r.profile, lightId, r.key_code, r.key_rgb)) {
            return false;
        }
    }
    return transaction.Commit();
}

int ProfileDatabase::ListKeyColours(int lightId, std::vector<KeyColour>& list) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    SQLiteStatement statement;
    PrepareBound(db_, statement, "SELECT * FROM t_key_light_data WHERE light_id = ?", lightId);
    return ReadRows(statement, list, ReadKeyColour);
}

int ProfileDatabase::CountMusicLayers() {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return QueryInt(db_, "select count(*) FROM t_musiclayer_data WHERE profile = ?", kLightingProfile);
}

int ProfileDatabase::AddMusicLayer(const std::string& name) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return Insert(db_,
                  "INSERT INTO t_musiclayer_data(profile, name, deviceindex, foremode, fore_amplitude, "
                  "backmode, backb_right, sel) VALUES (?, ?, ?, ?, ?, ?, ?, ?);",
                  kLightingProfile, name, 0, 13, 300, 0, 100, 0);
}

bool ProfileDatabase::GetMusicLayer(int layerId, MusicLayer& record) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    SQLiteStatement statement;
    PrepareBound(db_, statement, "SELECT * FROM t_musiclayer_data WHERE layer_id = ?", layerId);
    if (statement.Step() != kSqliteRow) {
        return false;
    }
    record.layer_id = statement.ColumnInt(0);
    record.profile = statement.ColumnInt(1);
    record.name = statement.ColumnString(2);
    record.deviceindex = statement.ColumnInt(3);
    record.foremode = statement.ColumnInt(4);
    record.fore_amplitude = statement.ColumnInt(5);
    record.backmode = statement.ColumnInt(6);
    record.backb_right = statement.ColumnInt(7);
    return true;
}

bool ProfileDatabase::UpdateMusicLayer(int layerId, const MusicLayer& r) {
    std::lock_guard<std::recursive_mutex> guard(lock_);
    return Change(
        db_,
        "UPDATE t_musiclayer_data SET deviceindex= ?, foremode= ?, fore_amplitude = ?, backmode= ?, "
        "backb_right= ? WHERE layer_id = ?",
        r.deviceindex, r.foremode, r.fore_amplitude, r.backmode, r.backb_right, layerId);
}

}  // namespace vantora
