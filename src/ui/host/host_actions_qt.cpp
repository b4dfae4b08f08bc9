#include "ui/host/host_actions_qt.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <cstdio>
#include <cstdlib>

#include "i18n/strings.h"
#include "platform/program_launcher.h"
#include "platform/text_typist.h"
#include "platform/uinput_keyboard.h"
#include "text/utf8.h"
#include "ui/dialogs/ui_message_box.h"
#include "ui/host/xtest_keys.h"
#include "ui/pages/own_texts.h"

namespace vantora {
namespace {

// Shown once per run: the desktop session cannot take typed text, or the
// virtual keyboard needs the user's permission.
bool sendTextMessageShown = false;
bool uinputMessageShown = false;

std::string SearchPath() {
    const char* path = std::getenv("PATH");
    return path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
}

std::string CurrentDesktop() {
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    return desktop != nullptr ? QString::fromUtf8(desktop).toLower().toStdString() : std::string();
}

HostActionResult Spawn(const std::vector<std::string>& argv) {
    std::string error;
    if (!SpawnDetached(LaunchPlan{argv[0], argv, {}}, error)) {
        return HostActionResult::Failed(error);
    }
    return HostActionResult::Done();
}

}  // namespace

QtHostActions::QtHostActions(MDialog* owner, Notice notice, std::string uinputNode)
    : owner_(owner), notice_(std::move(notice)), uinputNode_(std::move(uinputNode)) {}

QtHostActions::~QtHostActions() {
    typist_.reset();
    // Ending in the middle of a paste: the clipboard gets its content back.
    if (pasting_ && qGuiApp != nullptr && ClipboardHoldsOurText() && previous_ != nullptr &&
        !previous_->formats().isEmpty()) {
        QGuiApplication::clipboard()->setMimeData(previous_.release());
    }
}

HostActionResult QtHostActions::StartProgram(const std::string& path) {
    std::string error;
    if (!vantora::StartProgram(path, error)) {
        return HostActionResult::Failed(error);
    }
    return HostActionResult::Done();
}

HostActionResult QtHostActions::OpenWebAddress(const std::string& url) {
    const QUrl address(QString::fromStdString(url), QUrl::TolerantMode);
    const QString scheme = address.scheme();
    if (!address.isValid() || (scheme != "http" && scheme != "https" && scheme != "mailto")) {
        return HostActionResult::Failed("not a web address: " + url);
    }
    if (!QDesktopServices::openUrl(address)) {
        return HostActionResult::Failed("no program opened " + url);
    }
    return HostActionResult::Done();
}

HostActionResult QtHostActions::SendText(const std::string& text) {
    if (text.empty()) {
        return HostActionResult::Failed("no text to send");
    }
    if (!xtest::Available() || !xtest::FocusIsX11Window()) {
        return TypeText(text);
    }
    pending_.push_back(text);
    if (!pasting_) {
        PasteNext();
    }
    return HostActionResult::Done();
}

HostActionResult QtHostActions::OpenOnScreenKeyboard() {
    const std::string path = SearchPath();
    // Keyboards that never take the keyboard focus from the window in front.
    for (const char* name : {"onboard", "florence"}) {
        const std::string program = FindOnPath(name, path);
        if (!program.empty()) {
            return Spawn({program});
        }
    }
    // The desktop's own.
    const std::string desktop = CurrentDesktop();
    const std::string gsettings = FindOnPath("gsettings", path);
    if (desktop.find("gnome") != std::string::npos && !gsettings.empty()) {
        return Spawn(
            {gsettings, "set", "org.gnome.desktop.a11y.applications", "screen-keyboard-enabled", "true"});
    }
    const std::string maliit = FindOnPath("maliit-keyboard", path);
    if (desktop.find("kde") != std::string::npos && !maliit.empty()) {
        return Spawn({maliit});
    }
    ShowMessageLater(GetUiString(ui_text::kNoOnScreenKeyboard));
    return HostActionResult::Failed("no on-screen keyboard was found");
}

// Where XTest cannot reach the window in front: typed through the kernel's
// virtual keyboard when this user may make one, else said once.
HostActionResult QtHostActions::TypeText(const std::string& text) {
    switch (ProbeUinput(uinputNode_)) {
        case UinputAccess::kReady:
            break;
        case UinputAccess::kNoAccess:
            if (!uinputMessageShown) {
                uinputMessageShown = true;
                Notify(GetUiString(ui_text::kUinputNotAllowed));
            }
            return HostActionResult::Failed(uinputNode_ + " may not be written by this user");
        case UinputAccess::kMissing:
            if (!sendTextMessageShown) {
                sendTextMessageShown = true;
                Notify(GetUiString(ui_text::kNoTextSending));
            }
            return HostActionResult::Failed("typing text needs an X11 window in front or " + uinputNode_);
    }
    if (typist_ == nullptr) {
        typist_ = std::make_unique<TextTypist>(
            [this](const TypingReport& report) {
                QMetaObject::invokeMethod(
                    this, [this, report] { Typed(report); }, Qt::QueuedConnection);
            },
            uinputNode_);
    }
    typist_->Type(text);
    return HostActionResult::Done();
}

// After each typed text: the characters left out are said (once for the
// text), a failure is logged.
void QtHostActions::Typed(const TypingReport& report) {
    if (!report.missing.empty()) {
        std::string missing;
        for (char32_t c : report.missing) {
            if (!missing.empty()) {
                missing += ' ';
            }
            AppendUtf8(missing, c);
        }
        Notify(FormatUiString(ui_text::kCharactersNotTyped, {missing}));
    }
    if (!report.error.empty()) {
        std::fprintf(stderr, "VANTORA: typing a text: %s\n", report.error.c_str());
    }
}

void QtHostActions::Notify(const std::string& text) {
    std::fprintf(stderr, "VANTORA: %s\n", text.c_str());
    if (notice_) {
        notice_(text);
    } else {
        ShowMessageLater(text);
    }
}

void QtHostActions::ShowMessageLater(const std::string& text) {
    // Not inside the caller's message handling: the box runs its own loop.
    QTimer::singleShot(0, this, [this, text] { ShowMessageBox(owner_, text, "VANTORA"); });
}

// One text: the clipboard's content is kept, our text put in, and once the
// clipboard reports it, Control+V goes to the window in front.
void QtHostActions::PasteNext() {
    if (pending_.empty()) {
        pasting_ = false;
        return;
    }
    pasting_ = true;
    current_ = pending_.front();
    pending_.pop_front();
    QClipboard* clipboard = QGuiApplication::clipboard();
    previous_ = std::make_unique<QMimeData>();
    if (const QMimeData* now = clipboard->mimeData()) {
        for (const QString& format : now->formats()) {
            previous_->setData(format, now->data(format));
        }
    }
    clipboard->setText(QString::fromStdString(current_));
    WaitForClipboard(0);
}

bool QtHostActions::ClipboardHoldsOurText() const {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard->ownsClipboard() && clipboard->text().toStdString() == current_;
}

void QtHostActions::WaitForClipboard(int waitedMs) {
    if (!ClipboardHoldsOurText()) {
        if (waitedMs >= kClipboardTimeoutMs) {
            // Never took the clipboard: nothing is pasted, and what holds the
            // clipboard now is left alone.
            std::fprintf(stderr, "VANTORA: the clipboard did not take the text; nothing was sent\n");
            previous_.reset();
            PasteNext();
            return;
        }
        QTimer::singleShot(kClipboardPollMs, this,
                           [this, waitedMs] { WaitForClipboard(waitedMs + kClipboardPollMs); });
        return;
    }
    if (!xtest::PressPaste()) {
        std::fprintf(stderr, "VANTORA: Control+V could not be sent\n");
        Restore();
        return;
    }
    QTimer::singleShot(kKeyHoldMs, this, [this] { ReleaseAndRestore(); });
}

void QtHostActions::ReleaseAndRestore() {
    xtest::ReleasePaste();
    QTimer::singleShot(kRestoreDelayMs, this, [this] { Restore(); });
}

// The previous content comes back unless someone put something new into
// the clipboard meanwhile; then the next text's turn.
void QtHostActions::Restore() {
    if (ClipboardHoldsOurText()) {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (previous_ != nullptr && !previous_->formats().isEmpty()) {
            clipboard->setMimeData(previous_.release());
        } else {
            clipboard->clear();
        }
    }
    previous_.reset();
    PasteNext();
}

}  // namespace vantora
