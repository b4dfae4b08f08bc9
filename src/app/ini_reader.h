#pragma once

#include <optional>
#include <string>

namespace vantora {

// Reads one value from an INI file with the results of the Windows
// profile-file functions: section and key names match without regard to
// letter case or surrounding blanks, the value is trimmed and loses one pair of
// surrounding quotes, lines starting with ';' are comments. The first
// matching section and the first matching key in it win. UTF-8 (with or
// without a byte-order mark) and UTF-16 files with a mark are read; the value
// comes back as UTF-8. Nothing when the file, the section or the key is absent.
// Only the first MiB of the file is read, and only of a regular file: a
// pipe, a device or a folder reads as an absent file.
std::optional<std::string> ReadIniValue(const std::string& file, const std::string& section,
                                        const std::string& key);

// Parses an integer like the Windows profile reader: leading blanks, an
// optional sign, then the leading decimal digits ("12abc" is 12, "abc" is 0).
// Values past the 32-bit range wrap as they do there.
int ParseProfileInt(const std::string& text);

// Cuts UTF-8 text to at most `maxChars` characters without splitting one.
std::string TruncateUtf8(const std::string& text, std::size_t maxChars);

}  // namespace vantora
