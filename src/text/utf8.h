#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantora {

// Appends the UTF-8 form of a code point. Surrogates (U+D800..U+DFFF) and
// values beyond U+10FFFF are not characters: they become U+FFFD.
void AppendUtf8(std::string& out, char32_t codePoint);

// What NextUtf8 gives for a byte that starts no valid UTF-8 sequence.
inline constexpr char32_t kInvalidUtf8 = 0xFFFFFFFF;

// Decodes the character at `pos` of `text` (pos < text.size()) and moves
// `pos` past it. A byte that starts no valid sequence (a stray continuation
// byte; a truncated, overlong or surrogate form; a value past U+10FFFF)
// gives kInvalidUtf8 and moves `pos` past that one byte.
char32_t NextUtf8(std::string_view text, std::size_t& pos);

// C0 (U+0000..U+001F), DEL (U+007F) and C1 (U+0080..U+009F).
constexpr bool IsControlCharacter(char32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F);
}

}  // namespace vantora
