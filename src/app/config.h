#pragma once

#include <optional>
#include <string>

namespace vantora {

// The model's settings in "config.ini", section "TEXT": the shipped file in
// the program's folder (see GetExeFolder), read-only once installed, under
// the user's own config.ini, which overrides it key by key. Every call reads
// the files afresh; safe from any thread.

// The full path of the shipped config.ini in the program's folder.
std::string ConfigFilePath();

// The user's config.ini: $XDG_CONFIG_HOME/VANTORA/config.ini (by default
// ~/.config/VANTORA/config.ini). It need not exist.
std::string UserConfigFilePath();

// The key's text, at most 259 characters, empty when absent.
std::string ReadConfigString(const std::string& key);

// The readers on a given file (the program passes ConfigFilePath()): the
// key's integer value, 0 when the key or the file is absent, and its text as
// above. When `file` is the shipped config.ini, a key present in the user's
// config.ini (even with an empty value) is read from there instead.
int ReadConfigIntFrom(const std::string& file, const std::string& key);
std::string ReadConfigStringFrom(const std::string& file, const std::string& key);

// The raw value of `key` (section "TEXT") in `userFile` when present there,
// else in `shippedFile`; nothing when neither has it.
std::optional<std::string> ReadLayeredConfigValue(const std::string& userFile, const std::string& shippedFile,
                                                  const std::string& key);

constexpr std::size_t kConfigStringMaxChars = 259;

}  // namespace vantora
