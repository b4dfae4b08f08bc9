#pragma once

#include "ui/toolkit/mcontrol.h"

class QLineEdit;

namespace vantora {

// A one-line text field. Reports 26 when the user changed the text (text set
// through the API reports nothing), 30 when it gains the focus and 29 when
// it loses it.
class MEdit : public MControl {
    Q_OBJECT
public:
    MEdit(MDialog* dialog, int id);
    const char* ClassName() const override { return "MEdit"; }

    void SetTitle(const std::string& text) override;
    std::string GetTitle() const override;
    std::string GetEditText() const { return GetTitle(); }
    QLineEdit* GetEditHwnd() const { return edit_; }

    // The toolkit's length setting: the user types at most this many
    // characters (0: no limit). Text set through SetTitle is never cut; a
    // longer text raises the limit until the next SetTitle.
    void SetLimitText(int characters);
    // Only the digits 0-9 can be typed or pasted.
    void SetDigitsOnly(bool on);
    bool IsDigitsOnly() const { return digitsOnly_; }
    // Digits only, and a typed or pasted number above `maximum` becomes
    // `maximum` in the field at once, so the field shows what is kept.
    void SetDigitsUpTo(int maximum);
    // A key capture field: the input method is off, typed keys are not
    // inserted but handed to the dialog's OnCaptureKey(id, key); the text is
    // set by the dialog.
    void SetCaptureField(bool on);
    bool IsCaptureField() const { return capture_; }
    void SetReadOnly(bool on);
    void SetFocus();
    // Gives the field the focus with its whole text selected, so typing
    // replaces it.
    void SetFocusSelected();

    void SetTextColor(std::uint32_t argb) override;
    void SetTextSize(int pixels) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void ApplyStyle();
    void ApplyAlignment();

    QLineEdit* edit_;
    int limit_ = 0;
    bool digitsOnly_ = false;
    bool capture_ = false;
};

}  // namespace vantora
