#pragma once

#include "ui/toolkit/mdialog.h"

#include <string>

namespace vantora {

// The program's message box: a caption, a text, and OK (type 0) or Yes and
// No (type 4) buttons; any other type has no buttons. OK and Yes end it with
// 1, No with 2. The focus starts on OK, or on No (Enter answers No).
class CUIMessageBox : public MDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 380;
    static constexpr int kHeight = 200;
    enum : int { kTypeOk = 0, kTypeYesNo = 4 };

    std::string caption;
    std::string text;
    int boxType = kTypeOk;

    // Creates, centres and runs the box over `parent` (may be null).
    int Run(MDialog* parent);

    void InitUI(const CRect& client) override;
    void UISize(const CRect& client) override;
    int OnMessage(int id, int code, std::uintptr_t wparam, std::intptr_t lparam) override;
    void OnInitDialog() override;
};

// Shows `text` with an OK button; 1 when OK was pressed.
int ShowMessageBox(MDialog* parent, const std::string& text, const std::string& caption = {});
// Asks with Yes and No; 1 for Yes, 2 for No.
int AskYesNo(MDialog* parent, const std::string& text, const std::string& caption = {});

}  // namespace vantora
