#pragma once

#include <string>

namespace vantora {

// The model's settings in "config.ini" beside the executable, section "TEXT".
// Every call reads the file afresh; safe from any thread.

// The full path of config.ini beside the running executable.
std::string ConfigFilePath();

// The key's integer value, 0 when the key or the file is absent.
int ReadConfigInt(const std::string& key);
// The key's text, at most 259 characters, empty when absent.
std::string ReadConfigString(const std::string& key);

// The same readers on a given file (the program passes ConfigFilePath()).
int ReadConfigIntFrom(const std::string& file, const std::string& key);
std::string ReadConfigStringFrom(const std::string& file, const std::string& key);

constexpr std::size_t kConfigStringMaxChars = 259;

}  // namespace vantora
