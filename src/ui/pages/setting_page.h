#pragma once

#include "session/page_data.h"
#include "ui/pages/page_controller.h"

namespace vantora {

enum SettingPageId : int {
    kIdSettingPicture = 159,
    kIdRestoreFactory = 161,
    kIdDisableWin = 163,
    kIdDisableAltTab = 164,
    kIdDisableAltF4 = 165,
};

// The SETTING page: the three game switches and "Restore Factory".
class SettingPage : public PageController {
public:
    using PageController::PageController;

    std::span<const ControlRow> Table() const override;
    KeyboardCtrl* Picture() const override;
    // A switch is stored and downloaded; "Restore Factory" asks first.
    int OnMessage(int id, int code, std::uintptr_t wparam, std::intptr_t lparam) override;

    void ShowSwitches(const SwitchData& data);

protected:
    void FinishCreate(const CRect& client) override;

private:
    void SwitchChanged(int id);
    void RestoreFactory();
};

}  // namespace vantora
