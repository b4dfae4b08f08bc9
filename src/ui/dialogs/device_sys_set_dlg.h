#pragma once

#include "ui/toolkit/mdialog.h"

#include <functional>
#include <string>
#include <vector>

namespace vantora {

// One entry of the settings dialog's language list.
struct LanguageChoice {
    const char* flagKey;  // config.ini switch ("LAN_CHINESE " ends with one blank)
    int langId;
    const char* text;
};
// Every language the program knows, in the list's order.
const std::vector<LanguageChoice>& AllLanguageChoices();

// The settings dialog: the interface language, start with the session
// ("Auto Run"), what the close button does, the upgrade notice, the
// OpenRGB SDK server's switch and port and the version lines.
class DeviceSysSetDlg : public MDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 600;
    static constexpr int kHeight = 500;

    // The window told about a language change (MSG_LANGUAGE_CHANGED).
    MDialog* owner = nullptr;
    // The keyboard's firmware version, 0 when none is open.
    int firmwareVersion = 0;
    // The configuration read for the language switches and the texts.
    std::string configFile;
    // Told after the OpenRGB SDK server's settings were stored; false when
    // the server could not listen on the port. Null: nothing applies them.
    std::function<bool()> sdkSettingsChanged;

    DeviceSysSetDlg();
    // Creates the dialog over `owner`, centres and runs it.
    int Run();

    void InitUI(const CRect& client) override;
    void UISize(const CRect& client) override;
    int OnMessage(int id, int code, std::uintptr_t wparam, std::intptr_t lparam) override;

private:
    void ApplyTexts();
    void LanguageChosen();
    void AutoRunToggled();
    void CloseChoiceToggled();
    // The switch or the port changed: stored, then applied.
    void SdkSettingsEdited();
};

}  // namespace vantora
