// The main window's tray icon: its menu, and the look-out for a tray that
// appears after the program (autostart often runs before the panel).
#include "i18n/strings.h"
#include "ui/main_window/main_window.h"
#include "ui/toolkit/skin.h"
#include "ui/window_messages.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

namespace vantora {
namespace {

constexpr int kTrayProbeTimer = 1;

}  // namespace

bool DeviceMainDlg::TrayAvailable() const {
    if (options_.trayAvailable) {
        return options_.trayAvailable();
    }
    return QSystemTrayIcon::isSystemTrayAvailable();
}

// The icon and its menu. Without a tray yet, a timer looks again until one
// appears.
void DeviceMainDlg::AddTrayIcon() {
    if (tray_ != nullptr || !options_.useTray || shutDown_) {
        return;
    }
    if (!TrayAvailable()) {
        SetTimer(kTrayProbeTimer, options_.trayProbeIntervalMs);
        return;
    }
    KillTimer(kTrayProbeTimer);
    tray_ = new QSystemTrayIcon(skin::AppIcon(), this);
    tray_->setToolTip(QStringLiteral("VANTORA"));
    const WindowPoster post = MessagePoster();
    // The menu belongs to the icon: trays that show only a menu the program
    // hands them show this one, and it needs no window to open from.
    trayMenu_ = new QMenu(this);
    QAction* exit = trayMenu_->addAction(QString::fromStdString(GetUiString(13)));
    QObject::connect(exit, &QAction::triggered, this, [post] { post(kWmCommand, kTrayExitCommand, 0); });
    tray_->setContextMenu(trayMenu_);
    // A right click opens the icon's menu (the tray does it), so it is not
    // passed on as MSG_TRAY.
    QObject::connect(tray_, &QSystemTrayIcon::activated, this,
                     [post](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::Trigger) {
                             post(MSG_TRAY, 109, kTrayLeftDown);
                         } else if (reason == QSystemTrayIcon::DoubleClick) {
                             post(MSG_TRAY, 109, kTrayLeftDoubleClick);
                         }
                     });
    tray_->show();
}

void DeviceMainDlg::RemoveTrayIcon() {
    KillTimer(kTrayProbeTimer);
    if (tray_ == nullptr) {
        return;
    }
    tray_->hide();
    tray_->setContextMenu(nullptr);
    delete tray_;
    tray_ = nullptr;
    delete trayMenu_;
    trayMenu_ = nullptr;
}

void DeviceMainDlg::RefreshTrayTexts() {
    if (trayMenu_ != nullptr && !trayMenu_->actions().isEmpty()) {
        trayMenu_->actions().front()->setText(QString::fromStdString(GetUiString(13)));
    }
}

void DeviceMainDlg::OnTimer(int id) {
    if (id == kTrayProbeTimer) {
        AddTrayIcon();
    }
}

}  // namespace vantora
