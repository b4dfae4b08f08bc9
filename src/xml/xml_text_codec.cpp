#include "xml/xml_text_codec.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "text/utf8.h"
#include "xml/xml_entities.h"

namespace vantora {
namespace {

enum class Family { kUtf8, kUtf16Le, kUtf16Be, kOther };

std::string AsciiUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsEncodingNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == ':' || c == '(' || c == ')';
}

// After `pos` (just past a keyword): blanks, '=', blanks, an optional quote,
// then the name.
std::string ReadAssignedName(std::string_view text, std::size_t pos) {
    while (pos < text.size() && IsBlank(text[pos])) {
        ++pos;
    }
    if (pos >= text.size() || text[pos] != '=') {
        return {};
    }
    ++pos;
    while (pos < text.size() && IsBlank(text[pos])) {
        ++pos;
    }
    if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'')) {
        ++pos;
    }
    const std::size_t begin = pos;
    while (pos < text.size() && IsEncodingNameChar(text[pos])) {
        ++pos;
    }
    return std::string(text.substr(begin, pos - begin));
}

Family FamilyOf(const std::string& upper_name) {
    if (upper_name.empty() || upper_name == "UTF-8" || upper_name == "UTF8" || upper_name == "US-ASCII" ||
        upper_name == "ASCII") {
        return Family::kUtf8;
    }
    if (upper_name == "UTF-16" || upper_name == "UTF-16LE" || upper_name == "UCS-2" ||
        upper_name == "UNICODE" || upper_name == "UTF16") {
        return Family::kUtf16Le;
    }
    if (upper_name == "UTF-16BE") {
        return Family::kUtf16Be;
    }
    return Family::kOther;
}

// Decodes UTF-8 leniently into `out`: invalid sequences become U+FFFD, NUL
// bytes are dropped. A sequence cut off by the end of the input counts as
// truncated rather than invalid.
struct Utf8Scan {
    std::size_t invalid = 0;
    std::size_t nulls = 0;
    bool truncated = false;
};

// Length of the valid UTF-8 sequence at text[i], 0 when invalid; sets
// `cut` when the sequence is a valid beginning cut off by the end.
std::size_t ValidSequenceLength(std::string_view text, std::size_t i, bool& cut) {
    cut = false;
    const auto b0 = static_cast<unsigned char>(text[i]);
    if (b0 < 0x80) {
        return 1;
    }
    std::size_t len;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        if (b0 == 0xE0)
            lo = 0xA0;
        if (b0 == 0xED)
            hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        if (b0 == 0xF0)
            lo = 0x90;
        if (b0 == 0xF4)
            hi = 0x8F;
    } else {
        return 0;
    }
    for (std::size_t k = 1; k < len; ++k) {
        if (i + k >= text.size()) {
            cut = true;
            return 0;
        }
        const auto b = static_cast<unsigned char>(text[i + k]);
        const unsigned char min = k == 1 ? lo : 0x80;
        const unsigned char max = k == 1 ? hi : 0xBF;
        if (b < min || b > max) {
            return 0;
        }
    }
    return len;
}

Utf8Scan DecodeUtf8(std::string_view in, std::string& out) {
    Utf8Scan scan;
    out.reserve(out.size() + in.size());
    std::size_t i = 0;
    while (i < in.size()) {
        // Fast path over plain ASCII without NULs.
        std::size_t run = i;
        while (run < in.size() && static_cast<unsigned char>(in[run]) < 0x80 && in[run] != '\0') {
            ++run;
        }
        out.append(in.substr(i, run - i));
        i = run;
        if (i >= in.size()) {
            break;
        }
        if (in[i] == '\0') {
            ++scan.nulls;
            ++i;
            continue;
        }
        bool cut = false;
        const std::size_t len = ValidSequenceLength(in, i, cut);
        if (len == 0) {
            if (cut) {
                scan.truncated = true;
                out += "\xEF\xBF\xBD";
                break;
            }
            ++scan.invalid;
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        out.append(in.substr(i, len));
        i += len;
    }
    return scan;
}

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        bool cut = false;
        const std::size_t len = ValidSequenceLength(text, i, cut);
        if (len == 0) {
            return false;
        }
        i += len;
    }
    return true;
}

struct Utf16Scan {
    std::size_t nulls = 0;
    std::size_t unpaired = 0;
    bool truncated = false;
};

Utf16Scan DecodeUtf16(std::string_view in, bool big_endian, std::string& out) {
    Utf16Scan scan;
    out.reserve(out.size() + in.size() / 2 * 3 / 2);
    const auto unit_at = [&](std::size_t i) -> std::uint32_t {
        const auto a = static_cast<unsigned char>(in[i]);
        const auto b = static_cast<unsigned char>(in[i + 1]);
        return big_endian ? (std::uint32_t{a} << 8 | b) : (std::uint32_t{b} << 8 | a);
    };
    const std::size_t units = in.size() / 2;
    scan.truncated = (in.size() % 2) != 0;
    for (std::size_t u = 0; u < units; ++u) {
        const std::uint32_t unit = unit_at(2 * u);
        if (unit == 0) {
            ++scan.nulls;
        } else if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (u + 1 < units) {
                const std::uint32_t next = unit_at(2 * (u + 1));
                if (next >= 0xDC00 && next <= 0xDFFF) {
                    AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                    ++u;
                    continue;
                }
            } else {
                scan.truncated = true;
                break;
            }
            ++scan.unpaired;
            AppendUtf8(out, 0xFFFD);
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            ++scan.unpaired;
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, unit);
        }
    }
    return scan;
}

void EncodeUtf16(std::string_view utf8, bool big_endian, std::string& out) {
    const auto put = [&](std::uint32_t unit) {
        const char hi = static_cast<char>(unit >> 8);
        const char lo = static_cast<char>(unit & 0xFF);
        out += big_endian ? hi : lo;
        out += big_endian ? lo : hi;
    };
    std::size_t i = 0;
    while (i < utf8.size()) {
        bool cut = false;
        const std::size_t len = ValidSequenceLength(utf8, i, cut);
        std::uint32_t cp = 0xFFFD;
        if (len != 0) {
            const auto b0 = static_cast<unsigned char>(utf8[i]);
            if (len == 1) {
                cp = b0;
            } else {
                cp = b0 & (0xFF >> (len + 1));
                for (std::size_t k = 1; k < len; ++k) {
                    cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
                }
            }
        }
        i += len == 0 ? 1 : len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(0xD800 + (cp >> 10));
            put(0xDC00 + (cp & 0x3FF));
        } else {
            put(cp);
        }
    }
}

struct IconvScan {
    bool opened = false;
    std::size_t lost = 0;
    bool truncated = false;
};

// Converts with iconv. Bytes the source encoding does not define are skipped
// (one byte each) and, when decoding into UTF-8, replaced by U+FFFD;
// characters the target cannot hold are skipped (one UTF-8 character) and
// replaced by '?'.
IconvScan ConvertWithIconv(const std::string& from, const std::string& to, std::string_view in,
                           std::string& out) {
    IconvScan scan;
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return scan;
    }
    scan.opened = true;
    const bool from_utf8 = FamilyOf(AsciiUpper(from)) == Family::kUtf8;
    const bool to_utf8 = FamilyOf(AsciiUpper(to)) == Family::kUtf8;
    char* in_ptr = const_cast<char*>(in.data());
    std::size_t in_left = in.size();
    std::string buffer(std::max<std::size_t>(256, in.size() * 2), '\0');
    while (true) {
        char* out_ptr = buffer.data();
        std::size_t out_left = buffer.size();
        const std::size_t rc = in_left == 0 ? iconv(cd, nullptr, nullptr, &out_ptr, &out_left)
                                            : iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
        const int error = rc == static_cast<std::size_t>(-1) ? errno : 0;
        out.append(buffer.data(), buffer.size() - out_left);
        if (error == 0) {
            if (in_left == 0) {
                break;
            }
            continue;
        }
        if (error == E2BIG) {
            continue;
        }
        if (error == EILSEQ) {
            ++scan.lost;
            std::size_t skip = 1;
            if (from_utf8) {
                bool cut = false;
                skip =
                    std::max<std::size_t>(1, ValidSequenceLength(std::string_view(in_ptr, in_left), 0, cut));
            }
            skip = std::min(skip, in_left);
            in_ptr += skip;
            in_left -= skip;
            out += to_utf8 ? "\xEF\xBF\xBD" : "?";
            continue;
        }
        // EINVAL: an incomplete sequence at the end of the input.
        scan.truncated = true;
        break;
    }
    iconv_close(cd);
    return scan;
}

std::size_t DropNuls(std::string& text) {
    const auto end = std::remove(text.begin(), text.end(), '\0');
    const auto removed = static_cast<std::size_t>(text.end() - end);
    text.erase(end, text.end());
    return removed;
}

void NoteCount(XmlResult& result, std::string_view item, std::size_t count) {
    if (count > 0) {
        result.Add(item, {{"count", std::to_string(count)}});
    }
}

std::string DecodeUtf16Noted(std::string_view bytes, bool big_endian, XmlResult& result) {
    std::string text;
    const Utf16Scan scan = DecodeUtf16(bytes, big_endian, text);
    if (big_endian) {
        result.Add("endian_swap");
    }
    NoteCount(result, "nulls_removed", scan.nulls);
    NoteCount(result, "conversion_loss", scan.unpaired);
    if (scan.truncated) {
        result.Add("truncation_error", {{"length", std::to_string(bytes.size())}});
    }
    return text;
}

std::string DecodeUtf8Noted(std::string_view bytes, XmlResult& result) {
    std::string text;
    const Utf8Scan scan = DecodeUtf8(bytes, text);
    NoteCount(result, "nulls_removed", scan.nulls);
    if (scan.invalid > 0) {
        result.Add("utf8_detection", {{"count", std::to_string(scan.invalid)}});
        NoteCount(result, "conversion_loss", scan.invalid);
    }
    if (scan.truncated) {
        result.Add("truncation_error", {{"length", std::to_string(bytes.size())}});
    }
    return text;
}

std::string DecodeWithIconvNoted(std::string_view bytes, const std::string& encoding, XmlResult& result) {
    std::string text;
    const IconvScan scan = ConvertWithIconv(encoding, "UTF-8", bytes, text);
    if (!scan.opened) {
        result.Add("converted_from", {{"encoding", encoding}, {"msg", "unknown encoding, read as UTF-8"}});
        return DecodeUtf8Noted(bytes, result);
    }
    result.Add("converted_from", {{"encoding", encoding}});
    NoteCount(result, "conversion_loss", scan.lost);
    if (scan.truncated) {
        result.Add("truncation_error", {{"length", std::to_string(bytes.size())}});
    }
    NoteCount(result, "nulls_removed", DropNuls(text));
    // iconv's output is trusted only after checking.
    NoteCount(result, "conversion_loss", SanitizeUtf8(text));
    return text;
}

}  // namespace

std::string FindDeclaredEncoding(std::string_view head) {
    head = head.substr(0, kEncodingSniffBytes);
    std::string clean(head);
    DropNuls(clean);
    const std::size_t decl = clean.find("<?xml");
    if (decl != std::string::npos) {
        const std::size_t end = clean.find("?>", decl);
        const std::string_view declaration =
            std::string_view(clean).substr(decl, end == std::string::npos ? std::string::npos : end - decl);
        const std::size_t key = declaration.find("encoding");
        if (key != std::string_view::npos) {
            std::string name = ReadAssignedName(declaration, key + 8);
            if (!name.empty()) {
                return name;
            }
        }
    }
    const std::string upper = AsciiUpper(clean);
    std::size_t meta = upper.find("<META");
    while (meta != std::string::npos) {
        const std::size_t end = upper.find('>', meta);
        const std::string_view tag =
            std::string_view(upper).substr(meta, end == std::string::npos ? std::string::npos : end - meta);
        const std::size_t key = tag.find("CHARSET");
        if (key != std::string_view::npos) {
            std::string name = ReadAssignedName(std::string_view(clean).substr(meta, tag.size()), key + 7);
            if (!name.empty()) {
                return name;
            }
        }
        meta = upper.find("<META", meta + 5);
    }
    return {};
}

std::string DecodeXmlBytes(std::string_view bytes, unsigned& flags, XmlResult& result) {
    flags &= ~kXmlFlagBomMask;
    const auto byte = [&](std::size_t i) -> int {
        return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : -1;
    };
    if (StartsWith(bytes, "\xEF\xBB\xBF")) {
        flags |= kXmlFlagUtf8Bom;
        result.Add("bom", {{"encoding", "UTF-8"}});
        return DecodeUtf8Noted(bytes.substr(3), result);
    }
    if (StartsWith(bytes, "\xFF\xFE")) {
        flags |= kXmlFlagUtf16LeBom;
        result.Add("bom", {{"encoding", "UTF-16LE"}});
        return DecodeUtf16Noted(bytes.substr(2), false, result);
    }
    if (StartsWith(bytes, "\xFE\xFF")) {
        flags |= kXmlFlagUtf16BeBom;
        result.Add("bom", {{"encoding", "UTF-16BE"}});
        return DecodeUtf16Noted(bytes.substr(2), true, result);
    }
    // Wide text without a mark shows itself by the zero bytes around its
    // first character ('<' or a blank).
    const int b0 = byte(0), b1 = byte(1), b2 = byte(2), b3 = byte(3);
    if (b0 > 0 && b1 == 0 && b2 == 0 && b3 == 0) {
        return DecodeWithIconvNoted(bytes, "UTF-32LE", result);
    }
    if (b0 == 0 && b1 == 0 && b2 == 0 && b3 > 0) {
        return DecodeWithIconvNoted(bytes, "UTF-32BE", result);
    }
    if (b0 > 0 && b0 < 0x80 && b1 == 0) {
        result.Add("converted_from", {{"encoding", "UTF-16LE"}});
        return DecodeUtf16Noted(bytes, false, result);
    }
    if (b0 == 0 && b1 > 0 && b1 < 0x80) {
        result.Add("converted_from", {{"encoding", "UTF-16BE"}});
        return DecodeUtf16Noted(bytes, true, result);
    }
    const std::string declared = FindDeclaredEncoding(bytes.substr(0, kEncodingSniffBytes));
    const Family family = FamilyOf(AsciiUpper(declared));
    if (family == Family::kOther) {
        return DecodeWithIconvNoted(bytes, declared, result);
    }
    // UTF-8 declared, nothing declared, or a wide encoding declared in a file
    // that is plainly 8-bit: read as UTF-8.
    if (declared.empty() && !IsValidUtf8(bytes)) {
        // Legacy files without a declaration are in the Windows code page.
        std::string text;
        const IconvScan scan = ConvertWithIconv("WINDOWS-1252", "UTF-8", bytes, text);
        if (scan.opened) {
            result.Add("utf8_detection", {{"msg", "not UTF-8, read as Windows-1252"}});
            result.Add("converted_from", {{"encoding", "WINDOWS-1252"}});
            NoteCount(result, "conversion_loss", scan.lost);
            NoteCount(result, "nulls_removed", DropNuls(text));
            NoteCount(result, "conversion_loss", SanitizeUtf8(text));
            return text;
        }
    }
    return DecodeUtf8Noted(bytes, result);
}

std::string EncodeXmlBytes(std::string_view text, unsigned flags, XmlResult& result) {
    std::string out;
    if (flags & kXmlFlagUtf8Bom) {
        result.Add("bom", {{"encoding", "UTF-8"}});
        out = "\xEF\xBB\xBF";
        out.append(text);
        return out;
    }
    if (flags & (kXmlFlagUtf16LeBom | kXmlFlagUtf16BeBom)) {
        const bool big_endian = (flags & kXmlFlagUtf16LeBom) == 0;
        result.Add("bom", {{"encoding", big_endian ? "UTF-16BE" : "UTF-16LE"}});
        out = big_endian ? "\xFE\xFF" : "\xFF\xFE";
        EncodeUtf16(text, big_endian, out);
        return out;
    }
    const std::string declared = FindDeclaredEncoding(text.substr(0, kEncodingSniffBytes));
    const Family family = FamilyOf(AsciiUpper(declared));
    if (family == Family::kUtf8) {
        return std::string(text);
    }
    if (family == Family::kUtf16Le || family == Family::kUtf16Be) {
        result.Add("converted_to", {{"encoding", declared}});
        EncodeUtf16(text, family == Family::kUtf16Be, out);
        return out;
    }
    const IconvScan scan = ConvertWithIconv("UTF-8", declared, text, out);
    if (!scan.opened) {
        result.Add("converted_to", {{"encoding", "UTF-8"}, {"msg", "unknown encoding " + declared}});
        return std::string(text);
    }
    result.Add("converted_to", {{"encoding", declared}});
    NoteCount(result, "conversion_loss", scan.lost);
    return out;
}

std::size_t SanitizeUtf8(std::string& text) {
    if (IsValidUtf8(text)) {
        return 0;
    }
    std::string clean;
    const Utf8Scan scan = DecodeUtf8(text, clean);
    text = std::move(clean);
    return scan.invalid + (scan.truncated ? 1 : 0);
}

}  // namespace vantora
