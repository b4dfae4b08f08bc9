#pragma once

#include <QObject>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "platform/host_actions.h"

class QMimeData;

namespace vantora {

class MDialog;
class TextTypist;
struct TypingReport;

// The program's host-side actions on the Linux desktop, on the UI thread:
// programs through the launcher (no shell), web addresses through the
// desktop's handler (xdg-open), text as a paste where the window in front is
// an X11 one (clipboard + Control+V through XTest, the previous clipboard
// restored), else typed through a virtual keyboard (uinput, keys from the
// session's layout; the clipboard is left alone), and the first on-screen
// keyboard found. Messages about texts go to `notice` (which must not take
// the focus from the window the user types in); the others appear over
// `owner`.
class QtHostActions : public QObject, public HostActions {
    Q_OBJECT
public:
    using Notice = std::function<void(const std::string&)>;

    // How long the clipboard may take to report our text, how long the keys
    // stay down, and how long the target has to fetch the text before the
    // previous content comes back.
    static constexpr int kClipboardPollMs = 20;
    static constexpr int kClipboardTimeoutMs = 1000;
    static constexpr int kKeyHoldMs = 30;
    static constexpr int kRestoreDelayMs = 300;

    // `notice` null: a message box over `owner`. `uinputNode`: the device
    // node of the virtual keyboards.
    explicit QtHostActions(MDialog* owner, Notice notice = {}, std::string uinputNode = "/dev/uinput");
    ~QtHostActions() override;

    HostActionResult StartProgram(const std::string& path) override;
    HostActionResult OpenWebAddress(const std::string& url) override;
    // Texts sent while one is still being pasted wait their turn.
    HostActionResult SendText(const std::string& text) override;
    HostActionResult OpenOnScreenKeyboard() override;

private:
    void ShowMessageLater(const std::string& text);
    void Notify(const std::string& text);
    HostActionResult TypeText(const std::string& text);
    void Typed(const TypingReport& report);
    void PasteNext();
    void WaitForClipboard(int waitedMs);
    void ReleaseAndRestore();
    void Restore();
    bool ClipboardHoldsOurText() const;

    MDialog* owner_;
    std::deque<std::string> pending_;
    bool pasting_ = false;
    std::string current_;
    std::unique_ptr<QMimeData> previous_;
    Notice notice_;
    std::string uinputNode_;
    // Made at the first typed text; goes before the rest of the object.
    std::unique_ptr<TextTypist> typist_;
};

}  // namespace vantora
