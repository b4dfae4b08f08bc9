// Sending text as a paste: on X11 the text arrives in the focused field and
// the clipboard gets its previous content back; elsewhere nothing is sent.
#include "ui/host/host_actions_qt.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>

#include "ui/host/xtest_keys.h"

namespace vantora::test {
namespace {

class SendTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!xtest::Available()) {
            GTEST_SKIP() << "no X11 display with XTest (platform "
                         << QGuiApplication::platformName().toStdString() << ")";
        }
        field.resize(300, 40);
        field.show();
        field.activateWindow();
        field.setFocus();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&field));
    }

    QLineEdit field;
    QtHostActions actions{nullptr};
};

TEST_F(SendTextTest, TheTextIsPastedAndTheClipboardRestored) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText("copied before");
    QTRY_COMPARE(clipboard->text(), QString("copied before"));

    EXPECT_TRUE(actions.SendText("Grüße, \"friends\" $(x);").ok);
    EXPECT_TRUE(actions.SendText(" and more").ok);  // waits for the first
    QTRY_COMPARE_WITH_TIMEOUT(field.text(), QString("Grüße, \"friends\" $(x); and more"), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(clipboard->text(), QString("copied before"), 5000);
}

TEST(SendTextElsewhereTest, NothingIsSentWithoutXTest) {
    if (xtest::Available()) {
        GTEST_SKIP() << "XTest is available here";
    }
    QtHostActions actions(nullptr);
    QGuiApplication::clipboard()->setText("kept");
    const HostActionResult result = actions.SendText("hello");
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.empty());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString("kept"));
}

}  // namespace
}  // namespace vantora::test
