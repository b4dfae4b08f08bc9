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

// Without XTest and without a virtual keyboard nothing is sent, the
// clipboard is left alone and the notice (no window) says so once.
TEST(SendTextElsewhereTest, NothingIsSentWithoutXTestOrUinput) {
    if (xtest::Available()) {
        GTEST_SKIP() << "XTest is available here";
    }
    std::vector<std::string> notices;
    QtHostActions actions(
        nullptr, [&notices](const std::string& text) { notices.push_back(text); }, "/nonexistent/uinput");
    QGuiApplication::clipboard()->setText("kept");
    for (int i = 0; i < 2; ++i) {
        const HostActionResult result = actions.SendText("hello");
        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(result.error.empty());
    }
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString("kept"));
    EXPECT_EQ(notices.size(), 1u);
}

}  // namespace
}  // namespace vantora::test
