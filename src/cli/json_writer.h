#pragma once

#include <string>
#include <string_view>

namespace vantora::cli {

// Builds one JSON document as text. The caller nests values in order; keys
// and strings are escaped (UTF-8 passes through, control characters and
// invalid bytes are escaped or replaced, so the output is always valid).
class JsonWriter {
public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(std::string_view key);
    JsonWriter& String(std::string_view value);
    JsonWriter& Int(long long value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();

    const std::string& Text() const { return text_; }

private:
    void BeforeValue();

    std::string text_;
    bool needComma_ = false;
};

// `text` as a quoted JSON string.
std::string JsonQuote(std::string_view text);

}  // namespace vantora::cli
