#pragma once

#include "ui/toolkit/mdialog.h"

#include <string>

namespace vantora {

// Edits one name (profile or macro). The opener sets `title` and `name`,
// runs it, and on result 1 reads `name` back (the text as typed, unchecked).
// It opens with the name selected in its field; Enter there saves.
class NameEditDlg : public MDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 330;
    static constexpr int kHeight = 180;
    static constexpr int kMaxNameLength = 30;

    std::string title;
    std::string name;

    int Run(MDialog* parent);

    void InitUI(const CRect& client) override;
    void UISize(const CRect& client) override;
    void OnInitDialog() override;
    int OnMessage(int id, int code, std::uintptr_t wparam, std::intptr_t lparam) override;
};

}  // namespace vantora
