// The main window's keyboard status line at the foot of the frame: while the
// device worker reads or writes the keyboard it says so (with the progress
// of the long transfers), and after a download the keyboard refused or did
// not answer it says that the change did not reach the keyboard, until the
// next download that does. No dialog: the user goes on working.
#include "i18n/strings.h"
#include "ui/main_window/main_window.h"
#include "ui/pages/own_texts.h"
#include "ui/toolkit/skin.h"

#include <QMetaObject>
#include <QSystemTrayIcon>
#include <QTimer>
#include <string>

namespace vantora {
namespace {

// The initial load (also after an arrival) reads the keyboard's tables;
// every other job writes.
bool Reads(int task) {
    return task == SyncInitialLoad || task == SyncDeviceArrived;
}

constexpr std::uint32_t kRefusedColour = 0xFFF09A20;
constexpr int kHostNoticeMs = 20000;

}  // namespace

void DeviceMainDlg::CreateKeyboardStatus() {
    auto* line = static_cast<MText*>(
        CreateArea("MText", kIdKeyboardStatus, CRect(20, kHeight - 24, kWidth - 20, kHeight - 2)));
    line->SetAlignment(kAlignRight);
    line->SetTextSize(12);
    RefreshKeyboardStatus();
}

// From the worker thread: shown on the UI thread (dropped with the window).
void DeviceMainDlg::OnKeyboardActivity(const WriteActivity& activity) {
    QMetaObject::invokeMethod(
        this,
        [this, activity] {
            if (stopping_.load()) {
                return;
            }
            ShowKeyboardActivity(activity);
            if (activity.kind == WriteActivity::Kind::kStarted) {
                emit KeyboardBusyChanged(true);
            } else if (activity.kind == WriteActivity::Kind::kFinished) {
                emit KeyboardBusyChanged(false);
                emit KeyboardStateChanged();  // a click's change is on the keyboard now
            }
        },
        Qt::QueuedConnection);
}

void DeviceMainDlg::ShowKeyboardActivity(const WriteActivity& activity) {
    switch (activity.kind) {
        case WriteActivity::Kind::kStarted:
            statusTask_ = activity.task;
            statusPercent_ = -1;
            break;
        case WriteActivity::Kind::kProgress:
            if (activity.total > 0) {
                statusTask_ = activity.task;
                statusPercent_ = activity.done * 100 / activity.total;
            }
            break;
        case WriteActivity::Kind::kFinished:
            statusTask_ = 0;
            statusPercent_ = -1;
            // A job dropped for want of a keyboard, or cancelled, says
            // nothing about whether downloads reach the keyboard.
            if (activity.outcome == JobOutcome::kDone) {
                lastDownloadRefused_ = false;
            } else if (activity.outcome == JobOutcome::kKeyboardFailed) {
                lastDownloadRefused_ = true;
            }
            break;
    }
    RefreshKeyboardStatus();
}

void DeviceMainDlg::ShowHostNotice(const std::string& text) {
    hostNotice_ = text;
    const int number = ++hostNoticeNumber_;
    RefreshKeyboardStatus();
    QTimer::singleShot(kHostNoticeMs, this, [this, number] {
        if (number == hostNoticeNumber_) {
            hostNotice_.clear();
            RefreshKeyboardStatus();
        }
    });
    if (!isVisible() && tray_ != nullptr) {
        tray_->showMessage(QStringLiteral("VANTORA"), QString::fromStdString(text));
    }
}

void DeviceMainDlg::RefreshKeyboardStatus() {
    auto* line = GetControlAs<MText>(kIdKeyboardStatus);
    if (line == nullptr) {
        return;
    }
    std::string text;
    std::uint32_t colour = skin::kUiTextColor;
    if (statusTask_ != 0) {
        text = GetUiString(Reads(statusTask_) ? ui_text::kReadingKeyboard : ui_text::kWritingKeyboard);
        if (statusPercent_ >= 0) {
            text += " " + std::to_string(statusPercent_) + "%";
        }
    } else if (lastDownloadRefused_) {
        text = GetUiString(ui_text::kKeyboardRefused);
        colour = kRefusedColour;
    } else if (!hostNotice_.empty()) {
        text = hostNotice_;
        colour = kRefusedColour;
    }
    line->SetTextColor(colour);
    line->SetTitle(text);
}

}  // namespace vantora
