#pragma once

#include "session/page_data.h"
#include "ui/pages/page_controller.h"

#include <vector>

namespace vantora {

enum KeyPageId : int {
    kIdStandardLayer = 63,
    kIdFnLayer = 64,
    kIdKeyPicture = 65,  // also the MUSIC page's picture
    kIdAddProfile = 67,
    kIdRenameProfile = 68,
    kIdDeleteProfile = 69,
    kIdProfileList = 74,
    kIdFunctionType = 76,
    kIdFunctionValues = 77,
    kIdFunctionText = 78,
    kIdSingleKeyLabel = 79,
    kIdSingleKey = 80,
    kIdComboKeyLabel = 81,
    kIdComboKey = 84,
    kIdOpenFile = 87,
};

// The DEVICE page's KEY sub-page: the profiles, the layers, the keyboard
// picture with the keys' labels and the function a key is given.
class KeyPage : public PageController {
public:
    using PageController::PageController;

    std::span<const ControlRow> Table() const override;
    KeyboardCtrl* Picture() const override;
    // A click on the picture makes the clicked key the selected one; the
    // profile list and its add, rename and delete buttons; the layers.
    int OnMessage(int id, int code, std::uintptr_t wparam, std::intptr_t lparam) override;

    // The stored profiles by their names in the current language, the
    // active one selected, the standard layer checked.
    void ShowProfiles(const ProfileListData& data);
    // The labels of the keys that have a function; the function type back on "Default".
    void ShowKeyAssignments(const KeyAssignmentData& data);
    // The controls a function type shows; "Default", "Disable Key" and
    // unknown types show none.
    void ShowFunctionTypeControls(int type);

protected:
    void FinishCreate(const CRect& client) override;
    void RefreshOwnTexts() override;

private:
    void SelectProfileCommand();
    void AddProfileCommand();
    void RenameProfileCommand();
    void DeleteProfileCommand();
    void SelectLayer(int layer);
    // The stored list again, the current profile selected, its labels.
    void ReloadProfiles();
    void RefreshKeyTips();

    // The capture fields' look depends on the language (a Chinese and an
    // English background).
    void ApplyKeyFieldImages();

    std::vector<ProfileItem> profiles_;  // as last shown
};

}  // namespace vantora
