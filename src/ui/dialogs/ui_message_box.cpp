#include "ui/dialogs/ui_message_box.h"

#include "i18n/strings.h"
#include "ui/toolkit/toolkit.h"

namespace vantora {

int CUIMessageBox::Run(MDialog* parent) {
    Create(parent, "MessageBox", CRect(0, 0, kWidth, kHeight));
    CenterWindow();
    return ShowModal(1);
}

void CUIMessageBox::InitUI(const CRect& client) {
    SetBackMode(1, 30);
    SetLayeredWindow(true);
    auto* title = Make<MText>(31, {}, caption);
    title->SetTextSize(20);
    title->SetAlignment(kAlignCenter);
    title->SetTextColor(skin::kUiTextColor);
    auto* message = Make<MText>(32, {}, text);
    message->SetAlignment(kAlignCenter);
    message->SetVAlignment(kVAlignCenter);
    if (boxType == kTypeOk || boxType == kTypeYesNo) {
        auto* first = Make<MButton>(33, {}, GetUiString(boxType == kTypeOk ? 9 : 10));
        first->SetStateImages("btn_appy_n.png");
    }
    if (boxType == kTypeYesNo) {
        auto* no = Make<MButton>(34, {}, GetUiString(11));
        no->SetStateImages("btn_appy_n.png");
    }
    UISize(client);
}

void CUIMessageBox::UISize(const CRect& client) {
    const int w = client.Width();
    const int h = client.Height();
    const int m = h / 2;
    if (auto* c = GetControl(31)) {
        c->SetRect(CRect(20, 10, w - 20, 40));
    }
    if (auto* c = GetControl(32)) {
        c->SetRect(CRect(20, m - 20, w - 20, m + 30));
    }
    if (auto* c = GetControl(33)) {
        if (boxType == kTypeOk) {
            c->SetRect(CRect((w - 167) / 2, h - 60, (w - 167) / 2 + 167, h - 6));
        } else {
            c->SetRect(CRect(w / 2 - 177, h - 60, w / 2 - 10, h - 6));
        }
    }
    if (auto* c = GetControl(34)) {
        c->SetRect(CRect(w / 2 + 10, h - 60, w / 2 + 177, h - 6));
    }
}

int CUIMessageBox::OnMessage(int id, int code, std::uintptr_t, std::intptr_t) {
    if (code != kNotifyClick) {
        return 0;
    }
    if (id == 33) {
        DoOK();
        return 1;
    }
    if (id == 34) {
        DoCancel();
        return 1;
    }
    return 0;
}

// The answer that changes nothing has the focus: OK, or No of a question,
// so Enter or Space right away never confirms a question.
void CUIMessageBox::OnInitDialog() {
    raise();
    if (MControl* answer = GetControl(boxType == kTypeYesNo ? 34 : 33)) {
        answer->setFocus(Qt::OtherFocusReason);
    }
}

namespace {

int RunBox(MDialog* parent, const std::string& text, const std::string& caption, int type) {
    CUIMessageBox box;
    box.caption = caption;
    box.text = text;
    box.boxType = type;
    return box.Run(parent);
}

}  // namespace

int ShowMessageBox(MDialog* parent, const std::string& text, const std::string& caption) {
    return RunBox(parent, text, caption, CUIMessageBox::kTypeOk);
}

int AskYesNo(MDialog* parent, const std::string& text, const std::string& caption) {
    return RunBox(parent, text, caption, CUIMessageBox::kTypeYesNo);
}

}  // namespace vantora
