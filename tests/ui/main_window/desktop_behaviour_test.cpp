// The main window on the desktop: where the keyboard focus starts, the tray
// icon's menu, and a tray that appears after the program.
#include "main_window_fixture.h"
#include "ui/window_messages.h"

#include <QAction>
#include <QMenu>

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
