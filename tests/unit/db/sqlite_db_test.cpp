#include "db/sqlite_db.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/env_guard.h"
#include "support/temp_dir.h"

namespace vantora {
namespace {

class SQLiteDBTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.path() + "test.db";
        db_.SetStatementObserver([this](const char* sql) { seen_.emplace_back(sql); });
    }
    test::TempDir dir_;
    std::string path_;
    SQLiteDB db_;
    std::vector<std::string> seen_;
};

TEST_F(SQLiteDBTest, WithoutAConnectionEveryCallReportsMisuse) {
    SQLiteStatement statement;
    EXPECT_FALSE(db_.IsOpen());
    EXPECT_EQ(db_.Execute("SELECT 1"), kSqliteMisuse);
    EXPECT_EQ(db_.Prepare(statement, "SELECT 1"), kSqliteMisuse);
    EXPECT_FALSE(statement.IsPrepared());
    EXPECT_EQ(statement.BindInt(1, 5), kSqliteMisuse);
    EXPECT_EQ(statement.BindText(1, std::string("x").c_str(), 1), kSqliteMisuse);
    EXPECT_EQ(statement.Step(), kSqliteMisuse);
    EXPECT_EQ(statement.ColumnInt(0), 0);
    EXPECT_EQ(statement.ColumnText(0), nullptr);
    EXPECT_EQ(statement.ColumnString(0), "");
    EXPECT_EQ(db_.LastInsertId(), -1);
    EXPECT_TRUE(db_.Close());
    EXPECT_TRUE(seen_.empty());
}

TEST_F(SQLiteDBTest, OpenRefusesANullPathAndAMissingFileWithoutCreate) {
    EXPECT_FALSE(db_.Open(nullptr, kOpenCreate));
    EXPECT_FALSE(db_.Open(path_.c_str(), kOpenExisting));
    EXPECT_FALSE(db_.IsOpen());
}

// A commit is synced to disk (durable across a power cut); the write-ahead
// log keeps that from making readers wait.
TEST_F(SQLiteDBTest, OpenCreatesTheFileWithAWriteAheadLogAndFullSyncing) {
    ASSERT_TRUE(db_.Open(path_.c_str(), kOpenCreate));
    EXPECT_TRUE(db_.IsOpen());
    EXPECT_FALSE(db_.IsReadOnly());
    EXPECT_EQ(db_.JournalMode(), "wal");
    SQLiteStatement statement;
    ASSERT_EQ(db_.Prepare(statement, "PRAGMA synchronous"), kSqliteOk);
    ASSERT_EQ(statement.Step(), kSqliteRow);
    EXPECT_EQ(statement.ColumnInt(0), 2);  // FULL
    statement.Finalize();
    EXPECT_TRUE(db_.Close());
    EXPECT_FALSE(db_.IsOpen());
    // Reopening the existing file without the create flag works.
    EXPECT_TRUE(db_.Open(path_.c_str(), kOpenExisting));
}

TEST(SQLiteDBBusyTimeout, IsFiveSecondsUnlessTheTestVariableGivesAnotherWait) {
    const struct {
        const char* value;  // nullptr: unset
        int expected;
    } cases[] = {{nullptr, 5000}, {"250", 250}, {"0", 0},         {"", 5000},
                 {"12x", 5000},   {"-1", 5000}, {"600001", 5000}, {"600000", 600000}};
    for (const auto& c : cases) {
        test::EnvGuard env;
        if (c.value == nullptr) {
            env.Unset(kBusyTimeoutVariable);
        } else {
            env.Set(kBusyTimeoutVariable, c.value);
        }
        SQLiteDB db;
        EXPECT_EQ(db.BusyTimeoutMs(), c.expected) << (c.value ? c.value : "unset");
    }
}

TEST_F(SQLiteDBTest, PrepareBindStepAndReadBack) {
    ASSERT_TRUE(db_.Open(path_.c_str(), kOpenCreate));
    ASSERT_EQ(db_.Execute("CREATE TABLE t(id INTEGER PRIMARY KEY AUTOINCREMENT, n INTEGER, s TEXT)"),
              kSqliteOk);
    SQLiteStatement statement;
    const std::string text = "Grüße, 世界";
    ASSERT_EQ(db_.Prepare(statement, "INSERT INTO t(n, s) VALUES (?, ?);"), kSqliteOk);
    EXPECT_EQ(statement.BindAll(-7, text), kSqliteOk);
    EXPECT_TRUE(IsStepSuccess(statement.Step()));
    EXPECT_EQ(db_.LastInsertId(), 1);

    // Prepare finalizes what the statement held before.
    ASSERT_EQ(db_.Prepare(statement, "SELECT n, s, NULL FROM t"), kSqliteOk);
    ASSERT_EQ(statement.Step(), kSqliteRow);
    EXPECT_EQ(statement.ColumnInt(0), -7);
    EXPECT_EQ(statement.ColumnString(1), text);
    EXPECT_EQ(statement.ColumnText(2), nullptr);
    EXPECT_EQ(statement.ColumnString(2), "");
    EXPECT_EQ(statement.Step(), kSqliteDone);
}

TEST_F(SQLiteDBTest, StepResultsThatCountAsSuccess) {
    EXPECT_TRUE(IsStepSuccess(kSqliteOk));
    EXPECT_TRUE(IsStepSuccess(kSqliteRow));
    EXPECT_TRUE(IsStepSuccess(kSqliteDone));
    EXPECT_FALSE(IsStepSuccess(kSqliteMisuse));
    EXPECT_FALSE(IsStepSuccess(1));
    EXPECT_FALSE(IsStepSuccess(19));  // constraint
}

TEST_F(SQLiteDBTest, BadSqlFailsToPrepareAndLeavesNoStatement) {
    ASSERT_TRUE(db_.Open(path_.c_str(), kOpenCreate));
    SQLiteStatement statement;
    EXPECT_NE(db_.Prepare(statement, "SELECT * FROM no_such_table"), kSqliteOk);
    EXPECT_FALSE(statement.IsPrepared());
    EXPECT_EQ(statement.Step(), kSqliteMisuse);
    EXPECT_EQ(db_.Prepare(statement, nullptr), kSqliteMisuse);
}

TEST_F(SQLiteDBTest, FinalizeAfterAFailedStepReleasesTheStatementOnce) {
    ASSERT_TRUE(db_.Open(path_.c_str(), kOpenCreate));
    ASSERT_EQ(db_.Execute("CREATE TABLE u(x INTEGER UNIQUE)"), kSqliteOk);
    ASSERT_EQ(db_.Execute("INSERT INTO u VALUES (1)"), kSqliteOk);
    SQLiteStatement statement;
    ASSERT_EQ(db_.Prepare(statement, "INSERT INTO u VALUES (1)"), kSqliteOk);
    EXPECT_FALSE(IsStepSuccess(statement.Step()));
    // sqlite3_finalize repeats the step's error but frees the statement: the
    // handle must not be finalized a second time by the destructor.
    EXPECT_NE(statement.Finalize(), kSqliteOk);
    EXPECT_FALSE(statement.IsPrepared());
    EXPECT_EQ(statement.Finalize(), kSqliteOk);
}

TEST_F(SQLiteDBTest, TransactionRunsBeginAndAlwaysEnd) {
    ASSERT_TRUE(db_.Open(path_.c_str(), kOpenCreate));
    ASSERT_EQ(db_.Execute("CREATE TABLE u(x INTEGER UNIQUE)"), kSqliteOk);
    seen_.clear();
    {
        SQLiteAutoTransaction transaction(&db_);
        EXPECT_TRUE(transaction.IsActive());
        EXPECT_FALSE(transaction.Begin());  // already active
        db_.Execute("INSERT INTO u VALUES (1)");
        EXPECT_NE(db_.Execute("INSERT INTO u VALUES (1)"), kSqliteOk);  // ignored, no rollback
    }
    ASSERT_EQ(seen_.size(), 4u);
    EXPECT_EQ(seen_.front(), "BEGIN");
    EXPECT_EQ(seen_.back(), "END");
    SQLiteStatement statement;
    ASSERT_EQ(db_.Prepare(statement, "SELECT count(*) FROM u"), kSqliteOk);
    ASSERT_EQ(statement.Step(), kSqliteRow);
    EXPECT_EQ(statement.ColumnInt(0), 1);
}

TEST_F(SQLiteDBTest, ExplicitEndIsNotRepeatedByTheDestructor) {
    ASSERT_TRUE(db_.Open(path_.c_str(), kOpenCreate));
    seen_.clear();
    {
        SQLiteAutoTransaction transaction(&db_);
        EXPECT_TRUE(transaction.End());
        EXPECT_FALSE(transaction.IsActive());
        EXPECT_TRUE(transaction.Begin());
        EXPECT_TRUE(transaction.End());
    }
    EXPECT_EQ(seen_, (std::vector<std::string>{"BEGIN", "END", "BEGIN", "END"}));
}

TEST_F(SQLiteDBTest, TransactionWithoutConnectionOrDatabase) {
    SQLiteAutoTransaction none(nullptr);
    EXPECT_FALSE(none.IsActive());
    EXPECT_FALSE(none.Begin());
    EXPECT_FALSE(none.End());

    SQLiteAutoTransaction closed(&db_);
    EXPECT_TRUE(closed.IsActive());  // marked active although nothing ran
    EXPECT_FALSE(closed.End());
    EXPECT_FALSE(closed.IsActive());
    EXPECT_FALSE(closed.Begin());
    EXPECT_TRUE(closed.IsActive());
    EXPECT_TRUE(seen_.empty());
}

}  // namespace
}  // namespace vantora
