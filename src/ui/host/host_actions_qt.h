#pragma once

#include <QObject>
#include <deque>
#include <memory>
#include <string>

#include "platform/host_actions.h"

class QMimeData;

namespace vantora {

class MDialog;

// The program's host-side actions on the Linux desktop, on the UI thread:
// programs through the launcher (no shell), web addresses through the
// desktop's handler (xdg-open), text as a paste (clipboard + Control+V
// through XTest on X11, the previous clipboard restored), and the first
// on-screen keyboard found. Messages for the user appear over `owner`.
class QtHostActions : public QObject, public HostActions {
    Q_OBJECT
public:
    // How long the clipboard may take to report our text, how long the keys
    // stay down, and how long the target has to fetch the text before the
    // previous content comes back.
    static constexpr int kClipboardPollMs = 20;
    static constexpr int kClipboardTimeoutMs = 1000;
    static constexpr int kKeyHoldMs = 30;
    static constexpr int kRestoreDelayMs = 300;

    explicit QtHostActions(MDialog* owner);
    ~QtHostActions() override;

    HostActionResult StartProgram(const std::string& path) override;
    HostActionResult OpenWebAddress(const std::string& url) override;
    // Texts sent while one is still being pasted wait their turn.
    HostActionResult SendText(const std::string& text) override;
    HostActionResult OpenOnScreenKeyboard() override;

private:
    void ShowMessageLater(const std::string& text);
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
};

}  // namespace vantora
