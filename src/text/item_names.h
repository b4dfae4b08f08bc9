#pragma once

#include <string>
#include <string_view>

namespace vantora {

// The rule for the names of profiles and macros, wherever they are typed
// (the window's dialogs, vantoractl) or imported: a name is valid UTF-8
// text without control characters (C0, DEL, C1), so that an exchange file
// can hold it and a terminal or list shows it as it was typed; and it is not
// blank (empty or only spaces).
enum class NameFault {
    kNone,
    kBlank,
    kControlCharacter,
    kInvalidUtf8,
};

NameFault CheckItemName(std::string_view name);

// Why a typed name is refused, to follow "A profile name " or "A macro name ".
const char* NameFaultText(NameFault fault);

// An imported name made to follow the rule as far as it can: every control
// character and every byte that is not valid UTF-8 becomes U+FFFD (a blank
// name stays blank). `changed` tells whether anything was replaced.
std::string CleanItemName(std::string_view name, bool& changed);

// What an import says when it cleaned the name of its file.
inline constexpr const char* kCleanedNameNote =
    "the name in the file held control characters or bytes that are not UTF-8: each is stored as "
    "\xEF\xBF\xBD (U+FFFD)";

}  // namespace vantora
