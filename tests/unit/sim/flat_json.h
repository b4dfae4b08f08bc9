#pragma once

#include <cctype>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vantora::test {

using JsonFields = std::vector<std::pair<std::string, std::string>>;

// Reads exactly one flat JSON object (string values without escapes, or bare
// words and numbers), optionally followed by one newline, into its fields in
// order; string values lose their quotes. Nothing for anything else: a cut
// or nested object, a trailing comma, text after the object.
inline std::optional<JsonFields> ParseFlatJson(const std::string& text) {
    std::size_t at = 0;
    auto quoted = [&](std::string& out) {
        if (at >= text.size() || text[at] != '"') {
            return false;
        }
        const std::size_t end = text.find('"', at + 1);
        if (end == std::string::npos) {
            return false;
        }
        out = text.substr(at + 1, end - at - 1);
        at = end + 1;
        return out.find('\\') == std::string::npos;
    };
    if (text.empty() || text[at++] != '{') {
        return std::nullopt;
    }
    JsonFields fields;
    while (at < text.size() && text[at] != '}') {
        std::string name;
        std::string value;
        if ((!fields.empty() && text[at++] != ',') || !quoted(name) || at >= text.size() ||
            text[at++] != ':') {
            return std::nullopt;
        }
        if (at < text.size() && text[at] == '"') {
            if (!quoted(value)) {
                return std::nullopt;
            }
        } else {
            while (at < text.size() &&
                   (std::isalnum(static_cast<unsigned char>(text[at])) || text[at] == '-')) {
                value += text[at++];
            }
            if (value.empty()) {
                return std::nullopt;
            }
        }
        fields.emplace_back(name, value);
    }
    if (at >= text.size() || ++at < text.size() - (text.back() == '\n' ? 1 : 0)) {
        return std::nullopt;
    }
    return fields;
}

inline std::string Field(const JsonFields& fields, const std::string& name) {
    for (const auto& [key, value] : fields) {
        if (key == name) {
            return value;
        }
    }
    return {};
}

}  // namespace vantora::test
