#include "ui/pages/own_texts.h"

#include "i18n/strings.h"

namespace vantora::ui_text {
namespace {

constexpr int kMacroDeleted = 1022;
constexpr int kMacroDirectoryFull = 1023;
constexpr int kMacroMemoryFull = 1024;
constexpr int kHostSlotsTaken = 1025;
constexpr int kUnknownMacro = 1033;
constexpr int kUnknownProgram = 1034;
constexpr int kUnknownFunction = 1035;
constexpr int kInvalidEntry = 1036;
constexpr int kUnreadable = 1040;
constexpr int kProfileTooLarge = 1041;
constexpr int kNotAProfile = 1042;
constexpr int kNoProfileName = 1043;
constexpr int kProfileNotTaken = 1044;
constexpr int kMacroTooLarge = 1045;
constexpr int kNotAMacro = 1046;
constexpr int kNoMacroSpace = 1047;
constexpr int kMacroNotTaken = 1048;

}  // namespace

std::string KeyLeftOutWords(KeyLeftOutReason reason) {
    switch (reason) {
        case KeyLeftOutReason::kMacroDeleted:
            return GetUiString(kMacroDeleted);
        case KeyLeftOutReason::kMacroDirectoryFull:
            return GetUiString(kMacroDirectoryFull);
        case KeyLeftOutReason::kMacroMemoryFull:
            return GetUiString(kMacroMemoryFull);
        case KeyLeftOutReason::kNoHostSlot:
            return GetUiString(kHostSlotsTaken);
    }
    return {};
}

std::string MacroLeftOutWords(MacroLeftOutReason reason) {
    return GetUiString(reason == MacroLeftOutReason::kDirectoryFull ? kMacroDirectoryFull : kMacroMemoryFull);
}

std::string ImportSkipWords(ImportSkipReason reason) {
    switch (reason) {
        case ImportSkipReason::kUnknownMacro:
            return GetUiString(kUnknownMacro);
        case ImportSkipReason::kUnknownApplication:
            return GetUiString(kUnknownProgram);
        case ImportSkipReason::kNoHostSlot:
            return GetUiString(kHostSlotsTaken);
        case ImportSkipReason::kUnknownType:
            return GetUiString(kUnknownFunction);
        default:
            return GetUiString(kInvalidEntry);
    }
}

std::string ImportErrorWords(const ImportResult& result) {
    switch (result.status) {
        case ImportError::kUnreadable:
            return GetUiString(kUnreadable);
        case ImportError::kTooLarge:
            return GetUiString(kProfileTooLarge);
        case ImportError::kNotAProfile:
            return GetUiString(kNotAProfile);
        case ImportError::kNoName:
            return GetUiString(kNoProfileName);
        case ImportError::kStoreFailed:
            return GetUiString(kProfileNotTaken);
        default:
            return result.error;
    }
}

std::string ImportErrorWords(const MacroImportResult& result) {
    switch (result.status) {
        case MacroImportStatus::kUnreadable:
            return GetUiString(kUnreadable);
        case MacroImportStatus::kTooLarge:
            return GetUiString(kMacroTooLarge);
        case MacroImportStatus::kNotAMacro:
            return GetUiString(kNotAMacro);
        case MacroImportStatus::kNoSpace:
            return GetUiString(kNoMacroSpace);
        case MacroImportStatus::kStoreFailed:
            return GetUiString(kMacroNotTaken);
        default:
            return result.error;
    }
}

}  // namespace vantora::ui_text
