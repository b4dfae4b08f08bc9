#include "xml/xml_document.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

#include "text/regular_file.h"
#include "xml/xml_entities.h"

namespace vantora {
namespace {

constexpr std::uint32_t kMaxElements = std::numeric_limits<std::uint32_t>::max() - 1;

bool IsNameStart(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || u >= 0x80;
}

bool IsNameChar(char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::size_t NameLengthAt(std::string_view text, std::size_t pos) {
    if (pos >= text.size() || !IsNameStart(text[pos])) {
        return 0;
    }
    std::size_t end = pos + 1;
    while (end < text.size() && IsNameChar(text[end])) {
        ++end;
    }
    return end - pos;
}

bool StartsAt(std::string_view text, std::size_t pos, std::string_view what) {
    return text.substr(pos, what.size()) == what;
}

std::string Num(std::size_t value) {
    return std::to_string(value);
}

// End of a DOCTYPE declaration starting at `pos`: the '>' outside quotes and
// outside its internal subset, npos when there is none.
std::size_t FindDoctypeEnd(std::string_view text, std::size_t pos) {
    int bracket_depth = 0;
    char quote = 0;
    for (std::size_t i = pos; i < text.size(); ++i) {
        const char c = text[i];
        if (quote != 0) {
            if (c == quote) {
                quote = 0;
            }
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '[') {
            ++bracket_depth;
        } else if (c == ']') {
            if (bracket_depth > 0) {
                --bracket_depth;
            }
        } else if (c == '>' && bracket_depth == 0) {
            return i;
        }
    }
    return std::string_view::npos;
}

struct TagEnd {
    std::size_t pos = std::string_view::npos;        // the '>' ending the tag
    std::size_t broken_at = std::string_view::npos;  // a '<' met outside quotes
};

// Scans a start tag from `pos` for its '>' outside quoted values.
TagEnd FindStartTagEnd(std::string_view text, std::size_t pos) {
    TagEnd end;
    std::size_t i = pos;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            const std::size_t close = text.find(c, i + 1);
            if (close == std::string_view::npos) {
                return end;
            }
            i = close + 1;
            continue;
        }
        if (c == '>') {
            end.pos = i;
            return end;
        }
        if (c == '<') {
            end.broken_at = i;
            return end;
        }
        ++i;
    }
    return end;
}

}  // namespace

bool IsValidXmlName(std::string_view name) {
    return !name.empty() && NameLengthAt(name, 0) == name.size();
}

XmlDocument::XmlDocument() {
    elements_.emplace_back();
    well_formed_ = false;
}

bool XmlDocument::SetDocumentText(std::string_view text) {
    result_.Clear();
    text_.assign(text);
    Index();
    return well_formed_;
}

bool XmlDocument::LoadFile(const std::string& path) {
    if (flags_ & (kXmlFlagReadFile | kXmlFlagWriteFile)) {
        return false;
    }
    result_.Clear();
    text_.clear();
    std::string bytes;
    std::string error;
    const FileRead read = ReadRegularFile(path, kMaxFileBytes, bytes, error);
    if (read != FileRead::kRead) {
        bytes.clear();
        result_.Add("file_error", {{"type", "read"}, {"msg", error}});
        Index();
        if (read == FileRead::kTooLarge) {
            limit_error_ = "the file is larger than " + Num(kMaxFileBytes >> 20) + " MB";
        }
        well_formed_ = false;
        return false;
    }
    result_.Add("read", {{"length", Num(bytes.size())}});
    text_ = DecodeXmlBytes(bytes, flags_, result_);
    bytes.clear();
    bytes.shrink_to_fit();
    Index();
    return well_formed_;
}

bool XmlDocument::SaveFile(const std::string& path) {
    result_.Clear();
    const std::string bytes = EncodeXmlBytes(text_, flags_, result_);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        result_.Add("file_error", {{"type", "write"}, {"msg", std::strerror(errno)}});
        return false;
    }
    const std::size_t written = std::fwrite(bytes.data(), 1, bytes.size(), file);
    const bool write_ok = written == bytes.size() && std::fflush(file) == 0;
    const int write_errno = errno;
    const bool close_ok = std::fclose(file) == 0;
    if (!write_ok || !close_ok) {
        result_.Add("file_error",
                    {{"type", "write"}, {"msg", std::strerror(write_ok ? errno : write_errno)}});
        return false;
    }
    result_.Add("write", {{"length", Num(bytes.size())}});
    return true;
}

std::uint32_t XmlDocument::NewElement() {
    elements_.emplace_back();
    return static_cast<std::uint32_t>(elements_.size() - 1);
}

void XmlDocument::Index() {
    elements_.clear();
    elements_.emplace_back();
    limit_error_.clear();
    first_top_ = 0;
    parent_ = current_ = child_ = 0;

    struct Open {
        std::uint32_t pos;
        std::uint32_t last_child;
    };
    std::vector<Open> open;
    std::uint32_t last_top = 0;
    std::size_t top_count = 0;
    const std::string_view text = text_;
    const std::size_t n = text.size();

    const auto close_element = [&](std::uint32_t pos, std::size_t end, std::size_t end_tag_length) {
        Element& e = elements_[pos];
        e.length = end - e.start;
        e.end_tag_length = end_tag_length;
    };

    std::size_t i = 0;
    while (i < n) {
        const std::size_t lt = text.find('<', i);
        if (lt == std::string_view::npos) {
            break;
        }
        i = lt;
        if (StartsAt(text, i, "<!--")) {
            const std::size_t end = text.find("-->", i + 4);
            if (end == std::string_view::npos) {
                result_.Add("comment_tag_syntax", {{"offset", Num(i)}});
                break;
            }
            i = end + 3;
        } else if (StartsAt(text, i, "<![CDATA[")) {
            const std::size_t end = text.find("]]>", i + 9);
            if (end == std::string_view::npos) {
                result_.Add("cdata_section_syntax", {{"offset", Num(i)}});
                break;
            }
            i = end + 3;
        } else if (StartsAt(text, i, "<!DOCTYPE")) {
            const std::size_t end = FindDoctypeEnd(text, i + 9);
            if (end == std::string_view::npos) {
                result_.Add("doctype_tag_syntax", {{"offset", Num(i)}});
                break;
            }
            i = end + 1;
        } else if (StartsAt(text, i, "<!")) {
            const std::size_t end = text.find('>', i + 2);
            if (end == std::string_view::npos) {
                result_.Add("exclamation_tag_syntax", {{"offset", Num(i)}});
                break;
            }
            i = end + 1;
        } else if (StartsAt(text, i, "<?")) {
            const std::size_t end = text.find("?>", i + 2);
            if (end == std::string_view::npos) {
                result_.Add("unterminated_tag_syntax",
                            {{"type", "processing instruction"}, {"offset", Num(i)}});
                break;
            }
            i = end + 2;
        } else if (StartsAt(text, i, "</")) {
            const std::size_t name_length = NameLengthAt(text, i + 2);
            const std::size_t end = text.find('>', i + 2);
            if (end == std::string_view::npos) {
                result_.Add("unterminated_tag_syntax", {{"type", "end tag"}, {"offset", Num(i)}});
                break;
            }
            const std::string_view name = text.substr(i + 2, name_length);
            std::size_t match = open.size();
            while (match > 0 && NameOf(open[match - 1].pos) != name) {
                --match;
            }
            if (name_length == 0 || match == 0) {
                result_.Add("lone_end_tag", {{"tagname", std::string(name)}, {"offset", Num(i)}});
            } else {
                // Elements opened inside and never closed end where it ends.
                while (open.size() > match) {
                    const std::uint32_t pos = open.back().pos;
                    result_.Add("unended_start_tag", {{"tagname", std::string(NameOf(pos))},
                                                      {"offset", Num(elements_[pos].start)}});
                    close_element(pos, i, 0);
                    open.pop_back();
                }
                close_element(open.back().pos, end + 1, end + 1 - i);
                open.pop_back();
            }
            i = end + 1;
        } else if (NameLengthAt(text, i + 1) > 0) {
            const TagEnd tag_end = FindStartTagEnd(text, i + 1);
            if (tag_end.pos == std::string_view::npos) {
                result_.Add("unterminated_tag_syntax", {{"type", "start tag"}, {"offset", Num(i)}});
                if (tag_end.broken_at == std::string_view::npos) {
                    break;
                }
                i = tag_end.broken_at;
                continue;
            }
            if (open.size() >= kMaxDepth) {
                limit_error_ = "the file nests elements more than " + Num(kMaxDepth) + " levels deep";
            } else if (elements_.size() > kMaxReadElements) {
                limit_error_ = "the file holds more than " + Num(kMaxReadElements) + " elements";
            }
            if (!limit_error_.empty()) {
                result_.Add("limit_exceeded", {{"msg", limit_error_}, {"offset", Num(i)}});
                break;
            }
            const std::uint32_t pos = NewElement();
            Element& e = elements_[pos];
            e.start = i;
            e.start_tag_length = tag_end.pos + 1 - i;
            e.length = e.start_tag_length;
            e.level = static_cast<std::uint32_t>(open.size());
            if (open.empty()) {
                e.parent = 0;
                e.prev = last_top;
                if (last_top != 0) {
                    elements_[last_top].next = pos;
                } else {
                    first_top_ = pos;
                }
                last_top = pos;
                ++top_count;
            } else {
                Open& parent = open.back();
                e.parent = parent.pos;
                e.prev = parent.last_child;
                if (parent.last_child != 0) {
                    elements_[parent.last_child].next = pos;
                } else {
                    elements_[parent.pos].first_child = pos;
                }
                parent.last_child = pos;
            }
            const bool empty = text[tag_end.pos - 1] == '/';
            if (!empty) {
                open.push_back(Open{pos, 0});
            }
            i = tag_end.pos + 1;
        } else {
            // A '<' that starts nothing: kept as text.
            result_.Add("first_tag_syntax", {{"msg", "'<' starts no tag"}, {"offset", Num(i)}});
            ++i;
        }
    }
    while (!open.empty()) {
        const std::uint32_t pos = open.back().pos;
        result_.Add("unended_start_tag",
                    {{"tagname", std::string(NameOf(pos))}, {"offset", Num(elements_[pos].start)}});
        close_element(pos, n, 0);
        open.pop_back();
    }
    if (top_count == 0) {
        result_.Add("no_root_element");
    } else if (top_count > 1) {
        result_.Add("root_has_sibling", {{"count", Num(top_count)}});
    }
    well_formed_ = top_count == 1 && limit_error_.empty();
}

std::string_view XmlDocument::NameOf(std::uint32_t pos) const {
    if (pos == 0 || pos >= elements_.size()) {
        return {};
    }
    const std::size_t start = elements_[pos].start + 1;
    return std::string_view(text_).substr(start, NameLengthAt(text_, start));
}

bool XmlDocument::FindElement(std::string_view name) {
    std::uint32_t pos = current_ != 0  ? elements_[current_].next
                        : parent_ != 0 ? elements_[parent_].first_child
                                       : first_top_;
    while (pos != 0) {
        if (name.empty() || NameOf(pos) == name) {
            current_ = pos;
            child_ = 0;
            return true;
        }
        pos = elements_[pos].next;
    }
    return false;
}

bool XmlDocument::EnterElement() {
    if (current_ == 0) {
        return false;
    }
    parent_ = current_;
    current_ = child_;
    child_ = 0;
    return true;
}

bool XmlDocument::LeaveElement() {
    if (parent_ == 0) {
        return false;
    }
    child_ = current_;
    current_ = parent_;
    parent_ = elements_[parent_].parent;
    return true;
}

void XmlDocument::ResetPos() {
    parent_ = current_ = child_ = 0;
}

std::string XmlDocument::GetTagName() const {
    return std::string(NameOf(current_));
}

bool XmlDocument::IsSelfClosed(std::uint32_t pos) const {
    const Element& e = elements_[pos];
    return e.length == e.start_tag_length && e.end_tag_length == 0 && e.first_child == 0 &&
           e.start_tag_length >= 3 && text_[e.start + e.start_tag_length - 2] == '/';
}

XmlDocument::AttributeSpan XmlDocument::FindAttribute(std::uint32_t pos, std::string_view name) const {
    AttributeSpan span;
    if (pos == 0) {
        return span;
    }
    const std::string_view text = text_;
    const Element& e = elements_[pos];
    const std::size_t end = e.start + e.start_tag_length - 1;  // the '>'
    // Where a value must stop: before the '/' of <a b=c/>.
    const std::size_t value_limit = IsSelfClosed(pos) ? end - 1 : end;
    std::size_t j = e.start + 1 + NameOf(pos).size();
    while (j < end) {
        while (j < end && IsBlank(text[j])) {
            ++j;
        }
        const std::size_t name_begin = j;
        while (j < end && !IsBlank(text[j]) && text[j] != '=' && text[j] != '/') {
            ++j;
        }
        const std::string_view attribute = text.substr(name_begin, j - name_begin);
        while (j < end && IsBlank(text[j])) {
            ++j;
        }
        AttributeSpan here;
        here.name_begin = name_begin;
        if (j < end && text[j] == '=') {
            ++j;
            while (j < end && IsBlank(text[j])) {
                ++j;
            }
            if (j < end && (text[j] == '"' || text[j] == '\'')) {
                const std::size_t close = text.find(text[j], j + 1);
                here.quoted = true;
                here.closed = close != std::string_view::npos && close < value_limit;
                here.value_begin = std::min(j + 1, value_limit);
                here.value_end = here.closed ? close : value_limit;
                j = here.value_end + 1;
            } else {
                here.value_begin = j;
                while (j < value_limit && !IsBlank(text[j])) {
                    ++j;
                }
                here.value_end = j;
            }
        } else {
            here.value_begin = here.value_end = j;
        }
        if (!attribute.empty() && attribute == name) {
            here.found = true;
            return here;
        }
        if (attribute.empty() && j < end) {
            ++j;  // a stray '/' or '='
        }
    }
    return span;
}

std::string XmlDocument::GetAttribute(std::string_view name) const {
    const AttributeSpan span = FindAttribute(current_, name);
    if (!span.found) {
        return {};
    }
    return DecodeXmlEntities(
        std::string_view(text_).substr(span.value_begin, span.value_end - span.value_begin));
}

void XmlDocument::ShiftSubtree(std::uint32_t root, std::ptrdiff_t delta) {
    std::uint32_t x = root;
    while (true) {
        elements_[x].start += static_cast<std::size_t>(delta);
        if (elements_[x].first_child != 0) {
            x = elements_[x].first_child;
            continue;
        }
        while (x != root && elements_[x].next == 0) {
            x = elements_[x].parent;
        }
        if (x == root) {
            return;
        }
        x = elements_[x].next;
    }
}

void XmlDocument::ShiftDescendants(std::uint32_t pos, std::ptrdiff_t delta) {
    for (std::uint32_t c = elements_[pos].first_child; c != 0; c = elements_[c].next) {
        ShiftSubtree(c, delta);
    }
}

void XmlDocument::AdjustAfterEdit(std::uint32_t pos, std::ptrdiff_t delta) {
    for (std::uint32_t a = elements_[pos].parent; a != 0; a = elements_[a].parent) {
        elements_[a].length += static_cast<std::size_t>(delta);
    }
    for (std::uint32_t n = pos; n != 0; n = elements_[n].parent) {
        for (std::uint32_t s = elements_[n].next; s != 0; s = elements_[s].next) {
            ShiftSubtree(s, delta);
        }
    }
}

std::uint32_t XmlDocument::LastChildOf(std::uint32_t parent) const {
    std::uint32_t pos = parent != 0 ? elements_[parent].first_child : first_top_;
    if (pos == 0) {
        return 0;
    }
    while (elements_[pos].next != 0) {
        pos = elements_[pos].next;
    }
    return pos;
}

bool XmlDocument::ExpandEmptyElement(std::uint32_t pos) {
    // Only an element indexed as empty: a start tag that merely ends in '/'
    // (an unclosed quoted value) has content or runs to the end of the text.
    if (!IsSelfClosed(pos)) {
        return false;
    }
    Element& e = elements_[pos];
    const std::size_t slash = e.start + e.start_tag_length - 2;
    const std::string end_tag = ">\r\n</" + std::string(NameOf(pos)) + ">";
    text_.replace(slash, 2, end_tag);
    const auto delta = static_cast<std::ptrdiff_t>(end_tag.size()) - 2;
    e.start_tag_length -= 1;
    e.length += static_cast<std::size_t>(delta);
    e.end_tag_length = end_tag.size() - 3;
    AdjustAfterEdit(pos, delta);
    return true;
}

bool XmlDocument::AddElement(std::string_view name) {
    if ((flags_ & (kXmlFlagReadFile | kXmlFlagWriteFile)) || !IsValidXmlName(name) ||
        elements_.size() > kMaxElements) {
        return false;
    }
    std::size_t insert_at;
    std::uint32_t prev;
    if (current_ != 0) {
        const Element& e = elements_[current_];
        insert_at = e.start + e.length;
        if (StartsAt(text_, insert_at, "\r\n")) {
            insert_at += 2;
        } else if (StartsAt(text_, insert_at, "\n")) {
            insert_at += 1;
        }
        prev = current_;
    } else if (parent_ != 0) {
        ExpandEmptyElement(parent_);
        const Element& p = elements_[parent_];
        insert_at = p.start + p.length - p.end_tag_length;
        prev = LastChildOf(parent_);
    } else {
        insert_at = text_.size();
        prev = LastChildOf(0);
    }
    std::string piece;
    if (insert_at > 0 && text_[insert_at - 1] != '\n') {
        piece = "\r\n";
    }
    const std::size_t start = insert_at + piece.size();
    piece += '<';
    piece += name;
    piece += "/>\r\n";
    text_.insert(insert_at, piece);

    const std::uint32_t pos = NewElement();
    Element& e = elements_[pos];
    e.start = start;
    e.start_tag_length = e.length = name.size() + 3;
    e.parent = parent_;
    e.level = parent_ != 0 ? elements_[parent_].level + 1 : 0;
    e.prev = prev;
    if (prev != 0) {
        e.next = elements_[prev].next;
        elements_[prev].next = pos;
    } else if (parent_ != 0) {
        e.next = elements_[parent_].first_child;
        elements_[parent_].first_child = pos;
    } else {
        e.next = first_top_;
        first_top_ = pos;
    }
    if (e.next != 0) {
        elements_[e.next].prev = pos;
    }
    AdjustAfterEdit(pos, static_cast<std::ptrdiff_t>(piece.size()));
    current_ = pos;
    child_ = 0;
    if (parent_ == 0) {
        std::size_t top_count = 0;
        for (std::uint32_t t = first_top_; t != 0 && top_count < 2; t = elements_[t].next) {
            ++top_count;
        }
        well_formed_ = top_count == 1;
    }
    return true;
}

bool XmlDocument::SetAttribute(std::string_view name, std::string_view value) {
    if (current_ == 0 || !IsValidXmlName(name)) {
        return false;
    }
    const std::string escaped = EscapeXml(value);
    const AttributeSpan span = FindAttribute(current_, name);
    std::size_t at;
    std::size_t erase = 0;
    std::string piece;
    if (span.found && span.closed) {
        at = span.value_begin;
        erase = span.value_end - span.value_begin;
        piece = escaped;
    } else if (span.found) {
        // Unquoted, or a quote never closed: the whole attribute is written anew.
        at = span.name_begin;
        erase = span.value_end - span.name_begin;
        piece = std::string(name) + "=\"" + escaped + "\"";
    } else {
        const Element& e = elements_[current_];
        at = e.start + e.start_tag_length - 1;
        if (IsSelfClosed(current_)) {
            --at;
        }
        if (!IsBlank(text_[at - 1])) {
            piece = " ";
        }
        piece += std::string(name) + "=\"" + escaped + "\"";
    }
    text_.replace(at, erase, piece);
    const auto delta = static_cast<std::ptrdiff_t>(piece.size()) - static_cast<std::ptrdiff_t>(erase);
    Element& e = elements_[current_];
    e.start_tag_length += static_cast<std::size_t>(delta);
    e.length += static_cast<std::size_t>(delta);
    ShiftDescendants(current_, delta);
    AdjustAfterEdit(current_, delta);
    return true;
}

bool XmlDocument::VerifyIndex() const {
    const std::string_view text = text_;
    if (first_top_ >= elements_.size() || (first_top_ != 0 && elements_[first_top_].prev != 0)) {
        return false;
    }
    for (std::size_t pos = 1; pos < elements_.size(); ++pos) {
        const Element& e = elements_[pos];
        if (e.start >= text.size() || text[e.start] != '<' || NameLengthAt(text, e.start + 1) == 0 ||
            e.start_tag_length < 3 || e.start_tag_length > e.length || e.start + e.length > text.size() ||
            text[e.start + e.start_tag_length - 1] != '>' ||
            e.end_tag_length > e.length - e.start_tag_length) {
            return false;
        }
        if (e.end_tag_length > 0 && !StartsAt(text, e.start + e.length - e.end_tag_length, "</")) {
            return false;
        }
        if (e.parent >= elements_.size() || e.next >= elements_.size() || e.prev >= elements_.size() ||
            e.first_child >= elements_.size()) {
            return false;
        }
        if (e.parent != 0) {
            const Element& p = elements_[e.parent];
            if (p.start >= e.start || e.start + e.length > p.start + p.length || e.level != p.level + 1) {
                return false;
            }
        } else if (e.level != 0) {
            return false;
        }
        if (e.next != 0) {
            const Element& n = elements_[e.next];
            if (n.prev != pos || n.parent != e.parent || n.start < e.start + e.length) {
                return false;
            }
        }
        if (e.prev != 0 && elements_[e.prev].next != pos) {
            return false;
        }
        if (e.first_child != 0) {
            const Element& c = elements_[e.first_child];
            if (c.parent != pos || c.prev != 0) {
                return false;
            }
        }
    }
    return true;
}

bool XmlDocument::SetAttribute(std::string_view name, long long value) {
    return SetAttribute(name, std::string_view(std::to_string(value)));
}

}  // namespace vantora
