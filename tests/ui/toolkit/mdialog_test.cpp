#include "recording_dialog.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <thread>

namespace vantora {
namespace {

using test::RecordingDialog;

TEST(MDialogTest, ShowModalReturnsOneAfterDoOkAndTwoAfterDoCancel) {
    RecordingDialog dlg;
    ASSERT_TRUE(dlg.Create(nullptr, "t", CRect(0, 0, 200, 100)));
    QTimer::singleShot(0, &dlg, [&] { dlg.DoOK(); });
    EXPECT_EQ(dlg.ShowModal(), 1);
    EXPECT_FALSE(dlg.isVisible());
    QTimer::singleShot(0, &dlg, [&] { dlg.DoCancel(); });
    EXPECT_EQ(dlg.ShowModal(), 2);
    QTimer::singleShot(0, &dlg, [&] { dlg.CloseDialog(); });
    EXPECT_EQ(dlg.ShowModal(), 0);
}

TEST(MDialogTest, ShowModalNestsAndEachLoopEndsWithItsOwnResult) {
    RecordingDialog outer;
    outer.Create(nullptr, "outer", CRect(0, 0, 300, 200));
    int innerResult = -1;
    QTimer::singleShot(0, &outer, [&] {
        RecordingDialog inner;
        inner.Create(&outer, "inner", CRect(0, 0, 100, 100));
        QTimer::singleShot(0, &inner, [&] { inner.DoCancel(); });
        innerResult = inner.ShowModal();
        outer.DoOK();
    });
    EXPECT_EQ(outer.ShowModal(), 1);
    EXPECT_EQ(innerResult, 2);
}

TEST(MDialogTest, ShowModalBeforeCreateOrWhileRunningReturnsZero) {
    RecordingDialog dlg;
    EXPECT_EQ(dlg.ShowModal(), 0);
    dlg.Create(nullptr, "t", CRect(0, 0, 10, 10));
    int again = -1;
    QTimer::singleShot(0, &dlg, [&] {
        again = dlg.ShowModal();
        dlg.DoOK();
    });
    EXPECT_EQ(dlg.ShowModal(), 1);
    EXPECT_EQ(again, 0);
}

TEST(MDialogTest, CreateControlKnowsEveryClassNameAndRejectsOthers) {
    RecordingDialog dlg;
    dlg.Create(nullptr, "t", CRect(0, 0, 400, 300));
    const char* names[] = {"MPicture",      "MText",         "MTabLayout",  "MButton",      "CImageButton",
                           "CTextButton",   "CSelectButton", "LayerButton", "CCheckButton", "CRadioButton",
                           "CColorButton",  "MComboBox",     "MComboBox2",  "MEdit",        "MSlider",
                           "CirclePalette", "MacroListBox",  "CRecordList", "KeyboardCtrl"};
    int id = 1;
    for (const char* name : names) {
        MControl* c = dlg.CreateControl(name, id, CRect(1, 2, 31, 22), "x");
        ASSERT_NE(c, nullptr) << name;
        EXPECT_STREQ(c->ClassName(), name);
        EXPECT_EQ(c->GetId(), id);
        EXPECT_EQ(c->GetRect(), CRect(1, 2, 31, 22));
        EXPECT_EQ(c->geometry(), QRect(1, 2, 30, 20));
        ++id;
    }
    EXPECT_EQ(dlg.CreateControl("NoSuchControl", 99, CRect()), nullptr);
    EXPECT_EQ(dlg.GetControl(99), nullptr);
}

TEST(MDialogTest, GetControlReturnsTheFirstOfRepeatedIds) {
    RecordingDialog dlg;
    dlg.Create(nullptr, "t", CRect(0, 0, 400, 300));
    MControl* first = dlg.CreateControl("KeyboardCtrl", 65, CRect(0, 0, 10, 10));
    MControl* second = dlg.CreateControl("KeyboardCtrl", 65, CRect(0, 0, 10, 10));
    EXPECT_EQ(dlg.GetControl(65), first);
    EXPECT_EQ(dlg.GetControls(65), (std::vector<MControl*>{first, second}));
    delete first;
    EXPECT_EQ(dlg.GetControl(65), second);
}

TEST(MDialogTest, HiddenTabLayoutHidesItsChildrenAndGivesBackTheirOwnState) {
    RecordingDialog dlg;
    dlg.Create(nullptr, "t", CRect(0, 0, 400, 300));
    MControl* page = dlg.CreateControl("MTabLayout", 37, CRect(0, 0, 400, 300));
    MControl* sub = dlg.CreateControl("MTabLayout", 41, CRect(0, 0, 400, 300), "", page);
    MControl* shown = dlg.CreateControl("MButton", 63, CRect(0, 0, 50, 20), "", sub);
    MControl* hidden = dlg.CreateControl("MButton", 64, CRect(0, 30, 50, 50), "", sub);
    hidden->SetVisible(false);
    dlg.show();
    EXPECT_TRUE(shown->isVisible());
    page->SetVisible(false);
    EXPECT_FALSE(shown->isVisible());
    EXPECT_FALSE(sub->isVisible());
    EXPECT_TRUE(shown->IsVisible());  // its own state is kept
    // Showing a child of a hidden page does not put it on screen.
    hidden->SetVisible(true);
    EXPECT_FALSE(hidden->isVisible());
    page->SetVisible(true);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_TRUE(hidden->isVisible());
    sub->SetVisible(false);
    EXPECT_FALSE(shown->isVisible());
    EXPECT_TRUE(page->isVisible());
}

TEST(MDialogTest, ControlWithoutRectangleIsNeverSeen) {
    RecordingDialog dlg;
    dlg.Create(nullptr, "t", CRect(0, 0, 400, 300));
    MControl* tab = dlg.CreateControl("CSelectButton", 46, CRect());
    dlg.show();
    EXPECT_TRUE(tab->size().isEmpty());
    EXPECT_EQ(dlg.childAt(0, 0), nullptr);
}

TEST(MDialogTest, ClickReportsIdCodeAndSender) {
    RecordingDialog dlg;
    dlg.Create(nullptr, "t", CRect(0, 0, 400, 300));
    auto* button = dlg.Make<MButton>(33, CRect(10, 10, 110, 40), "OK");
    dlg.show();
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(dlg.notes.size(), 1u);
    EXPECT_EQ(dlg.notes[0].id, 33);
    EXPECT_EQ(dlg.notes[0].code, kNotifyClick);
    EXPECT_EQ(dlg.notes[0].sender, button);
    EXPECT_EQ(dlg.Sender(), nullptr);
    button->SetEnabled(false);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(dlg.notes.size(), 1u);
}

TEST(MDialogTest, ReleaseOutsideTheButtonIsNoClick) {
    RecordingDialog dlg;
    dlg.Create(nullptr, "t", CRect(0, 0, 400, 300));
    auto* button = dlg.Make<MButton>(33, CRect(10, 10, 110, 40), "OK");
    dlg.show();
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(300, 200));
    EXPECT_TRUE(dlg.notes.empty());
}

TEST(MDialogTest, MessagesPostedFromAnotherThreadArriveOnceInOrderOnTheUiThread) {
    RecordingDialog dlg;
    dlg.Create(nullptr, "t", CRect(0, 0, 10, 10));
    WindowPoster post = dlg.MessagePoster();
    constexpr int kCount = 200;
    std::thread worker([post] {
        for (int i = 0; i < kCount; ++i) {
            post(1092, static_cast<std::uintptr_t>(i), -i);
        }
    });
    worker.join();
    EXPECT_TRUE(dlg.messages.empty());  // nothing is delivered outside the event loop
    QCoreApplication::sendPostedEvents(&dlg);
    ASSERT_EQ(dlg.messages.size(), static_cast<std::size_t>(kCount));
    for (int i = 0; i < kCount; ++i) {
        EXPECT_EQ(dlg.messages[i].message, 1092u);
        EXPECT_EQ(dlg.messages[i].wparam, static_cast<std::uintptr_t>(i));
        EXPECT_EQ(dlg.messages[i].lparam, -i);
        EXPECT_TRUE(dlg.messages[i].onUiThread);
    }
    QCoreApplication::sendPostedEvents(&dlg);
    EXPECT_EQ(dlg.messages.size(), static_cast<std::size_t>(kCount));
}

TEST(MDialogTest, PostingAfterTheDialogIsGoneIsDropped) {
    WindowPoster post;
    {
        RecordingDialog dlg;
        post = dlg.MessagePoster();
        post(2022, 0, 0);  // pending when the dialog dies
    }
    std::thread worker([post] { post(2022, 1, 1); });
    worker.join();
    post(2022, 2, 2);
    QCoreApplication::processEvents();
    SUCCEED();
}

TEST(MDialogTest, PostersRacingTheDialogsDestructionNeverCrash) {
    for (int round = 0; round < 20; ++round) {
        auto* dlg = new RecordingDialog;
        WindowPoster post = dlg->MessagePoster();
        std::atomic<bool> stop{false};
        std::thread worker([post, &stop] {
            while (!stop.load()) {
                post(1092, 0, 0);
            }
        });
        QCoreApplication::processEvents();
        delete dlg;
        stop = true;
        worker.join();
        QCoreApplication::processEvents();
    }
    SUCCEED();
}

TEST(MDialogTest, PostWindowMessageDeliversThroughTheEventLoop) {
    RecordingDialog dlg;
    PostWindowMessage(&dlg, 1691, 610, 610);
    PostWindowMessage(nullptr, 1, 1, 1);
    QCoreApplication::processEvents();
    ASSERT_EQ(dlg.messages.size(), 1u);
    EXPECT_EQ(dlg.messages[0].message, 1691u);
    EXPECT_EQ(dlg.messages[0].lparam, 610);
}

TEST(MDialogTest, TimersCallOnTimerWithTheirOwnId) {
    struct TimerDialog : MDialog {
        std::vector<int> ticks;
        void OnTimer(int id) override {
            ticks.push_back(id);
            KillTimer(id);
        }
    } dlg;
    dlg.SetTimer(7, 1);
    for (int i = 0; i < 500 && dlg.ticks.empty(); ++i) {
        QTest::qWait(10);
    }
    QTest::qWait(20);
    EXPECT_EQ(dlg.ticks, std::vector<int>{7});
}

TEST(MDialogTest, WindowManagerCloseEndsTheDialogWithCancel) {
    RecordingDialog dlg;
    dlg.Create(nullptr, "t", CRect(0, 0, 10, 10));
    QTimer::singleShot(0, &dlg, [&] { dlg.close(); });
    EXPECT_EQ(dlg.ShowModal(), 2);
}

TEST(MDialogTest, CenterWindowPutsTheWindowInTheMiddleOfTheScreen) {
    RecordingDialog dlg;
    dlg.Create(nullptr, "t", CRect(0, 0, 200, 100));
    dlg.CenterWindow();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_NEAR(dlg.geometry().center().x(), screen.center().x(), 1);
    EXPECT_NEAR(dlg.geometry().center().y(), screen.center().y(), 1);
}

// Where windows can be placed (X11, offscreen) dragging the window's own
// surface moves it with the mouse.
TEST(MDialogTest, DraggingTheWindowMovesItWithTheMouse) {
    ASSERT_TRUE(WindowMovesWork());
    RecordingDialog dlg;
    dlg.Create(nullptr, "t", CRect(100, 100, 300, 200));
    dlg.show();
    const QPoint start = dlg.pos();
    auto send = [&dlg](QEvent::Type type, QPoint local, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, local, dlg.mapToGlobal(local), button, held, {});
        QApplication::sendEvent(&dlg, &event);
    };
    send(QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, {60, 40}, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {60, 40}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(dlg.pos(), start + QPoint(50, 30));
}

}  // namespace
}  // namespace vantora
