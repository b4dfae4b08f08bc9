#pragma once

#include <string>

namespace vantora {

// The language choice is kept in $XDG_CONFIG_HOME/VANTORA/VANTORA.conf as the
// line "LCID=<decimal Windows LANGID>".
std::string LanguageSettingsFile();

// The stored LANGID; 0 when none is stored or the text is not a number (the
// file is created empty when it does not exist yet); 2052 when the settings
// cannot be read or created.
int ReadLanguageSetting();
// Stores the LANGID; silently does nothing when the settings cannot be written.
void WriteLanguageSetting(int language);

// The Windows LANGID that corresponds to a POSIX locale name such as
// "ru_RU.UTF-8" or "pt_BR"; 1033 for "C", "POSIX", empty and unknown names.
int LangIdFromLocale(const std::string& locale);
// The user's interface language: the first non-empty of LC_ALL, LC_MESSAGES
// and LANG, mapped by LangIdFromLocale.
int UserDefaultUiLanguage();

// Settles CurrentUiLanguage at start: a stored choice wins; otherwise the
// user's language when config.ini allows it, else English; the result is
// stored for the next start. Returns the chosen LANGID.
int ChooseLanguage();
// The same with a given config.ini.
int ChooseLanguage(const std::string& configFile);

}  // namespace vantora
