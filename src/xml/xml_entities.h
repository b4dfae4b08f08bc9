#pragma once

#include <string>
#include <string_view>

namespace vantora {

// Escapes text for an attribute value or element content so that the
// document stays well-formed XML 1.0 whatever the text holds: < & > ' "
// become &lt; &amp; &gt; &apos; &quot;; tab, line feed and carriage return
// become &#9; &#10; &#13; (kept through attribute value normalisation); DEL
// and the C1 controls become &#x7F; to &#x9F;; what XML 1.0 cannot hold at
// all (the other C0 controls, U+FFFE, U+FFFF) and every byte that is not
// valid UTF-8 become U+FFFD. Everything else is copied unchanged.
std::string EscapeXml(std::string_view text);

// Resolves references in text read from a document: the five XML entities,
// decimal (&#n;) and hexadecimal (&#xn;) character references and the HTML
// named entities (names up to 9 characters; an exact match is preferred, else
// the name is matched without regard to case). Anything after an '&' that is
// not a recognisable reference (no ';', an unknown name, a reference to an
// invalid code point) is kept literally, '&' included.
std::string DecodeXmlEntities(std::string_view text);

// The code point of the HTML named entity `name` (without & and ;), or 0.
char32_t LookUpNamedEntity(std::string_view name);

}  // namespace vantora
