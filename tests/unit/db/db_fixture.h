#pragma once

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "db/profile_database.h"
#include "support/temp_dir.h"

namespace vantora::test {

// Runs `sql` on its own connection to `path` and returns the first column of
// the first row as an int; -1 when the query cannot run.
inline int QueryIntOnFile(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    int result = -1;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW) {
            result = sqlite3_column_int(statement, 0);
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return result;
}

// Runs `sql` on its own writable connection to `path`; false when it fails.
inline bool ExecOnFile(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    bool done = false;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        done = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    sqlite3_close(db);
    return done;
}

// Another program's connection holding the write lock of the database file
// from construction to Release() (or its end).
class OtherWriter {
public:
    explicit OtherWriter(const std::string& path) {
        sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
        locked_ = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~OtherWriter() {
        Release();
        sqlite3_close(db_);
    }
    OtherWriter(const OtherWriter&) = delete;
    OtherWriter& operator=(const OtherWriter&) = delete;

    bool Locked() const { return locked_; }
    void Release() {
        if (locked_) {
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            locked_ = false;
        }
    }

private:
    sqlite3* db_ = nullptr;
    bool locked_ = false;
};

// A fresh profile database in a temporary data folder.
class DatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::create_directories(dir_.path() + "db"));
        ASSERT_TRUE(db_.OpenProfileDatabase(dir_.path(), "kb_data"));
    }

    int Query(const std::string& sql) const { return QueryIntOnFile(db_.DatabasePath(), sql); }

    TempDir dir_;
    ProfileDatabase db_;
};

// A database object whose file could not be opened: no connection at all.
class ClosedDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override { EXPECT_FALSE(db_.OpenProfileDatabase(dir_.path() + "missing/", "kb_data")); }

    TempDir dir_;
    ProfileDatabase db_;
};

}  // namespace vantora::test
