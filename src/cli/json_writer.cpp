#include "cli/json_writer.h"

#include <cstdio>

namespace vantora::cli {
namespace {

// The length of the valid UTF-8 sequence at `i`, 0 when the bytes there are
// not one.
std::size_t Utf8Length(std::string_view text, std::size_t i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    unsigned min = 0;
    unsigned codePoint = 0;
    if (byte < 0x80) {
        return 1;
    } else if ((byte & 0xE0) == 0xC0) {
        length = 2;
        min = 0x80;
        codePoint = byte & 0x1F;
    } else if ((byte & 0xF0) == 0xE0) {
        length = 3;
        min = 0x800;
        codePoint = byte & 0x0F;
    } else if ((byte & 0xF8) == 0xF0) {
        length = 4;
        min = 0x10000;
        codePoint = byte & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    if (codePoint < min || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return 0;
    }
    return length;
}

}  // namespace

std::string JsonQuote(std::string_view text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        switch (c) {
            case '"':
                out += "\\\"";
                ++i;
                continue;
            case '\\':
                out += "\\\\";
                ++i;
                continue;
            case '\n':
                out += "\\n";
                ++i;
                continue;
            case '\r':
                out += "\\r";
                ++i;
                continue;
            case '\t':
                out += "\\t";
                ++i;
                continue;
            default:
                break;
        }
        if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
            ++i;
            continue;
        }
        const std::size_t length = Utf8Length(text, i);
        if (length == 0) {
            out += "\\ufffd";  // not UTF-8: the replacement character
            ++i;
            continue;
        }
        out.append(text.substr(i, length));
        i += length;
    }
    out += '"';
    return out;
}

void JsonWriter::BeforeValue() {
    if (needComma_) {
        text_ += ',';
    }
    needComma_ = true;
}

JsonWriter& JsonWriter::BeginObject() {
    BeforeValue();
    text_ += '{';
    needComma_ = false;
    return *this;
}

JsonWriter& JsonWriter::EndObject() {
    text_ += '}';
    needComma_ = true;
    return *this;
}

JsonWriter& JsonWriter::BeginArray() {
    BeforeValue();
    text_ += '[';
    needComma_ = false;
    return *this;
}

JsonWriter& JsonWriter::EndArray() {
    text_ += ']';
    needComma_ = true;
    return *this;
}

JsonWriter& JsonWriter::Key(std::string_view key) {
    BeforeValue();
    text_ += JsonQuote(key);
    text_ += ':';
    needComma_ = false;
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view value) {
    BeforeValue();
    text_ += JsonQuote(value);
    return *this;
}

JsonWriter& JsonWriter::Int(long long value) {
    BeforeValue();
    text_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
    BeforeValue();
    text_ += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::Null() {
    BeforeValue();
    text_ += "null";
    return *this;
}

}  // namespace vantora::cli
