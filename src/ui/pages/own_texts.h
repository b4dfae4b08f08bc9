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
// The profiles that follow the application in front.
inline constexpr int kAppRulesTitle = 1100;
inline constexpr int kAppSourceInUse = 1101;  // %1 the desktop
inline constexpr int kAppSourceUnavailable = 1102;
inline constexpr int kAppRules = 1103;
inline constexpr int kAppRuleRemove = 1104;
inline constexpr int kAppRuleApplication = 1105;
inline constexpr int kAppRuleTitle = 1106;
inline constexpr int kAppRuleProfile = 1107;
inline constexpr int kAppRuleAdd = 1108;
inline constexpr int kAppRuleOthers = 1109;
inline constexpr int kAppRuleKeep = 1110;
inline constexpr int kAppRuleFollow = 1111;
inline constexpr int kAppRuleBroken = 1112;  // %1 the rule
inline constexpr int kAppRuleNoApp = 1113;
inline constexpr int kAppRuleNone = 1114;
inline constexpr int kAppRuleText = 1115;       // %1 application, %2 profile
inline constexpr int kAppRuleTitleText = 1116;  // %1 application, %2 title pattern, %3 profile
inline constexpr int kAppSeenInFront = 1117;    // %1 application
inline constexpr int kAppRulesButton = 1118;
inline constexpr int kDesktopX11 = 1119;
inline constexpr int kDesktopWlroots = 1120;
inline constexpr int kDesktopKWin = 1121;
inline constexpr int kDesktopGnome = 1122;
inline constexpr int kCloseButtonQuits = 1200;
inline constexpr int kCharactersNotTyped = 1201;  // %1 the characters
inline constexpr int kUinputNotAllowed = 1202;
// Where macro recording takes its keys from.
inline constexpr int kKeysFromKeyboard = 1210;
inline constexpr int kKeysFromDesktop = 1211;
inline constexpr int kKeyboardAccessOff = 1212;  // %1 vendor id, %2 product id
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
