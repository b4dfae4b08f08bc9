#pragma once

#include <string>

namespace vantora {

// The word of the default profile names ("Profile" in English) in UI
// language `language` (0: the current one).
std::string DefaultProfileWord(int language = 0);

// The text shown for a stored profile name in UI language `language`: with
// Simplified Chinese (2052) a leading "Profile", and with English (1033) a
// leading Chinese default word, are replaced by the default word of that
// language. Other names and languages are shown as stored.
std::string DisplayProfileName(const std::string& stored, int language);

}  // namespace vantora
