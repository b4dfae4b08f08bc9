// A sequence of operations stored as a whole or not at all.

#include <gtest/gtest.h>

#include "db/profile_database.h"
#include "db_fixture.h"

namespace vantora {
namespace {

using TransactionTest = test::DatabaseTest;

TEST_F(TransactionTest, CommitStoresEverythingAndAnEarlyEndStoresNothing) {
    {
        ProfileDatabase::Transaction transaction(db_);
        ASSERT_TRUE(transaction.Began());
        db_.AddProfile("kept");
        EXPECT_TRUE(transaction.Commit());
    }
    {
        ProfileDatabase::Transaction transaction(db_);
        db_.AddProfile("dropped");
        ASSERT_GT(db_.AddMacro("dropped"), 0);
    }
    EXPECT_EQ(Query("SELECT count(*) FROM t_profile_data"), 1);
    EXPECT_EQ(Query("SELECT count(*) FROM t_macro_data"), 0);
}

TEST_F(TransactionTest, NestedOnesUndoOnlyTheirOwnWork) {
    ProfileDatabase::Transaction outer(db_);
    db_.AddProfile("outer");
    {
        // AddMacroSteps runs a transaction of its own inside this one.
        ProfileDatabase::Transaction inner(db_);
        ASSERT_TRUE(inner.Began());
        db_.AddProfile("inner");
        EXPECT_TRUE(db_.AddMacroSteps({MacroStep{0, 1, 2, 0, 65, 1, "A"}}));
    }
    EXPECT_TRUE(outer.Commit());
    EXPECT_EQ(Query("SELECT count(*) FROM t_profile_data WHERE name = 'outer'"), 1);
    EXPECT_EQ(Query("SELECT count(*) FROM t_profile_data WHERE name = 'inner'"), 0);
    EXPECT_EQ(Query("SELECT count(*) FROM t_macrorecord"), 0);
}

TEST_F(TransactionTest, AnotherWriterHoldingTheFileMeansItDoesNotBegin) {
    test::ExecOnFile(db_.DatabasePath(), "SELECT 1");  // the file exists and is ours
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open_v2(db_.DatabasePath().c_str(), &other, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    {
        ProfileDatabase::Transaction transaction(db_);
        EXPECT_FALSE(transaction.Began());
        EXPECT_FALSE(transaction.Commit());
    }
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    ProfileDatabase::Transaction transaction(db_);
    EXPECT_TRUE(transaction.Began());
}

}  // namespace
}  // namespace vantora
