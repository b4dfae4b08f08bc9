#include "ui/toolkit/menu_wnd.h"

#include "ui/toolkit/mdialog.h"
#include "ui/toolkit/skin.h"

#include <QAction>
#include <QCursor>
#include <QFileInfo>
#include <QMenu>

namespace vantora {

MenuWnd::~MenuWnd() {
    delete menu_;
}

bool MenuWnd::Create(MDialog* owner, unsigned message, const std::string& backgroundImage, int itemHeight,
                     int width, int /*backMode*/) {
    if (owner == nullptr || menu_ != nullptr) {
        return false;
    }
    menu_ = new QMenu(owner);
    menu_->setAttribute(Qt::WA_DeleteOnClose, false);
    QString background = skin::PanelBackground().name();
    const QString image = skin::ImageFolder() + QString::fromStdString(backgroundImage);
    if (!backgroundImage.empty() && QFileInfo(image).isFile()) {
        background = QStringLiteral("%1 url(%2)").arg(background, image);
    }
    menu_->setStyleSheet(
        QStringLiteral("QMenu { background: %1; border: 1px solid %2; padding: 4px; }"
                       "QMenu::item { color: %3; min-height: %4px; min-width: %5px;"
                       " padding: 0 14px; font-size: 13px; }"
                       "QMenu::item:selected { background: %6; color: %7; }"
                       "QMenu::item:disabled { color: %8; }")
            .arg(background, skin::Border().name(), skin::Text().name())
            .arg(std::max(12, itemHeight - 8))
            .arg(std::max(40, width - 36))
            .arg(skin::ControlChecked().name(), skin::Accent().name(), skin::DisabledText().name()));
    const WindowPoster post = owner->MessagePoster();
    QObject::connect(menu_, &QMenu::triggered, [post, message](QAction* action) {
        const int id = action->data().toInt();
        post(message, static_cast<std::uintptr_t>(id), static_cast<std::intptr_t>(id));
    });
    return true;
}

void MenuWnd::AddMenu(const std::string& text, int id, bool enabled) {
    if (menu_ == nullptr) {
        return;
    }
    QAction* action = menu_->addAction(QString::fromStdString(text));
    action->setData(id);
    action->setEnabled(enabled);
}

QMenu* MenuWnd::TrackPopup() {
    return TrackPopup(QCursor::pos());
}

QMenu* MenuWnd::TrackPopup(const QPoint& globalPosition) {
    if (menu_ == nullptr || menu_->actions().isEmpty()) {
        return nullptr;
    }
    QMenu* menu = menu_;
    menu_ = nullptr;
    // The menu goes away by itself once it has closed.
    QObject::connect(menu, &QMenu::aboutToHide, menu, [menu] { menu->deleteLater(); });
    menu->popup(globalPosition);
    return menu;
}

}  // namespace vantora
