#pragma once

#include <string>

namespace vantora {

// The model's settings in "config.ini" beside the executable, section "TEXT".
// Every call reads the file afresh; safe from any thread.

// The full path of config.ini beside the running executable.
std::string ConfigFilePath();

// The key's text, at most 259 characters, empty when absent.
std::string ReadConfigString(const std::string& key);

// The readers on a given file (the program passes ConfigFilePath()): the
// key's integer value, 0 when the key or the file is absent, and its text as
// above.
int ReadConfigIntFrom(const std::string& file, const std::string& key);
std::string ReadConfigStringFrom(const std::string& file, const std::string& key);

constexpr std::size_t kConfigStringMaxChars = 259;

}  // namespace vantora
