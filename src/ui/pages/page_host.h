#pragma once

#include <string>

#include "db/profile_database.h"
#include "db/selection.h"
#include "lighting/music_layer.h"
#include "session/system_switches.h"

namespace vantora {

class MDialog;

// Where the keys of a macro recording come from, and whether reading the
// keyboard itself was refused because the user has not allowed it.
struct KeyRecording {
    enum class From {
        kThisWindow,  // only while this window has the focus
        kAnyWindow,   // every window of the X11 desktop
        kKeyboard,    // the keyboard's own input events, in any window
    };
    From from = From::kThisWindow;
    bool keyboardAccessOff = false;
};

// The files and folders a page asks the user for.
enum class FileChoice {
    kProgram,       // an executable file or a desktop entry to start
    kProfileFile,   // a profile exchange file to import
    kExportFolder,  // the folder an export goes to
    kMacroFile,     // a macro exchange file to import
};

// What a page controller may use of the main window: the dialog its controls
// live in, the stored data and the selection, and the device session's job
// queue. A page never touches the device link.
class AppProfileFollower;

class PageHost {
public:
    virtual ~PageHost() = default;

    virtual MDialog& Dialog() = 0;
    // The profile that follows the application in front; null where there
    // is none (the KEY page then offers no rules).
    virtual AppProfileFollower* AppProfiles() { return nullptr; }
    // The path the user chose in a file or folder dialog; empty when cancelled.
    virtual std::string ChooseFile(FileChoice kind, const std::string& title) = 0;
    // Key capture for a capture field of a page (it gained the focus): the
    // keys pressed from now on reach the page that armed it, also those the
    // desktop keeps for itself where the platform allows. Disarm when the
    // field loses the focus.
    virtual void ArmKeyCapture(int fieldId) = 0;
    virtual void DisarmKeyCapture() = 0;
    // Macro recording on: every key pressed reaches the MACRO page's
    // RecordKey and none reaches the window's controls; the page tabs are
    // off; says where keys are taken from. Off: all back as before (and
    // the answer means nothing).
    virtual KeyRecording SetKeyRecording(bool on) = 0;
    virtual ProfileDatabase& Database() = 0;
    virtual Selection& CurrentSelection() = 0;
    // Appends a job to the device worker's queue (a SyncTask code).
    virtual void QueueTask(int task) = 0;
    virtual bool IsConnected() const = 0;
    // "Restore Factory" after the user agreed: database emptied, defaults
    // recreated, the keyboard reset and every page loaded again; false
    // (nothing changed) when the database was not emptied.
    virtual bool RestoreFactoryDefaults() = 0;
    // Stores a SETTING page switch and queues the settings download; false
    // (nothing queued) when the database refused it.
    virtual bool SetSystemSwitch(SystemSwitch which, bool on) = 0;
    // config.ini beside the executable, section [TEXT].
    virtual std::string ConfigText(const std::string& key) const = 0;
    virtual int ConfigInt(const std::string& key) const = 0;
    // The MUSIC page's settings changed (already stored): the analyser
    // takes them at once.
    virtual void MusicSettingsChanged(const MusicSettings& settings) = 0;
    // The on-screen keyboard button: starts the desktop's on-screen keyboard
    // (or tells the user that none was found).
    virtual void OpenOnScreenKeyboard() = 0;
};

}  // namespace vantora
