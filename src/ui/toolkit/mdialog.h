#pragma once

#include "ui/toolkit/geometry.h"

#include <QPoint>
#include <QWidget>

class QKeyEvent;
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QEventLoop;
class QWindow;

namespace vantora {

class MControl;
class MTabLayout;

// Delivers a window message (msg, wParam, lParam) to a dialog's
// OnWindowMessage on the UI thread. Callable from any thread, any number of
// times; messages arrive once each, in the order they were posted. After
// the dialog is destroyed the poster silently drops what it is given.
using WindowPoster = std::function<void(unsigned, std::uintptr_t, std::intptr_t)>;

// A key event from a capture field (MEdit with SetCaptureField): what the
// key capture decoders need, with no text composition in between.
struct CaptureKey {
    bool isUp = false;
    bool autoRepeat = false;
    int qtKey = 0;  // Qt::Key
    std::uint32_t nativeScanCode = 0;
    std::uint32_t nativeVirtualKey = 0;
    std::uint32_t nativeModifiers = 0;
    bool keypad = false;  // the key is on the keypad (Qt::KeypadModifier)
    std::string text;     // UTF-8 text the key would type, may be empty
};
// The capture fields' view of a key event.
CaptureKey CaptureKeyOf(const QKeyEvent& event);

// Base of every window: a borderless Qt window whose controls are created by
// class name and id and report user actions to OnMessage(id, code). Run it
// with ShowModal: a nested event loop that ends with DoOK (1), DoCancel (2)
// or CloseDialog (the result set so far, 0 when none).
class MDialog : public QWidget {
    Q_OBJECT
public:
    MDialog();
    ~MDialog() override;

    // Creates the window: `parent` (may be null) owns it; rect gives the size
    // (and position); InitUI runs with the client rectangle, then OnInitDialog.
    bool Create(MDialog* parent, const std::string& title, const CRect& rect);
    bool IsCreated() const { return created_; }
    // Shows the window and runs its loop until it ends; returns the result.
    // showCommand: 0 runs hidden, anything else shows the window.
    int ShowModal(int showCommand = 5);
    bool IsModalRunning() const { return loop_ != nullptr; }
    void DoOK() { EndModal(1); }
    void DoCancel() { EndModal(2); }
    // Sets the result and closes the dialog through CloseDialog.
    void EndModal(int result);
    int GetResult() const { return result_; }
    // Centres the window on the screen (on its parent's when that is shown);
    // where windows cannot be placed (WindowMovesWork) the desktop places it.
    void CenterWindow();
    CRect GetClientRect() const { return CRect(0, 0, width(), height()); }

    // Controls by toolkit class name ("MButton", "KeyboardCtrl", ...). The
    // container, when given, is the MTabLayout that holds the control. An
    // unknown class name gives nullptr.
    MControl* CreateControl(const std::string& className, int id, const CRect& rect,
                            const std::string& text = {}, MControl* container = nullptr);
    // The same for passive areas (MPicture, MText): they let the mouse through.
    MControl* CreateArea(const std::string& className, int id, const CRect& rect,
                         const std::string& text = {}, MControl* container = nullptr);
    // Typed creation: auto* combo = dlg.Create<MComboBox>(74, rect, "", page);
    template <class T>
    T* Make(int id, const CRect& rect, const std::string& text = {}, MControl* container = nullptr) {
        auto* control = new T(this, id);
        Adopt(control, rect, text, container);
        return control;
    }

    // The first control created with `id`, or nullptr.
    MControl* GetControl(int id) const;
    template <class T>
    T* GetControlAs(int id) const {
        return dynamic_cast<T*>(GetControl(id));
    }
    // Every control created with `id`, in creation order (ids may repeat).
    std::vector<MControl*> GetControls(int id) const;
    // The control whose notification is being handled (inside OnMessage).
    MControl* Sender() const { return sender_; }

    // The skin's window settings; kept for the pages, they do not change the look.
    void SetBackMode(int mode, int value = 0);
    void SetLayeredWindow(bool on);
    void SetPolygon(bool on);

    // A poster for this dialog that other threads may keep and call.
    WindowPoster MessagePoster() const;

    // Timers: OnTimer(id) every `milliseconds` until KillTimer(id).
    void SetTimer(int id, int milliseconds);
    void KillTimer(int id);

    // 0 hides the window; other commands show it (and raise it).
    virtual void ShowWindow(int command);

    // ---- Overridable steps, in the order of the original toolkit ----
    virtual std::intptr_t OnWindowMessage(unsigned message, std::uintptr_t wparam, std::intptr_t lparam);
    virtual void OnInitDialog() {}
    virtual void OnMinimize();
    // Creates the controls, then calls UISize.
    virtual void InitUI(const CRect& client);
    // Places the controls for the given client rectangle (also after a resize).
    virtual void UISize(const CRect& client);
    // A control's notification; nonzero means handled.
    virtual int OnMessage(int id, int code, std::uintptr_t wparam, std::intptr_t lparam);
    virtual void OnTimer(int id);
    // The window manager asked to close the window; default DoCancel.
    virtual void OnUserCloseWindow();
    // A key event in a capture field `id`; true when used.
    virtual bool OnCaptureKey(int id, const CaptureKey& key);
    // Ends ShowModal and hides the window. Dialogs that override it call this one.
    virtual void CloseDialog();

    // Used by controls: reports a notification with `sender` as Sender().
    int DispatchNotify(MControl* sender, int code, std::uintptr_t wparam, std::intptr_t lparam);
    // Radio-style groups: every control of `group` but `keep` is unchecked.
    void UncheckGroup(const QString& group, MControl* keep);

    // Test hook: what starts the desktop's move of a dragged window (true:
    // the desktop moves it); null: QWindow::startSystemMove.
    static void SetSystemMoveForTests(std::function<bool(QWindow&)> move) { systemMove_ = std::move(move); }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    struct Mailbox;

    static bool StartSystemMove(QWindow& window);
    void Adopt(MControl* control, const CRect& rect, const std::string& text, MControl* container);
    static MControl* NewControl(MDialog* dialog, const std::string& className, int id);

    std::shared_ptr<Mailbox> mailbox_;
    std::vector<MControl*> controls_;
    MControl* sender_ = nullptr;
    QEventLoop* loop_ = nullptr;
    int result_ = 0;
    bool created_ = false;
    bool dragging_ = false;
    QPoint dragOffset_;
    std::map<int, int> timers_;  // our id -> Qt timer id
    static std::function<bool(QWindow&)> systemMove_;
};

// Whether the program can place its windows (moves, centring). Not on a
// native Wayland session: there the desktop places them, and dragging a
// window goes through the desktop's own move.
bool WindowMovesWork();

// Whether the program runs on X11 inside a Wayland session (Xwayland: the
// xcb platform with WAYLAND_DISPLAY set or XDG_SESSION_TYPE=wayland), where
// X11 reaches only the X11 windows.
bool UnderXwayland();

// Whether the desktop keeps minimised windows: not the tiling compositors
// that have no such state (sway, Hyprland, river, niri, named by
// XDG_CURRENT_DESKTOP or sway's SWAYSOCK), natively or under their Xwayland.
bool MinimiseWorks();

// Posts a window message to `dialog` (see WindowPoster). The pointer must be
// valid at the call; hold MessagePoster() to post across the dialog's life.
void PostWindowMessage(MDialog* dialog, unsigned message, std::uintptr_t wparam, std::intptr_t lparam);

}  // namespace vantora
