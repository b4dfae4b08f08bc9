#include "ui/dialogs/name_edit_dlg.h"

#include "i18n/strings.h"
#include "ui/toolkit/toolkit.h"

namespace vantora {

int NameEditDlg::Run(MDialog* parent) {
    Create(parent, "NameEditDlg", CRect(0, 0, kWidth, kHeight));
    CenterWindow();
    return ShowModal(5);
}

void NameEditDlg::InitUI(const CRect& client) {
    Make<MPicture>(31, {})->SetImage("dlg_edit_bkg.png");
    auto* caption = Make<MText>(32, {}, title);
    caption->SetAlignment(kAlignCenter);
    caption->SetTextSize(16);
    caption->SetTextColor(skin::kUiTextColor);
    auto* close = Make<CImageButton>(33, {});
    close->SetStateImages("sysbtn_close_n.png");
    close->SetTooltip(GetUiString(5));
    close->setFocusPolicy(Qt::NoFocus);  // for the mouse: Enter never cancels
    Make<MText>(34, {}, GetUiString(29));
    auto* edit = Make<MEdit>(35, {});
    edit->SetTextColor(0xFF38E3ED);
    edit->SetTextSize(15);
    edit->SetStateImages("img_edit_bkg_n.png");
    edit->SetLimitText(kMaxNameLength);
    edit->SetTitle(name);
    auto* save = Make<MButton>(36, {}, GetUiString(21));
    save->SetStateImages("btn_appy_n.png");
    UISize(client);
}

void NameEditDlg::UISize(const CRect& client) {
    const int w = client.Width();
    const int h = client.Height();
    const std::pair<int, CRect> places[] = {
        {31, CRect(0, 0, w, h)},
        {32, CRect(w / 2 - 100, 10, w / 2 + 100, 40)},
        {33, CRect(w - 40, 15, w - 21, 34)},
        {34, CRect(25, 60, 75, 107)},
        {35, CRect(75, 60, 257, 107)},
        {36, CRect((w - 167) / 2, h - 60, (w - 167) / 2 + 167, h - 6)},
    };
    for (const auto& [id, rect] : places) {
        if (auto* c = GetControl(id)) {
            c->SetRect(rect);
        }
    }
}

// The name is typed at once: the field has the focus with the name selected.
void NameEditDlg::OnInitDialog() {
    if (auto* edit = GetControlAs<MEdit>(35)) {
        edit->SetFocusSelected();
    }
}

int NameEditDlg::OnMessage(int id, int code, std::uintptr_t, std::intptr_t) {
    const bool save = (id == 36 && code == kNotifyClick) || (id == 35 && code == kNotifyEnter);
    if (id == 33 && code == kNotifyClick) {
        DoCancel();
        return 1;
    }
    if (save) {
        if (auto* edit = GetControlAs<MEdit>(35)) {
            name = edit->GetEditText();
        }
        DoOK();
        return 1;
    }
    return 0;
}

}  // namespace vantora
