// Creation and retitling of a page's controls from its table.
#include "ui/pages/page_controller.h"

#include "i18n/strings.h"
#include "ui/dialogs/ui_message_box.h"
#include "ui/pages/own_texts.h"

#include <algorithm>
#include <string>

namespace vantora {
namespace {

bool IsArea(const std::string& className) {
    return className == "MPicture" || className == "MText";
}

void ApplyImage(MControl& control, const ControlRow& row) {
    if (row.image == nullptr) {
        return;
    }
    switch (row.imageUse) {
        case ImageUse::kStates:
            control.SetStateImages(row.image);
            break;
        case ImageUse::kPicture:
            control.SetImage(row.image);
            break;
        case ImageUse::kPictureCentred:
            control.SetImage(row.image, kImageCenter);
            break;
        case ImageUse::kCheckBox:
            if (auto* box = qobject_cast<CCheckButton*>(&control)) {
                box->SetCheckImage(kCheckMarkImage);
            }
            control.SetStateImages(row.image);
            break;
        case ImageUse::kRowButton:
            if (auto* list = qobject_cast<RowList*>(&control)) {
                list->SetItemImage(row.image);
            }
            break;
    }
}

}  // namespace

void PageController::Create(const CRect& client) {
    MDialog& dialog = Dialog();
    for (const ControlRow& row : Table()) {
        MControl* container = row.container != 0 ? dialog.GetControl(row.container) : nullptr;
        MControl* control = MakeCustom(row, container);
        if (control == nullptr) {
            const std::string text =
                row.fixedText != nullptr ? row.fixedText : (row.text != 0 ? GetUiString(row.text) : "");
            control = IsArea(row.className)
                          ? dialog.CreateArea(row.className, row.id, row.rect, text, container)
                          : dialog.CreateControl(row.className, row.id, row.rect, text, container);
        }
        if (control == nullptr) {
            continue;
        }
        if (row.textColor != 0) {
            control->SetTextColor(row.textColor);
        }
        if (row.align >= 0) {
            control->SetAlignment(row.align);
        }
        ApplyImage(*control, row);
        if (row.tooltip != 0) {
            control->SetTooltip(GetUiString(row.tooltip));
        }
        if (!row.visible) {
            control->SetVisible(false);
        }
        if (!row.enabled) {
            control->SetEnabled(false);
        }
        rows_.emplace_back(&row, control);
        controls_.push_back(control);
    }
    FinishCreate(client);
}

void PageController::RefreshTexts() {
    for (const auto& [row, control] : rows_) {
        if (row->text != 0) {
            control->SetTitle(GetUiString(row->text));
        }
        if (row->tooltip != 0) {
            control->SetTooltip(GetUiString(row->tooltip));
        }
    }
    RefreshOwnTexts();
}

int PageController::OnMessage(int, int, std::uintptr_t, std::intptr_t) {
    return 0;
}

MControl* PageController::MakeCustom(const ControlRow&, MControl*) {
    return nullptr;
}

void PageController::ShowMessage(const std::string& text, int captionId) {
    ShowMessageBox(&Dialog(), text, GetUiString(captionId));
}

void PageController::TellNotStored(int captionId) {
    // Not stored: the file is read-only, locked, damaged or the disk full;
    // busy: another program kept it busy through the whole wait.
    ShowMessage(
        GetUiString(host_.Database().LastChangeWasBusy() ? ui_text::kDatabaseBusy : ui_text::kNotStored),
        captionId);
}

bool PageController::Holds(const MControl* control) const {
    return control != nullptr && std::find(controls_.begin(), controls_.end(), control) != controls_.end();
}

MControl* PageController::Control(int id, std::size_t nth) const {
    for (MControl* control : controls_) {
        if (control->GetId() == id && nth-- == 0) {
            return control;
        }
    }
    return nullptr;
}

}  // namespace vantora
