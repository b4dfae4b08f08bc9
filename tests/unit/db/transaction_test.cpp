// A sequence of operations stored as a whole or not at all.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

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

TEST_F(TransactionTest, AnotherWriterHoldingTheFileThroughTheWaitMeansItDoesNotBegin) {
    db_.SetBusyTimeout(50);
    {
        test::OtherWriter other(db_.DatabasePath());
        ASSERT_TRUE(other.Locked());
        ProfileDatabase::Transaction transaction(db_);
        EXPECT_FALSE(transaction.Began());
        EXPECT_FALSE(transaction.Commit());
        EXPECT_TRUE(db_.LastChangeWasBusy());
    }
    ProfileDatabase::Transaction transaction(db_);
    EXPECT_TRUE(transaction.Began());
    EXPECT_FALSE(db_.LastChangeWasBusy());
}

// The wait (long here) outlasts the other writer, which lets go soon.
TEST_F(TransactionTest, AWriterThatLetsGoWithinTheWaitDelaysTheChangeOnly) {
    db_.SetBusyTimeout(30000);
    test::OtherWriter other(db_.DatabasePath());
    ASSERT_TRUE(other.Locked());
    std::thread release([&other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        other.Release();
    });
    EXPECT_GT(db_.AddProfile("waited"), 0);
    release.join();
    EXPECT_FALSE(db_.LastChangeWasBusy());
    EXPECT_EQ(Query("SELECT count(*) FROM t_profile_data"), 1);
}

// Two threads share the object: each is told about its own last change.
TEST_F(TransactionTest, BusyIsToldToTheThreadWhoseChangeWasRefused) {
    db_.SetBusyTimeout(20);
    {
        test::OtherWriter other(db_.DatabasePath());
        ASSERT_TRUE(other.Locked());
        EXPECT_EQ(db_.AddProfile("refused"), 0);
    }
    bool otherThreadTold = true;
    std::thread([&] { otherThreadTold = db_.LastChangeWasBusy(); }).join();
    EXPECT_FALSE(otherThreadTold);
    EXPECT_TRUE(db_.LastChangeWasBusy());
    std::vector<ProfileItem> profiles;
    db_.ListProfiles(profiles);  // reading leaves it
    EXPECT_TRUE(db_.LastChangeWasBusy());
    // A change refused for another reason is not a busy one.
    ASSERT_TRUE(test::ExecOnFile(db_.DatabasePath(),
                                 "CREATE TRIGGER refuse BEFORE INSERT ON t_macro_data BEGIN SELECT "
                                 "RAISE(ABORT, 'refused'); END"));
    EXPECT_EQ(db_.AddMacro("m"), 0);
    EXPECT_FALSE(db_.LastChangeWasBusy());
    EXPECT_TRUE(db_.LastChangeFailed());
    EXPECT_GT(db_.AddProfile("stored"), 0);
    EXPECT_FALSE(db_.LastChangeFailed());
}

}  // namespace
}  // namespace vantora
