#include "text/item_names.h"

#include "text/utf8.h"

namespace vantora {

NameFault CheckItemName(std::string_view name) {
    bool blank = true;
    for (std::size_t pos = 0; pos < name.size();) {
        const char32_t cp = NextUtf8(name, pos);
        if (cp == kInvalidUtf8) {
            return NameFault::kInvalidUtf8;
        }
        if (IsControlCharacter(cp)) {
            return NameFault::kControlCharacter;
        }
        blank = blank && cp == ' ';
    }
    return blank ? NameFault::kBlank : NameFault::kNone;
}

const char* NameFaultText(NameFault fault) {
    switch (fault) {
        case NameFault::kBlank:
            return "cannot be empty";
        case NameFault::kControlCharacter:
            return "cannot hold control characters (tabs, line breaks, escape sequences)";
        case NameFault::kInvalidUtf8:
            return "must be UTF-8 text";
        case NameFault::kNone:
            break;
    }
    return "is accepted";
}

std::string CleanItemName(std::string_view name, bool& changed) {
    changed = false;
    std::string out;
    out.reserve(name.size());
    for (std::size_t pos = 0; pos < name.size();) {
        const std::size_t start = pos;
        const char32_t cp = NextUtf8(name, pos);
        if (cp == kInvalidUtf8 || IsControlCharacter(cp)) {
            AppendUtf8(out, 0xFFFD);
            changed = true;
        } else {
            out.append(name.substr(start, pos - start));
        }
    }
    return out;
}

}  // namespace vantora
