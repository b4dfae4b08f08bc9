#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xml/xml_result.h"
#include "xml/xml_text_codec.h"

namespace vantora {

// A small in-memory XML editor. The whole document is one UTF-8 text, saved
// exactly as held (declaration, line breaks and all); beside it an index
// records where each element sits, and a cursor (parent, current, child)
// says where navigation and editing happen. Edits splice the text and shift
// the offsets of the elements that follow; there is no node tree.
//
// Elements are addressed by position numbers: 1, 2, ... in the order they
// were indexed or added; 0 means "none". Positions stay valid while the
// document is edited (not across SetDocumentText/LoadFile).
//
// Navigation skips comments, CDATA sections, processing instructions and a
// DOCTYPE. Tolerated errors (a stray end tag, a start tag never closed) are
// noted in the result text; a document is well formed when it holds exactly
// one top-level element.
//
// Any input is safe: nothing recurses, nothing reads outside the text. What
// reading one document may cost is bounded: LoadFile reads at most
// kMaxFileBytes, and indexing stops at an element nested deeper than
// kMaxDepth levels or past kMaxReadElements elements; such a document is not
// well formed and LimitError() names the limit it passed.
class XmlDocument {
public:
    // 64 MB: far above any file of ours (exchange files are refused past
    // 8 MB by their importers, layout files hold some kilobytes), small
    // enough that reading it costs a few hundred MB at worst.
    static constexpr std::size_t kMaxFileBytes = std::size_t{64} << 20;
    // Our files nest four levels deep and hold a few thousand elements.
    static constexpr std::size_t kMaxDepth = 256;
    static constexpr std::size_t kMaxReadElements = 131072;

    XmlDocument();

    // Replaces the text, re-indexes it, resets the cursor to the top level.
    // True when the text is well formed.
    bool SetDocumentText(std::string_view text);
    const std::string& GetDocumentText() const { return text_; }

    // Reads and decodes a file (byte-order mark, declared encoding, else
    // UTF-8) into the document. True only when the file was read and the
    // document is well formed. Refused while a file streaming flag is set.
    bool LoadFile(const std::string& path);
    // Encodes the text (UTF-8 without a mark unless a mark flag is set, or
    // the declared encoding) and writes it, replacing the file.
    bool SaveFile(const std::string& path);

    bool IsWellFormed() const { return well_formed_; }
    // Which limit the last load or parse passed ("the file ... more than
    // ..."), empty when none.
    const std::string& LimitError() const { return limit_error_; }
    // What the last load, parse or save noted, as an XML fragment.
    std::string GetResult() const { return result_.Text(); }
    const XmlResult& Result() const { return result_; }

    unsigned GetDocFlags() const { return flags_; }
    void SetDocFlags(unsigned flags) { flags_ = flags; }

    // Searches the children of the cursor's parent (the top-level elements
    // at top level), starting after the current element, for an element
    // named `name` (case-sensitive; an empty name matches any element).
    // Found: it becomes current, the child position becomes 0. Not found:
    // the cursor is unchanged.
    bool FindElement(std::string_view name = {});
    // The current element becomes the parent; the remembered child becomes
    // current. False when there is no current element.
    bool EnterElement();
    // The parent becomes current, the current element the remembered child.
    // False at top level.
    bool LeaveElement();
    // Back to the top level, nothing current.
    void ResetPos();

    // Tag name of the current element, empty when none.
    std::string GetTagName() const;
    // Decoded value of attribute `name` of the current element; empty when
    // there is no current element or no such attribute.
    std::string GetAttribute(std::string_view name) const;

    // Adds the empty element <name/> on its own line after the current
    // element (as the parent's last child when nothing is current; an empty
    // parent <p/> is first expanded to <p> and </p>). It becomes current.
    // False for an invalid name or while a file streaming flag is set.
    bool AddElement(std::string_view name);
    // Replaces the value of attribute `name` of the current element or
    // appends name="value" to its start tag. The value is escaped by
    // EscapeXml (what XML 1.0 cannot hold is replaced), and a value whose
    // closing quote was missing gets one.
    bool SetAttribute(std::string_view name, std::string_view value);
    bool SetAttribute(std::string_view name, long long value);
    bool SetAttribute(std::string_view name, int value) {
        return SetAttribute(name, static_cast<long long>(value));
    }

    // The cursor, for callers that walk and come back.
    std::uint32_t ParentPosition() const { return parent_; }
    std::uint32_t CurrentPosition() const { return current_; }
    // Number of indexed elements.
    std::size_t ElementCount() const { return elements_.size() - 1; }
    // Checks that every index record agrees with the text and with its
    // neighbours (for tests and the fuzz target). O(elements).
    bool VerifyIndex() const;

    // The declaration the writers start a new document with.
    static constexpr std::string_view kUtf8Declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

private:
    struct Element {
        std::size_t start = 0;             // offset of '<' of the start tag
        std::size_t start_tag_length = 0;  // through its '>'
        std::size_t length = 0;            // start tag to end of end tag
        std::size_t end_tag_length = 0;    // 0 for <a/> and unended elements
        std::uint32_t level = 0;
        std::uint32_t parent = 0;
        std::uint32_t prev = 0;
        std::uint32_t next = 0;
        std::uint32_t first_child = 0;
    };

    struct AttributeSpan {
        bool found = false;
        bool quoted = false;
        bool closed = false;  // a quoted value whose closing quote is in the tag
        std::size_t name_begin = 0;
        std::size_t value_begin = 0;
        std::size_t value_end = 0;
    };

    void Index();
    std::uint32_t NewElement();
    std::string_view NameOf(std::uint32_t pos) const;
    // Whether `pos` was indexed as an empty element (<a/>): its '/' belongs
    // to the tag, never to an attribute value.
    bool IsSelfClosed(std::uint32_t pos) const;
    AttributeSpan FindAttribute(std::uint32_t pos, std::string_view name) const;
    std::uint32_t LastChildOf(std::uint32_t parent) const;
    // Applies `delta` after an edit inside element `pos` (or of pos itself):
    // the ancestors grow, every element after it in the text moves.
    void AdjustAfterEdit(std::uint32_t pos, std::ptrdiff_t delta);
    void ShiftSubtree(std::uint32_t root, std::ptrdiff_t delta);
    void ShiftDescendants(std::uint32_t pos, std::ptrdiff_t delta);
    bool ExpandEmptyElement(std::uint32_t pos);

    std::string text_;
    std::vector<Element> elements_;  // slot 0 is "none"
    std::uint32_t first_top_ = 0;
    std::uint32_t parent_ = 0;
    std::uint32_t current_ = 0;
    std::uint32_t child_ = 0;
    unsigned flags_ = 0;
    bool well_formed_ = false;
    std::string limit_error_;
    XmlResult result_;
};

// True when `name` can be written as an element or attribute name.
bool IsValidXmlName(std::string_view name);

}  // namespace vantora
