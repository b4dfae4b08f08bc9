#pragma once

#include <string>

namespace vantora {

// Appends the UTF-8 form of a code point. Surrogates (U+D800..U+DFFF) and
// values beyond U+10FFFF are not characters: they become U+FFFD.
void AppendUtf8(std::string& out, char32_t codePoint);

}  // namespace vantora
