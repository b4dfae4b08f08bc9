#include "app/ini_reader.h"

#include <algorithm>
#include <cstdint>
#include <sstream>

#include "text/regular_file.h"
#include "text/utf8.h"

namespace vantora {
namespace {

std::string Trim(const std::string& s) {
    const char* blanks = " \t\r\n\f\v";
    const auto first = s.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return {};
    }
    const auto last = s.find_last_not_of(blanks);
    return s.substr(first, last - first + 1);
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lx = static_cast<unsigned char>(x);
               const auto ly = static_cast<unsigned char>(y);
               return std::tolower(lx) == std::tolower(ly);
           });
}

// UTF-16 bytes (after the mark) to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(const std::string& bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size());
    auto unit = [&](std::size_t i) -> std::uint32_t {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        std::uint32_t cp = unit(i);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < bytes.size()) {
            const std::uint32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            } else {
                cp = 0xFFFD;
            }
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        AppendUtf8(out, static_cast<char32_t>(cp));
    }
    return out;
}

// A settings file is a few kilobytes: only the first MiB is read, and only
// from a regular file (a pipe would wait for a writer, a device may never end).
constexpr std::size_t kMaxIniBytes = std::size_t{1} << 20;

bool ReadWholeFile(const std::string& file, std::string& text) {
    std::string error;
    if (ReadRegularFile(file, kMaxIniBytes, text, error) == FileRead::kFailed) {
        return false;  // a larger file is read as far as its first MiB
    }
    if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        text.erase(0, 3);
    } else if (text.size() >= 2 && text[0] == '\xFF' && text[1] == '\xFE') {
        text = Utf16ToUtf8(text.substr(2), false);
    } else if (text.size() >= 2 && text[0] == '\xFE' && text[1] == '\xFF') {
        text = Utf16ToUtf8(text.substr(2), true);
    }
    return true;
}

std::string Unquote(const std::string& value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

}  // namespace

std::optional<std::string> ReadIniValue(const std::string& file, const std::string& section,
                                        const std::string& key) {
    std::string text;
    if (!ReadWholeFile(file, text)) {
        return std::nullopt;
    }
    const std::string wantedSection = Trim(section);
    const std::string wantedKey = Trim(key);
    bool inSection = false;
    bool sectionSeen = false;
    std::istringstream lines(text);
    std::string raw;
    while (std::getline(lines, raw)) {
        const std::string line = Trim(raw);
        if (line.empty() || line[0] == ';') {
            continue;
        }
        if (line[0] == '[') {
            const auto close = line.find(']');
            const std::string name =
                Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            if (inSection) {
                // Only the first section of that name is searched.
                sectionSeen = true;
            }
            inSection = !sectionSeen && EqualsNoCase(name, wantedSection);
            continue;
        }
        if (!inSection) {
            continue;
        }
        const auto eq = line.find('=');
        const std::string name = Trim(line.substr(0, eq));
        if (!EqualsNoCase(name, wantedKey)) {
            continue;
        }
        if (eq == std::string::npos) {
            return std::string();
        }
        return Unquote(Trim(line.substr(eq + 1)));
    }
    return std::nullopt;
}

int ParseProfileInt(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    }
    if (negative) {
        value = 0u - value;
    }
    return static_cast<int>(value);
}

std::string TruncateUtf8(const std::string& text, std::size_t maxChars) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) != 0x80) {
            if (chars == maxChars) {
                return text.substr(0, i);
            }
            ++chars;
        }
    }
    return text;
}

}  // namespace vantora
