#pragma once

#include <string>
#include <string_view>

#include "xml/xml_result.h"

namespace vantora {

// Document flags (a bit set). The byte-order-mark flags say which mark the
// file began with and make SaveFile write the same mark and encoding.
constexpr unsigned kXmlFlagUtf16LeBom = 0x1;
constexpr unsigned kXmlFlagUtf8Bom = 0x4;
constexpr unsigned kXmlFlagReadFile = 0x10;
constexpr unsigned kXmlFlagWriteFile = 0x20;
constexpr unsigned kXmlFlagAppendFile = 0x40;
constexpr unsigned kXmlFlagUtf16BeBom = 0x80;
constexpr unsigned kXmlFlagBomMask = kXmlFlagUtf16LeBom | kXmlFlagUtf8Bom | kXmlFlagUtf16BeBom;

// Only this many leading bytes are examined for a declared encoding.
constexpr std::size_t kEncodingSniffBytes = 1024;

// The encoding declared in `head`: the encoding pseudo-attribute of an
// <?xml ...?> declaration, else the charset of an HTML <meta> element (also
// inside its content attribute). Empty when none is declared. NUL bytes are
// ignored, so a wide-character file's declaration is found as well.
std::string FindDeclaredEncoding(std::string_view head);

// Turns the bytes of a file into UTF-8 text: a byte-order mark (sets the
// matching flag in `flags`, clears the other mark flags), else the declared
// encoding, else UTF-8 (a file that is not valid UTF-8 and declares nothing
// is read as Windows-1252). NUL characters are dropped. Every step is noted in
// `result` (bom, converted_from, utf8_detection, nulls_removed, endian_swap,
// conversion_loss, truncation_error). Never fails: undecodable bytes become
// U+FFFD.
std::string DecodeXmlBytes(std::string_view bytes, unsigned& flags, XmlResult& result);

// The bytes SaveFile writes for UTF-8 `text`: with a mark flag, the mark and
// the text in that encoding; otherwise the encoding the text declares (UTF-8
// when it declares none or an unknown one). Characters the target encoding
// cannot hold become '?' and are noted as conversion_loss.
std::string EncodeXmlBytes(std::string_view text, unsigned flags, XmlResult& result);

// Replaces every invalid UTF-8 sequence of `text` by U+FFFD (dropping NULs
// while at it); returns how many were replaced. Valid text is left unchanged.
std::size_t SanitizeUtf8(std::string& text);

}  // namespace vantora
