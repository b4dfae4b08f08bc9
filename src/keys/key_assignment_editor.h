#pragma once

#include <string>
#include <vector>

#include "db/profile_database.h"
#include "db/selection.h"

namespace vantora {

// A key's function as the KEY page and the command line show and enter it.
// Which fields count depends on `type` (a FunctionType code):
// - Macro, Mouse, Multimedia, Windows Shortcut: `listValue` (macro id or list code);
// - Keyboard: the captured keys, Windows virtual-key codes with their display names;
// - Application: `text` (the label, normally the program's file name) and `programPath`;
// - Website, Send Text: `text` (the address as typed, the text to send).
// `label` is what the stored row shows on the keyboard picture; Save builds it
// anew and does not read it.
struct KeyFunction {
    int type = 0;
    int listValue = 0;
    std::string text;
    std::string programPath;
    unsigned keyCode = 0;  // main key, 0 none
    std::string keyName;
    unsigned modifierCode = 0;  // Shift, Control or Alt, 0 none
    std::string modifierName;
    std::string label;

    friend bool operator==(const KeyFunction&, const KeyFunction&) = default;
};

// The capture fields' rules. The single-key field takes any key, press or
// release, as the main key. The combination field takes presses only: Shift,
// Control and Alt (virtual keys 160 to 165) replace the modifier, every other
// key replaces the main key. Focusing a capture field starts afresh (ClearCapture).
void ClearCapture(KeyFunction& function);
void CaptureSingleKey(KeyFunction& function, unsigned virtualKey, const std::string& name);
void CaptureCombinationKey(KeyFunction& function, unsigned virtualKey, const std::string& name);
// The text a capture field shows and a Keyboard function is labelled with:
// "<modifier> + <key>", or the one name that is set.
std::string CaptureText(const KeyFunction& function);

// The address a Website function opens: "www." goes in front of a bare
// domain; a text that starts with a scheme ("http://", "mailto:") or holds
// "www." in any case opens as it is. Surrounding blanks are dropped.
std::string WebAddressToOpen(const std::string& typed);

// One key's label on the keyboard picture: `first` is shown on the key (only
// Keyboard functions have one), `second` is the tip.
struct KeyLabel {
    int keyCode = 0;
    std::string first;
    std::string second;

    friend bool operator==(const KeyLabel&, const KeyLabel&) = default;
};

// The key function commands of the selection's profile and layer. Saves store
// at once; the caller queues the key download when NeedsKeyDownload says so.
class KeyAssignmentEditor {
public:
    enum class SaveResult {
        kSaved,            // stored; for Default the key's row is gone
        kNoKeySelected,    // Selection::selectedKey is below 1
        kUnknownType,      // not a function type of the catalogue
        kNothingChosen,    // no list value, or one the list (or the macro table) lacks
        kNothingCaptured,  // Keyboard without a key that has a HID usage
        kEmptyText,        // Application, Website or Send Text without text
        kNoProgram,        // Application without a program path
        kNoFreeId,         // the profile already refers to kHostSideRowsPerProfile host-side rows
        kStoreFailed,      // the database did not take the change
    };

    // Host-side functions (Application, Website, Send Text) are rows of
    // t_key_otherdata that key assignments refer to by id. The keyboard holds
    // one byte per key for them: each profile's key table numbers the
    // distinct host-side ids its keys use (both layers) 1..255, so a profile
    // refers to at most kHostSideRowsPerProfile of them, whatever their ids.
    // New rows prefer ids below kOtherDataIdLimit (one byte, as older
    // databases hold them) and go beyond it only when every such id is used.
    static constexpr int kHostSideRowsPerProfile = 255;
    static constexpr int kOtherDataIdLimit = 256;

    KeyAssignmentEditor(ProfileDatabase& db, Selection& selection) : db_(db), selection_(selection) {}

    // The stored function of `keyCode` in the selection's profile and layer;
    // a key without a row gives a Default function with every field empty.
    KeyFunction Load(int keyCode);

    // Stores `function` for the selected key. Refused saves change nothing.
    // A host-side function is refused (kNoFreeId) when the key's profile
    // already refers to kHostSideRowsPerProfile host-side rows with its other
    // keys. It takes the smallest id below kOtherDataIdLimit that no
    // assignment of an existing profile uses (the saved key's own old id
    // counts as free) and overwrites its row; when every such id is in use,
    // it gets a new row with an id beyond them.
    SaveResult Save(const KeyFunction& function);

    // Whether the keyboard must be given the key table again: after a save
    // that was stored, and after a failed one (the key may have lost its row).
    static bool NeedsKeyDownload(SaveResult result) {
        return result == SaveResult::kSaved || result == SaveResult::kStoreFailed;
    }

    // The labels of every assigned key of the selection's profile and layer,
    // in table order.
    std::vector<KeyLabel> Labels();

private:
    SaveResult SaveHostSide(KeyAssignment& record, const KeyFunction& function);

    ProfileDatabase& db_;
    Selection& selection_;
};

}  // namespace vantora
