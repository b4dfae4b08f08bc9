#include "platform/desktop_entry.h"

#include <sstream>

#include "text/regular_file.h"

namespace vantora {
namespace {

constexpr std::size_t kMaxFileSize = 1 << 20;

std::string TrimBlanks(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// \s \n \t \r \\ of a string value; any other backslash stays as it is.
std::string UnescapeString(const std::string& value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (value[i + 1]) {
            case 's':
                out += ' ';
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case '\\':
                out += '\\';
                break;
            default:
                out += '\\';
                out += value[i + 1];
                break;
        }
        ++i;
    }
    return out;
}

bool IsReservedUnquoted(char c) {
    static const std::string reserved = "'\\><~|&;$*?#()`\n";
    return reserved.find(c) != std::string::npos;
}

bool IsDroppedFieldCode(char c) {
    static const std::string dropped = "fFuUdDnNvm";
    return dropped.find(c) != std::string::npos;
}

// Expands the field codes inside one argument (not a lone one).
bool ExpandFieldCodes(const std::string& argument, const DesktopEntry& entry, const std::string& filePath,
                      std::string& out, std::string& error) {
    out.clear();
    for (std::size_t i = 0; i < argument.size(); ++i) {
        if (argument[i] != '%') {
            out += argument[i];
            continue;
        }
        if (i + 1 == argument.size()) {
            error = "Exec ends in a lone '%'";
            return false;
        }
        const char code = argument[++i];
        if (code == '%') {
            out += '%';
        } else if (code == 'c') {
            out += entry.name;
        } else if (code == 'k') {
            out += filePath;
        } else if (code != 'i' && !IsDroppedFieldCode(code)) {
            error = std::string("Exec has the unknown field code %") + code;
            return false;
        }
    }
    return true;
}

}  // namespace

bool ParseDesktopEntry(const std::string& text, DesktopEntry& entry, std::string& error) {
    entry = DesktopEntry{};
    std::istringstream lines(text);
    std::string line;
    bool inGroup = false;
    bool seen[6] = {};
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::string trimmed = TrimBlanks(line);
        if (trimmed.empty() || trimmed[0] == '#') {
            continue;
        }
        if (trimmed[0] == '[') {
            if (inGroup) {
                break;  // only the first group counts
            }
            if (trimmed != "[Desktop Entry]") {
                error = "the file does not start with a [Desktop Entry] group";
                return false;
            }
            inGroup = true;
            continue;
        }
        if (!inGroup) {
            error = "the file does not start with a [Desktop Entry] group";
            return false;
        }
        const std::size_t equals = trimmed.find('=');
        if (equals == std::string::npos) {
            continue;  // not a key line
        }
        const std::string key = TrimBlanks(trimmed.substr(0, equals));
        const std::string value = UnescapeString(TrimBlanks(trimmed.substr(equals + 1)));
        static const char* const keys[6] = {"Type", "Exec", "Path", "Name", "Icon", "Terminal"};
        std::string* const fields[6] = {&entry.type, &entry.exec, &entry.path,
                                        &entry.name, &entry.icon, nullptr};
        for (int k = 0; k < 6; ++k) {
            if (key != keys[k] || seen[k]) {
                continue;  // a repeated key keeps its first value
            }
            seen[k] = true;
            if (fields[k] != nullptr) {
                *fields[k] = value;
            } else {
                entry.terminal = value == "true";
            }
        }
    }
    if (!inGroup) {
        error = "the file has no [Desktop Entry] group";
        return false;
    }
    return true;
}

bool ReadDesktopEntry(const std::string& file, DesktopEntry& entry, std::string& error) {
    std::string text;
    switch (ReadRegularFile(file, kMaxFileSize, text, error)) {
        case FileRead::kRead:
            return ParseDesktopEntry(text, entry, error);
        case FileRead::kTooLarge:
            error = file + " is too large for a desktop entry";
            return false;
        case FileRead::kFailed:
            break;
    }
    return false;
}

bool SplitExec(const DesktopEntry& entry, const std::string& filePath, std::vector<std::string>& argv,
               std::string& error) {
    argv.clear();
    // First the quoting: words separated by unquoted blanks.
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    const std::string& exec = entry.exec;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else if (c == '\\' && i + 1 < exec.size() &&
                       std::string("\"`$\\").find(exec[i + 1]) != std::string::npos) {
                word += exec[++i];
            } else {
                word += c;
            }
        } else if (c == ' ' || c == '\t') {
            if (inWord) {
                words.push_back(word);
                word.clear();
                inWord = false;
            }
        } else if (c == '"') {
            quoted = true;
            inWord = true;
        } else if (IsReservedUnquoted(c)) {
            error = std::string("Exec has the reserved character '") + c + "' outside quotes";
            return false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted) {
        error = "Exec has an unbalanced quote";
        return false;
    }
    if (inWord) {
        words.push_back(word);
    }
    // Then the field codes.
    for (const std::string& w : words) {
        if (w.size() == 2 && w[0] == '%' && IsDroppedFieldCode(w[1])) {
            continue;
        }
        if (w == "%i") {
            if (!entry.icon.empty()) {
                argv.push_back("--icon");
                argv.push_back(entry.icon);
            }
            continue;
        }
        std::string expanded;
        if (!ExpandFieldCodes(w, entry, filePath, expanded, error)) {
            argv.clear();
            return false;
        }
        argv.push_back(expanded);
    }
    if (argv.empty() || argv[0].empty()) {
        argv.clear();
        error = "Exec names no program";
        return false;
    }
    return true;
}

}  // namespace vantora
