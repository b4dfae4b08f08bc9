#pragma once

#include <optional>
#include <string>
#include <vector>

#include "macros/macro_editor.h"
#include "macros/macro_recorder.h"
#include "session/page_data.h"
#include "ui/pages/page_controller.h"

namespace vantora {

enum MacroPageId : int {
    kIdAddMacro = 130,
    kIdImportMacro = 139,  // beside "+": reachable while the list is empty
    kIdMacroList = 131,
    kIdRecord = 133,
    kIdDeleteRecord = 134,
    kIdClearRecords = 135,
    kIdInsertKey = 136,
    kIdRecordList = 138,
    kIdMacroDelay = 143,
    kIdMacroCommand = 145,
    kIdMacroKey = 147,
    kIdMacroMouse = 148,
    kIdRecordHint = 149,  // how keys are recorded here
    kIdMemoryHint = 150,  // the macros the keyboard will not hold
};

// The macro list's item menu (MSG_MACRO_MENU).
enum MacroMenuId : int {
    kMenuRenameMacro = 605,
    kMenuImportMacro = 606,
    kMenuExportMacro = 607,
    kMenuDeleteMacro = 608,
};

// The MACRO page: the macro list, the records of the selected macro, the
// fields that make or change a record, and the recorder. The rules live in
// MacroEditor and the record list functions; every change is stored at once
// and the downloads it needs are queued.
class MacroPage : public PageController {
public:
    explicit MacroPage(PageHost& host);

    std::span<const ControlRow> Table() const override;
    int OnMessage(int id, int code, std::uintptr_t wparam, std::intptr_t lparam) override;

    // Every macro, the first selected with its records; record editing is
    // enabled once records are shown. A recording in progress ends first.
    void ShowMacros(const MacroListData& data);
    // The record fields back to their start: no delay, no key, first items.
    void ClearFields();
    // A choice of the macro list's item menu.
    void OnMenuCommand(int command);
    // The MACRO tab was shown: the link counts of the active profile.
    void RecountLinks();

    // A key for the key field (147) while it is armed.
    void TakeCapturedKey(unsigned code, const std::string& name, bool isUp);
    // A key while recording.
    void RecordKey(unsigned code, const std::string& name, bool isUp);
    bool IsRecording() const { return recorder_.IsRecording(); }
    // Ends a recording (Stop, the space is full, the keyboard went, the page
    // was left): what was recorded is saved.
    void StopRecording();

protected:
    void FinishCreate(const CRect& client) override;
    void RefreshOwnTexts() override;

private:
    void EnableRecordEditing(bool on);
    int SelectedMacro() const;
    void LoadRecords(int macroId);
    void ShowRecords(const std::vector<MacroStep>& records, int select);
    std::vector<MacroStep> WorkingCopy() const;
    // Stores `records` as the selected macro's and shows them; refused or
    // failed: a message, and the list shows what is stored.
    bool SaveRecords(const std::vector<MacroStep>& records, int select);
    void QueueJobs(bool macros, bool keys);
    void ShowMemoryHint();

    void AddMacro();
    void OpenMacroMenu();
    void RenameMacro();
    void DeleteMacro();
    void ImportMacroFile();
    void ExportMacroFile();
    void DeleteRecordCommand();
    void ClearRecordsCommand();
    void InsertKeyCommand();
    void EditRecordCommand();
    void RecordSelected();
    void CommandKindChanged();
    void KeyFieldFocus(int code, bool windowBack);
    void StartRecording();
    void ShowRecordHint();
    // The message for a macro change the database did not take.
    void TellIfNotStored(MacroEditor::Result result);

    MacroRecorder recorder_;
    bool keyFieldArmed_ = false;
    int capturedCode_ = 0;
    std::string capturedName_;
    // Where the last recording took its keys from (the hint says it).
    std::optional<KeyRecording> recordedFrom_;
};

}  // namespace vantora
