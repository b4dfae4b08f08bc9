#include "ui/toolkit/mdialog.h"

#include "ui/toolkit/areas.h"
#include "ui/toolkit/buttons.h"
#include "ui/toolkit/mcontrol.h"
#include "ui/toolkit/skin.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTimerEvent>
#include <QWindow>
#include <mutex>

namespace vantora {
namespace {

// A window message travelling through the UI thread's event queue.
class WindowMessageEvent : public QEvent {
public:
    static QEvent::Type EventType() {
        static const int type = QEvent::registerEventType();
        return static_cast<QEvent::Type>(type);
    }
    WindowMessageEvent(unsigned message, std::uintptr_t wparam, std::intptr_t lparam)
        : QEvent(EventType()), message(message), wparam(wparam), lparam(lparam) {}

    unsigned message;
    std::uintptr_t wparam;
    std::intptr_t lparam;
};

}  // namespace

// The posting side of a dialog, shared with every poster. The dialog clears
// `target` (under the lock) when it dies, so a post never reaches a dead one.
struct MDialog::Mailbox {
    std::mutex mutex;
    MDialog* target = nullptr;

    void Post(unsigned message, std::uintptr_t wparam, std::intptr_t lparam) {
        std::lock_guard<std::mutex> lock(mutex);
        if (target != nullptr) {
            QCoreApplication::postEvent(target, new WindowMessageEvent(message, wparam, lparam));
        }
    }
};

MDialog::MDialog()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), mailbox_(std::make_shared<Mailbox>()) {
    mailbox_->target = this;
    setAttribute(Qt::WA_Hover, true);
    setWindowIcon(skin::AppIcon());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, skin::WindowBackground());
    pal.setColor(QPalette::WindowText, skin::Text());
    pal.setColor(QPalette::ToolTipBase, skin::PanelBackground());
    pal.setColor(QPalette::ToolTipText, skin::Text());
    setPalette(pal);
}

MDialog::~MDialog() {
    {
        std::lock_guard<std::mutex> lock(mailbox_->mutex);
        mailbox_->target = nullptr;
    }
    if (loop_ != nullptr) {
        loop_->exit(result_);
    }
    // The controls outlive this part of the object for a moment (QWidget
    // deletes them): from here on they report to nobody.
    for (MControl* c : controls_) {
        QObject::disconnect(c, nullptr, this, nullptr);
        c->dialog_ = nullptr;
    }
    controls_.clear();
    sender_ = nullptr;
    for (const auto& [ours, qtId] : timers_) {
        killTimer(qtId);
    }
}

bool MDialog::Create(MDialog* parent, const std::string& title, const CRect& rect) {
    if (created_) {
        return false;
    }
    if (parent != nullptr) {
        setParent(parent, Qt::Dialog | Qt::FramelessWindowHint);
    }
    setWindowTitle(QString::fromStdString(title));
    const QRect r = rect.ToQRect();
    setFixedSize(r.size());
    move(r.topLeft());
    created_ = true;
    InitUI(GetClientRect());
    OnInitDialog();
    return true;
}

int MDialog::ShowModal(int showCommand) {
    if (!created_ || loop_ != nullptr) {
        return 0;
    }
    result_ = 0;
    if (parentWidget() != nullptr) {
        setWindowModality(Qt::ApplicationModal);
    }
    if (showCommand != 0) {
        show();
        raise();
        activateWindow();
    }
    QEventLoop loop;
    loop_ = &loop;
    QPointer<MDialog> alive(this);
    const int code = loop.exec();
    if (!alive) {
        return code;
    }
    loop_ = nullptr;
    return result_;
}

void MDialog::EndModal(int result) {
    result_ = result;
    CloseDialog();
}

void MDialog::CloseDialog() {
    hide();
    if (loop_ != nullptr) {
        loop_->exit(result_);
    }
}

std::function<bool(QWindow&)> MDialog::systemMove_;

bool MDialog::StartSystemMove(QWindow& window) {
    return systemMove_ ? systemMove_(window) : window.startSystemMove();
}

bool WindowMovesWork() {
    // A native Wayland client cannot place its windows: the compositor does.
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

bool UnderXwayland() {
    return QGuiApplication::platformName() == QLatin1String("xcb") &&
           (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ||
            qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland"));
}

bool MinimiseWorks() {
    if (qEnvironmentVariableIsSet("SWAYSOCK")) {
        return false;
    }
    const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'));
    for (const QString& desktop : desktops) {
        for (const char* tiling : {"sway", "Hyprland", "river", "niri"}) {
            if (desktop.compare(QLatin1String(tiling), Qt::CaseInsensitive) == 0) {
                return false;
            }
        }
    }
    return true;
}

// Where the program cannot place windows, a dialog (transient for its
// parent) is placed by the desktop, which centres it over the parent.
void MDialog::CenterWindow() {
    if (!WindowMovesWork()) {
        return;
    }
    QScreen* screen = nullptr;
    if (parentWidget() != nullptr && parentWidget()->isVisible()) {
        screen = parentWidget()->screen();
    }
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->availableGeometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void MDialog::Adopt(MControl* control, const CRect& rect, const std::string& text, MControl* container) {
    controls_.push_back(control);
    QObject::connect(control, &QObject::destroyed, this, [this, control] {
        std::erase(controls_, control);
        if (sender_ == control) {
            sender_ = nullptr;
        }
    });
    if (!text.empty()) {
        control->SetTitle(text);
    }
    control->SetContainer(qobject_cast<MTabLayout*>(container));
    control->SetRect(rect);
    control->ApplyVisibility();
}

MControl* MDialog::CreateControl(const std::string& className, int id, const CRect& rect,
                                 const std::string& text, MControl* container) {
    MControl* control = NewControl(this, className, id);
    if (control != nullptr) {
        Adopt(control, rect, text, container);
    }
    return control;
}

MControl* MDialog::CreateArea(const std::string& className, int id, const CRect& rect,
                              const std::string& text, MControl* container) {
    MControl* control = CreateControl(className, id, rect, text, container);
    if (control != nullptr) {
        control->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    }
    return control;
}

MControl* MDialog::GetControl(int id) const {
    for (MControl* c : controls_) {
        if (c->GetId() == id) {
            return c;
        }
    }
    return nullptr;
}

std::vector<MControl*> MDialog::GetControls(int id) const {
    std::vector<MControl*> result;
    for (MControl* c : controls_) {
        if (c->GetId() == id) {
            result.push_back(c);
        }
    }
    return result;
}

void MDialog::SetBackMode(int, int) {}
void MDialog::SetLayeredWindow(bool) {}
void MDialog::SetPolygon(bool) {}

WindowPoster MDialog::MessagePoster() const {
    std::shared_ptr<Mailbox> box = mailbox_;
    return [box](unsigned message, std::uintptr_t wparam, std::intptr_t lparam) {
        box->Post(message, wparam, lparam);
    };
}

void PostWindowMessage(MDialog* dialog, unsigned message, std::uintptr_t wparam, std::intptr_t lparam) {
    if (dialog != nullptr) {
        dialog->MessagePoster()(message, wparam, lparam);
    }
}

void MDialog::SetTimer(int id, int milliseconds) {
    KillTimer(id);
    const int qtId = startTimer(milliseconds > 0 ? milliseconds : 1);
    if (qtId != 0) {
        timers_[id] = qtId;
    }
}

void MDialog::KillTimer(int id) {
    auto it = timers_.find(id);
    if (it != timers_.end()) {
        killTimer(it->second);
        timers_.erase(it);
    }
}

void MDialog::timerEvent(QTimerEvent* event) {
    for (const auto& [ours, qtId] : timers_) {
        if (qtId == event->timerId()) {
            OnTimer(ours);
            return;
        }
    }
    QWidget::timerEvent(event);
}

void MDialog::ShowWindow(int command) {
    if (command == 0) {
        hide();
    } else {
        show();
        raise();
        activateWindow();
    }
}

std::intptr_t MDialog::OnWindowMessage(unsigned, std::uintptr_t, std::intptr_t) {
    return 0;
}
void MDialog::OnMinimize() {
    showMinimized();
}
void MDialog::InitUI(const CRect& client) {
    UISize(client);
}
void MDialog::UISize(const CRect&) {}
int MDialog::OnMessage(int, int, std::uintptr_t, std::intptr_t) {
    return 0;
}
void MDialog::OnTimer(int) {}
void MDialog::OnUserCloseWindow() {
    DoCancel();
}
CaptureKey CaptureKeyOf(const QKeyEvent& event) {
    CaptureKey k;
    k.isUp = event.type() == QEvent::KeyRelease;
    k.autoRepeat = event.isAutoRepeat();
    k.qtKey = event.key();
    k.nativeScanCode = event.nativeScanCode();
    k.nativeVirtualKey = event.nativeVirtualKey();
    k.nativeModifiers = event.nativeModifiers();
    k.keypad = event.modifiers().testFlag(Qt::KeypadModifier);
    k.text = event.text().toStdString();
    return k;
}

bool MDialog::OnCaptureKey(int, const CaptureKey&) {
    return false;
}

int MDialog::DispatchNotify(MControl* sender, int code, std::uintptr_t wparam, std::intptr_t lparam) {
    QPointer<MControl> previous = sender_;
    sender_ = sender;
    const int result = OnMessage(sender->GetId(), code, wparam, lparam);
    sender_ = previous;
    return result;
}

void MDialog::UncheckGroup(const QString& group, MControl* keep) {
    if (group.isEmpty()) {
        return;
    }
    for (MControl* c : controls_) {
        auto* member = qobject_cast<GroupButton*>(c);
        if (member != nullptr && member != keep && member->GroupName() == group && member->GetCheck()) {
            member->CheckableButton::SetCheck(false);
        }
    }
}

bool MDialog::event(QEvent* event) {
    if (event->type() == WindowMessageEvent::EventType()) {
        auto* m = static_cast<WindowMessageEvent*>(event);
        OnWindowMessage(m->message, m->wparam, m->lparam);
        return true;
    }
    return QWidget::event(event);
}

void MDialog::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), skin::WindowBackground());
    p.setPen(skin::Border());
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void MDialog::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (created_) {
        UISize(GetClientRect());
    }
}

void MDialog::closeEvent(QCloseEvent* event) {
    // Our windows close through the toolkit, never by the window manager alone.
    event->ignore();
    OnUserCloseWindow();
}

// A press on the window itself drags it: the desktop moves it when it can
// (Wayland, and X11 window managers with _NET_WM_MOVERESIZE, which also
// serves under Xwayland where the program's own moves do not follow the
// pointer), else the program moves it with the mouse.
void MDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && isWindow()) {
        QWindow* window = windowHandle();
        if (window != nullptr && StartSystemMove(*window)) {
            QWidget::mousePressEvent(event);
            return;
        }
        dragging_ = true;
        dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    }
    QWidget::mousePressEvent(event);
}

void MDialog::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - dragOffset_);
    }
    QWidget::mouseMoveEvent(event);
}

void MDialog::mouseReleaseEvent(QMouseEvent* event) {
    dragging_ = false;
    QWidget::mouseReleaseEvent(event);
}

}  // namespace vantora
