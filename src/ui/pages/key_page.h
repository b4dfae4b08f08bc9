#pragma once

#include "keys/key_assignment_editor.h"
#include "keys/profile_editor.h"
#include "session/page_data.h"
#include "ui/pages/page_controller.h"

#include <string>
#include <vector>

namespace vantora {

enum KeyPageId : int {
    kIdStandardLayer = 63,
    kIdFnLayer = 64,
    kIdKeyPicture = 65,  // also the MUSIC page's picture
    kIdAddProfile = 67,
    kIdRenameProfile = 68,
    kIdDeleteProfile = 69,
    kIdImportProfile = 70,
    kIdExportProfile = 71,
    kIdOnScreenKeyboard = 72,
    kIdProfileList = 74,
    kIdFunctionType = 76,
    kIdFunctionValues = 77,
    kIdFunctionText = 78,
    kIdSingleKeyLabel = 79,
    kIdSingleKey = 80,
    kIdComboKeyLabel = 81,
    kIdComboKey = 84,
    kIdOpenFile = 87,
    kIdSaveKey = 88,
    kIdAppRules = 180,  // the dialog of the profiles that follow the application in front
};

// The DEVICE page's KEY sub-page: the profiles, the layers, the keyboard
// picture with the keys' labels and the function a key is given.
class KeyPage : public PageController {
public:
    using PageController::PageController;

    std::span<const ControlRow> Table() const override;
    KeyboardCtrl* Picture() const override;
    // A click on the picture selects a key and shows its function; the
    // profile list and its buttons; the layers; the function controls, the
    // capture fields and Save.
    int OnMessage(int id, int code, std::uintptr_t wparam, std::intptr_t lparam) override;

    // A key the armed capture field takes (virtual-key code and name).
    void TakeCapturedKey(unsigned virtualKey, const std::string& name, bool isUp);
    // The capture field that is armed (80 or 84), 0 when none is.
    int ArmedCaptureField() const { return armedField_; }

    // The stored profiles by their names in the current language, the
    // active one selected, the standard layer checked.
    void ShowProfiles(const ProfileListData& data);
    // The labels of the keys that have a function; the function type back on "Default".
    void ShowKeyAssignments(const KeyAssignmentData& data);
    // The controls a function type shows; "Default", "Disable Key" and
    // unknown types show none.
    void ShowFunctionTypeControls(int type);
    // Keys of the shown profile and layer bound to a macro the keyboard's
    // memory will not hold (or that was deleted) get a warning on the picture.
    void ShowMacroMarks();

protected:
    void FinishCreate(const CRect& client) override;
    void RefreshOwnTexts() override;

private:
    void ShowKeyAssignment(int keyCode);
    // The user chose another function type: its controls, emptied.
    void FunctionTypeChanged();
    // Shows the controls of `type`, fills the value list and clears the
    // text and capture fields.
    void ShowFunctionControls(int type);
    void CaptureFieldFocus(int fieldId, int code, bool windowBack);
    void BrowseApplication();
    void SaveKeyFunction();
    void ShowKeyLabel(int keyCode);
    void ImportProfileCommand();
    void AppRulesCommand();
    void ExportProfileCommand();
    // The message for a profile change the database did not take.
    void TellIfNotStored(ProfileEditor::Result result);
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
    // What the value controls do not hold of the function being edited: the
    // captured keys and the program path. Loaded with the shown key, so a
    // save never stores another key's capture.
    KeyFunction edited_;
    int armedField_ = 0;    // capture field with the focus, 0 none
    int captureField_ = 0;  // capture field last armed: its text labels a Keyboard save
};

}  // namespace vantora
