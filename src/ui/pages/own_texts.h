#pragma once

// The window's texts beyond the original string tables (ids 1000 and
// above, in every language of data/i18n), and the words for the reasons the
// core gives, so that no message of the window is English in another
// language. Texts with "%1".. are filled in with FormatUiString.
#include <string>

#include "keys/profile_exchange.h"
#include "macros/macro_exchange.h"
#include "sync/key_plan.h"
#include "sync/macro_image.h"

namespace vantora::ui_text {

inline constexpr int kReadingKeyboard = 1000;
inline constexpr int kWritingKeyboard = 1001;
inline constexpr int kKeyboardRefused = 1002;
inline constexpr int kNotStored = 1003;
inline constexpr int kDatabaseBusy = 1004;
inline constexpr int kNothingCaptured = 1010;
inline constexpr int kNothingChosen = 1011;
inline constexpr int kEmptyText = 1012;
inline constexpr int kNoProgram = 1013;
inline constexpr int kNoFreeHostSlot = 1014;
inline constexpr int kKeyNotStored = 1015;
inline constexpr int kNotAProgram = 1016;          // %1 path
inline constexpr int kNotAWebAddress = 1017;       // %1 address
inline constexpr int kStoredNotOnKeyboard = 1018;  // %1 reason
inline constexpr int kMacroDeletedMark = 1019;
inline constexpr int kMacroNotOnKeyboardMark = 1020;  // %1 reason
inline constexpr int kNotOnKeyboardMark = 1021;       // %1 reason
inline constexpr int kProfileNotImported = 1030;      // %1 reason
inline constexpr int kImportedWithout = 1031;
inline constexpr int kSkippedKey = 1032;          // %1 key code, %2 label, %3 reason
inline constexpr int kExportedTo = 1037;          // %1 file
inline constexpr int kProfileNotExported = 1038;  // %1 detail
inline constexpr int kMacroNotImported = 1050;    // %1 reason
inline constexpr int kDelaysShortened = 1051;     // %1 count
inline constexpr int kMacroNotExported = 1052;    // %1 detail
inline constexpr int kMacrosNotOnKeyboard = 1053;
inline constexpr int kNoRecordSpace = 1054;  // %1 space, %2 used
inline constexpr int kRecordsNotStored = 1055;
inline constexpr int kRecordedInWindowOnly = 1056;
inline constexpr int kNoTextSending = 1060;
inline constexpr int kNoOnScreenKeyboard = 1061;
inline constexpr int kProgramFilter = 1062;
inline constexpr int kMacroFilter = 1063;
inline constexpr int kProfileNameControl = 1064;
inline constexpr int kProfileNameNotUtf8 = 1065;
inline constexpr int kMacroNameControl = 1066;
inline constexpr int kMacroNameNotUtf8 = 1067;
inline constexpr int kNameCleaned = 1068;
inline constexpr int kSdkServer = 1150;
inline constexpr int kSdkPort = 1151;
inline constexpr int kSdkClientDrives = 1152;
inline constexpr int kSdkPortRefused = 1153;     // %1 port
inline constexpr int kSettingNotWritten = 1154;  // %1 file

// Why a key's function stays off the keyboard ("the keyboard holds 32 macros").
std::string KeyLeftOutWords(KeyLeftOutReason reason);
// Why a macro stays off the keyboard.
std::string MacroLeftOutWords(MacroLeftOutReason reason);
// Why an imported profile's item was left out.
std::string ImportSkipWords(ImportSkipReason reason);
// Why a profile or a macro file was not imported; the core's own English
// detail for a status without words of its own.
std::string ImportErrorWords(const ImportResult& result);
std::string ImportErrorWords(const MacroImportResult& result);

}  // namespace vantora::ui_text
