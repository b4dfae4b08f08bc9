#include "ui/dialogs/record_edit_dlg.h"

#include "i18n/strings.h"
#include "macros/macro_space.h"
#include "macros/record_list.h"
#include "ui/toolkit/toolkit.h"

namespace vantora {

int RecordEditDlg::Run(MDialog* parent) {
    Create(parent, "RecordEditDlg", CRect(0, 0, kWidth, kHeight));
    CenterWindow();
    return ShowModal(5);
}

void RecordEditDlg::InitUI(const CRect& client) {
    Make<MPicture>(30, {})->SetImage("dlg_edit_bkg.png");
    auto* caption = Make<MText>(31, {}, title);
    caption->SetAlignment(kAlignCenter);
    caption->SetTextSize(16);
    caption->SetTextColor(skin::kUiTextColor);
    auto* close = Make<CImageButton>(32, {});
    close->SetStateImages("sysbtn_close_n.png");
    close->SetTooltip(GetUiString(5));
    close->setFocusPolicy(Qt::NoFocus);  // for the mouse: Enter never cancels
    Make<MText>(33, {}, GetUiString(252));
    auto* key = Make<MEdit>(34, {});
    key->SetAlignment(kAlignCenter);
    key->SetLimitText(kKeyFieldLength);
    key->SetCaptureField(true);
    key->SetTextColor(skin::kUiTextColor);
    Make<MText>(35, {}, GetUiString(253));
    auto* delayField = Make<MEdit>(36, {});
    delayField->SetAlignment(kAlignCenter);
    delayField->SetLimitText(kDelayFieldLength);
    delayField->SetDigitsUpTo(kMaxTypedDelayMs);
    delayField->SetTextColor(skin::kUiTextColor);
    auto* save = Make<MButton>(37, {}, GetUiString(21));
    save->SetStateImages("btn_appy_n.png");
    UISize(client);
}

void RecordEditDlg::UISize(const CRect& client) {
    const int w = client.Width();
    const int h = client.Height();
    const std::pair<int, CRect> places[] = {
        {30, CRect(0, 0, w, h)},
        {31, CRect(w / 2 - 100, 10, w / 2 + 100, 40)},
        {32, CRect(w - 40, 15, w - 21, 34)},
        {33, CRect(25, 60, 135, 107)},
        {34, CRect(135, 60, 335, 107)},
        {35, CRect(25, 110, 135, 157)},
        {36, CRect(135, 110, 335, 157)},
        {37, CRect((w - 167) / 2, h - 60, (w - 167) / 2 + 167, h - 6)},
    };
    for (const auto& [id, rect] : places) {
        if (auto* c = GetControl(id)) {
            c->SetRect(rect);
        }
    }
}

void RecordEditDlg::OnInitDialog() {
    if (auto* f = GetControlAs<MEdit>(36)) {
        f->SetTitle(std::to_string(delay));
    }
    if (auto* f = GetControlAs<MEdit>(34)) {
        f->SetTitle(desc);
    }
    // The focus rests in the delay field: the key field would take every key
    // (Enter and Tab too) as the record's new key and empties itself.
    if (auto* f = GetControlAs<MEdit>(36)) {
        f->SetFocusSelected();
    }
}

int RecordEditDlg::OnMessage(int id, int code, std::uintptr_t, std::intptr_t) {
    if (id == 34) {
        if (code == kNotifySetFocus) {
            GetControl(34)->SetTitle("");
            capturing_ = true;
        } else if (code == kNotifyKillFocus) {
            capturing_ = false;
        }
        return 1;
    }
    const bool save = (id == 37 && code == kNotifyClick) || (id == 36 && code == kNotifyEnter);
    if (id == 32 && code == kNotifyClick) {
        DoCancel();
        return 1;
    }
    if (save) {
        if (auto* f = GetControlAs<MEdit>(36)) {
            delay = ParseTypedDelay(f->GetEditText());
        }
        DoOK();
        return 1;
    }
    return 0;
}

bool RecordEditDlg::OnCaptureKey(int id, const CaptureKey& key) {
    if (id != 34 || !capturing_ || !decoder_) {
        return false;
    }
    int code = 0;
    std::string name;
    if (!decoder_(key, code, name) || name.empty()) {
        return false;
    }
    value = code;
    desc = name;
    // The edit changes which key the record names, not whether it is a press
    // or a release: key records keep their direction; others become presses.
    if (type != 2 && type != 3) {
        type = 2;
    }
    GetControl(34)->SetTitle(name);
    return true;
}

}  // namespace vantora
