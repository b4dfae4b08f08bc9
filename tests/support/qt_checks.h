// Included before every source of the UI tests: Qt's own checks (QVERIFY,
// QCOMPARE, QFAIL and the QTRY_ waits built on them) fail the GoogleTest
// test they are in. Qt's versions only log and return outside a QTest run,
// so a failed check would pass silently.
#pragma once

#include <gtest/gtest.h>
#include <QTest>

#undef QVERIFY
#undef QVERIFY2
#undef QCOMPARE
#undef QFAIL

#define QVERIFY(statement) ASSERT_TRUE(static_cast<bool>(statement)) << #statement
#define QVERIFY2(statement, description) \
    ASSERT_TRUE(static_cast<bool>(statement)) << #statement << ": " << (description)
#define QCOMPARE(actual, expected) ASSERT_TRUE((actual) == (expected)) << #actual " == " #expected
#define QFAIL(message) FAIL() << (message)
