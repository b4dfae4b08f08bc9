#include "ui/toolkit/edit.h"

#include "ui/toolkit/mdialog.h"
#include "ui/toolkit/skin.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QResizeEvent>

namespace vantora {
namespace {

// Digits only; a number above the maximum is replaced by the maximum.
class DigitsUpToValidator : public QValidator {
public:
    DigitsUpToValidator(int maximum, QObject* parent) : QValidator(parent), maximum_(maximum) {}

    State validate(QString& input, int& position) const override {
        for (const QChar c : input) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
                return Invalid;
            }
        }
        // Compared as text without leading zeros: by length, then digit by digit.
        qsizetype first = 0;
        while (first + 1 < input.size() && input[first] == QLatin1Char('0')) {
            ++first;
        }
        const QStringView digits = QStringView(input).mid(first);
        const QString maximum = QString::number(maximum_);
        if (digits.size() > maximum.size() ||
            (digits.size() == maximum.size() && digits.compare(maximum) > 0)) {
            input = maximum;
            position = static_cast<int>(input.size());
        }
        return Acceptable;
    }

private:
    int maximum_;
};

}  // namespace

MEdit::MEdit(MDialog* dialog, int id) : MControl(dialog, id), edit_(new QLineEdit(this)) {
    edit_->setFrame(false);
    edit_->installEventFilter(this);
    edit_->setAttribute(Qt::WA_MacShowFocusRect, false);
    QObject::connect(edit_, &QLineEdit::textEdited, this, [this] { Notify(kNotifyTextChanged); });
    QObject::connect(edit_, &QLineEdit::returnPressed, this, [this] { Notify(kNotifyEnter); });
    ApplyStyle();
    ApplyAlignment();
}

void MEdit::resizeEvent(QResizeEvent* event) {
    const QSize s = event->size();
    edit_->setGeometry(6, 2, qMax(0, s.width() - 12), qMax(0, s.height() - 4));
}

void MEdit::SetTitle(const std::string& text) {
    MControl::SetTitle(text);
    const QSignalBlocker block(edit_);
    const QString value = QString::fromStdString(text);
    const int limit = limit_ > 0 ? limit_ : 32767;
    edit_->setMaxLength(std::max<int>(limit, static_cast<int>(value.size())));
    edit_->setText(value);
}

std::string MEdit::GetTitle() const {
    return edit_->text().toStdString();
}

void MEdit::SetLimitText(int characters) {
    limit_ = characters > 0 ? characters : 0;
    edit_->setMaxLength(std::max<int>(limit_ > 0 ? limit_ : 32767, static_cast<int>(edit_->text().size())));
}

void MEdit::SetDigitsOnly(bool on) {
    digitsOnly_ = on;
    if (on) {
        edit_->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit_));
        edit_->setInputMethodHints(edit_->inputMethodHints() | Qt::ImhDigitsOnly);
    } else {
        edit_->setValidator(nullptr);
        edit_->setInputMethodHints(edit_->inputMethodHints() & ~Qt::ImhDigitsOnly);
    }
}

void MEdit::SetDigitsUpTo(int maximum) {
    digitsOnly_ = true;
    edit_->setValidator(new DigitsUpToValidator(maximum, edit_));
    edit_->setInputMethodHints(edit_->inputMethodHints() | Qt::ImhDigitsOnly);
}

void MEdit::SetCaptureField(bool on) {
    capture_ = on;
    edit_->setAttribute(Qt::WA_InputMethodEnabled, !on);
    edit_->setInputMethodHints(on ? (Qt::ImhNoPredictiveText | Qt::ImhNoAutoUppercase | Qt::ImhPreferLatin)
                                  : Qt::ImhNone);
    edit_->setContextMenuPolicy(on ? Qt::NoContextMenu : Qt::DefaultContextMenu);
}

void MEdit::SetReadOnly(bool on) {
    edit_->setReadOnly(on);
}
void MEdit::SetFocus() {
    edit_->setFocus(Qt::OtherFocusReason);
}

void MEdit::SetFocusSelected() {
    edit_->setFocus(Qt::OtherFocusReason);
    edit_->selectAll();
}

void MEdit::SetTextColor(std::uint32_t argb) {
    MControl::SetTextColor(argb);
    ApplyStyle();
}

void MEdit::SetTextSize(int pixels) {
    MControl::SetTextSize(pixels);
    ApplyStyle();
}

void MEdit::ApplyStyle() {
    const QColor text = HasOwnTextColor() ? ColorFromArgb(GetTextColor()) : skin::Text();
    edit_->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; color: %1; border: none;"
                                        " font-size: %2px; selection-background-color: %3; }"
                                        "QLineEdit:disabled { color: %4; }")
                             .arg(text.name(), QString::number(textSize_ > 0 ? textSize_ : 13),
                                  skin::ControlChecked().name(), skin::DisabledText().name()));
}

void MEdit::ApplyAlignment() {
    edit_->setAlignment(QtAlignment());
}

void MEdit::paintEvent(QPaintEvent*) {
    ApplyAlignment();
    QPainter p(this);
    State state = VisualState();
    if (edit_->hasFocus() && state == State::Normal) {
        state = State::Pressed;
    }
    if (DrawSkinImage(p, rect(), StateImage(state), kImageStretch)) {
        return;
    }
    p.setRenderHint(QPainter::Antialiasing);
    QColor border = skin::Border();
    if (state == State::Pressed) {
        border = skin::Accent();
    } else if (state == State::Hover) {
        border = skin::Accent().darker(160);
    }
    p.setPen(QPen(border, 1));
    p.setBrush(state == State::Disabled ? skin::PanelBackground() : skin::ControlBackground());
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
}

bool MEdit::eventFilter(QObject* watched, QEvent* event) {
    if (watched != edit_) {
        return MControl::eventFilter(watched, event);
    }
    switch (event->type()) {
        case QEvent::FocusIn: {
            update();
            // The field kept the focus while another window had it.
            const bool windowBack = static_cast<QFocusEvent*>(event)->reason() == Qt::ActiveWindowFocusReason;
            Notify(kNotifySetFocus, windowBack ? 1 : 0);
            break;
        }
        case QEvent::FocusOut:
            update();
            Notify(kNotifyKillFocus);
            break;
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            if (capture_) {
                const CaptureKey k = CaptureKeyOf(*static_cast<QKeyEvent*>(event));
                if (GetDialog() != nullptr) {
                    GetDialog()->OnCaptureKey(GetId(), k);
                }
                return true;  // nothing is typed into a capture field
            }
            break;
        case QEvent::ShortcutOverride:
            if (capture_) {
                event->accept();  // keys reach the field, not the window's shortcuts
                return true;
            }
            break;
        case QEvent::InputMethod:
            return capture_;
        default:
            break;
    }
    return MControl::eventFilter(watched, event);
}

}  // namespace vantora
