#pragma once

#include "ui/pages/page_host.h"
#include "ui/toolkit/mdialog.h"

namespace vantora::test {

// A page host of its own dialog, database and selection, for pages tested or
// measured without the main window: jobs, files and key capture go nowhere.
class FakePageHost : public PageHost {
public:
    MDialog& Dialog() override { return dialog; }
    ProfileDatabase& Database() override { return db; }
    Selection& CurrentSelection() override { return selection; }
    void QueueTask(int) override {}
    bool IsConnected() const override { return true; }
    bool RestoreFactoryDefaults() override { return true; }
    bool SetSystemSwitch(SystemSwitch, bool) override { return true; }
    std::string ConfigText(const std::string&) const override { return {}; }
    int ConfigInt(const std::string&) const override { return 0; }
    void OpenOnScreenKeyboard() override {}
    std::string ChooseFile(FileChoice, const std::string&) override { return {}; }
    void ArmKeyCapture(int) override {}
    void DisarmKeyCapture() override {}
    KeyRecording SetKeyRecording(bool) override { return {}; }
    void MusicSettingsChanged(const MusicSettings&) override {}

    MDialog dialog;
    ProfileDatabase db;
    Selection selection;
};

}  // namespace vantora::test
