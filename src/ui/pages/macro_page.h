#pragma once

#include "session/page_data.h"
#include "ui/pages/page_controller.h"

namespace vantora {

enum MacroPageId : int {
    kIdAddMacro = 130,
    kIdMacroList = 131,
    kIdRecord = 133,
    kIdRecordList = 138,
    kIdMacroDelay = 143,
    kIdMacroCommand = 145,
    kIdMacroKey = 147,
    kIdMacroMouse = 148,
};

// The MACRO page: the macro list, the records of the selected macro and the
// fields that make a record.
class MacroPage : public PageController {
public:
    using PageController::PageController;

    std::span<const ControlRow> Table() const override;

    // Every macro, the first selected with its records; record editing is
    // enabled once records are shown.
    void ShowMacros(const MacroListData& data);
    // The record fields back to their start: no delay, no key, first items.
    void ClearFields();

protected:
    void FinishCreate(const CRect& client) override;
    void RefreshOwnTexts() override;

private:
    void EnableRecordEditing(bool on);
};

}  // namespace vantora
