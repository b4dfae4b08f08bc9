// The main window on the desktop: where the keyboard focus starts, the tray
// icon's menu, and a tray that appears after the program.
#include "app/close_choice.h"
#include "main_window_fixture.h"
#include "ui/window_messages.h"

#include <QAction>
#include <QMenu>
#include <QWindow>

namespace vantora::test {
namespace {

TEST_F(MainWindowTest, StartsOnTheHomeTabShownSelectedAndSpaceThereKeepsTheWindow) {
    OpenConnected();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    for (MControl* tab : window->GetControls(kTabHome)) {
        EXPECT_TRUE(qobject_cast<CheckableButton*>(tab)->GetCheck());
    }
    for (int id : {kIdClose, kIdMinimize, kIdSettings}) {
        EXPECT_EQ(Control(id)->focusPolicy(), Qt::NoFocus) << id;
    }
    QWidget* focus = QApplication::focusWidget();
    ASSERT_EQ(focus, Control(kTabHome));
    QTest::keyClick(focus, Qt::Key_Space);
    QTest::qWait(20);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(exitCode.has_value());
    EXPECT_EQ(window->CurrentPageId(), kTabHome);
}

TEST_F(MainWindowTest, TrayIconCarriesTheExitMenuThatEndsTheProgram) {
    trayAvailable = true;
    Open();
    ASSERT_TRUE(window->HasTrayIcon());
    QMenu* menu = window->TrayMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions().front()->text().toStdString(), GetUiString(13));
    menu->actions().front()->trigger();
    QTRY_VERIFY(exitCode.has_value());
    EXPECT_EQ(*exitCode, 0);
    EXPECT_FALSE(window->HasTrayIcon());
    EXPECT_EQ(window->TrayMenu(), nullptr);
    EXPECT_TRUE(window->Worker()->IsDone());
}

// Exit is in the window itself: the frame's button and Ctrl+Q, also with a tray.
TEST_F(MainWindowTest, TheFramesExitButtonAndCtrlQEndTheProgram) {
    trayAvailable = true;
    Open();
    Click(Control(kIdExit));
    ASSERT_TRUE(exitCode.has_value());
    EXPECT_EQ(*exitCode, 0);
    EXPECT_FALSE(window->isVisible());

    window.reset();
    exitCode.reset();
    Open();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_Q, Qt::ControlModifier);
    ASSERT_TRUE(exitCode.has_value());
    EXPECT_EQ(*exitCode, 0);
}

// A tray whose menu does not open is no way back: the user's choice makes
// the close button quit although a tray is there.
TEST_F(MainWindowTest, TheCloseButtonQuitsWhenTheUserChoseSo) {
    trayAvailable = true;
    ASSERT_TRUE(SetCloseButtonQuits(true));
    Open();
    Click(Control(kIdClose));
    ASSERT_TRUE(exitCode.has_value());
    EXPECT_EQ(*exitCode, 0);
}

// A press and move on the title hands the move to the desktop; where the
// desktop cannot move windows (no window manager under Xvfb) the window
// follows the mouse itself.
TEST_F(MainWindowTest, DraggingTheTitleMovesTheWindow) {
    Open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    const QPoint title = Control(kIdTitle)->geometry().center();
    int desktopMoves = 0;
    MDialog::SetSystemMoveForTests([&desktopMoves](QWindow&) { return ++desktopMoves > 0; });
    const QPoint start = window->pos();
    QTest::mousePress(window.get(), Qt::LeftButton, {}, title);
    QTest::mouseMove(window.get(), title + QPoint(40, 20));
    QTest::mouseRelease(window.get(), Qt::LeftButton, {}, title + QPoint(40, 20));
    EXPECT_EQ(desktopMoves, 1);
    EXPECT_EQ(window->pos(), start);

    MDialog::SetSystemMoveForTests([](QWindow&) { return false; });
    QTest::mousePress(window.get(), Qt::LeftButton, {}, title);
    QTest::mouseMove(window.get(), title + QPoint(40, 20));
    QTest::mouseRelease(window.get(), Qt::LeftButton, {}, title + QPoint(40, 20));
    MDialog::SetSystemMoveForTests(nullptr);
    QTRY_COMPARE(window->pos(), start + QPoint(40, 20));
}

// Autostart before the panel: the icon comes once the tray is there, found
// by the periodic look or at the latest when the window is closed.
TEST_F(MainWindowTest, ATrayThatAppearsAfterStartUpGetsTheIcon) {
    trayProbeIntervalMs = 20;
    Open();
    EXPECT_FALSE(window->HasTrayIcon());
    trayAvailable = true;
    QTRY_VERIFY(window->HasTrayIcon());

    window.reset();
    trayAvailable = false;
    trayProbeIntervalMs = 3600 * 1000;
    Open();
    trayAvailable = true;
    Click(Control(kIdClose));
    EXPECT_TRUE(window->HasTrayIcon());
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(exitCode.has_value());
}

}  // namespace
}  // namespace vantora::test
