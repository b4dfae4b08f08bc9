#pragma once

#include <string>

namespace vantora {

// The user's choices are kept in $XDG_CONFIG_HOME/VANTORA/VANTORA.conf; the
// language as the line "LCID=<decimal Windows LANGID>".
std::string LanguageSettingsFile();

// The stored LANGID; 0 when none is stored or the text is not a number (the
// file is created empty when it does not exist yet); 2052 when the settings
// cannot be read or created.
int ReadLanguageSetting();
// Stores the LANGID; silently does nothing when the settings cannot be written.
void WriteLanguageSetting(int language);

// Other choices of the user in the same file, one "KEY=value" line each:
// the stored text, empty when none is stored or the file cannot be read.
std::string ReadStoredSetting(const std::string& key);
// Replaces or adds the key's line; false when the file cannot be written.
bool WriteStoredSetting(const std::string& key, const std::string& value);

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
