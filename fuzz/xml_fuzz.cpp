// libFuzzer target: decodes arbitrary bytes as a file would be, indexes them,
// walks every element, reads attributes and edits the document. Any crash,
// hang, sanitizer report or index inconsistency is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "xml/xml_document.h"
#include "xml/xml_entities.h"
#include "xml/xml_text_codec.h"

namespace {

void Walk(vantora::XmlDocument& doc) {
    doc.ResetPos();
    std::size_t visited = 0;
    while (visited <= doc.ElementCount() + 1) {
        if (doc.FindElement()) {
            ++visited;
            doc.GetAttribute("a");
            doc.GetAttribute(doc.GetTagName());
            doc.EnterElement();
            continue;
        }
        if (!doc.LeaveElement()) {
            break;
        }
    }
    if (visited != doc.ElementCount()) {
        std::abort();  // every indexed element is reachable exactly once
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    vantora::XmlResult result;
    unsigned flags = 0;
    const std::string text = vantora::DecodeXmlBytes(bytes, flags, result);

    vantora::XmlDocument doc;
    doc.SetDocumentText(text);
    if (!doc.VerifyIndex()) {
        std::abort();
    }
    Walk(doc);

    // Edit: an attribute on the first element, a child inside it, a sibling.
    doc.ResetPos();
    if (doc.FindElement()) {
        doc.SetAttribute("a", std::string(bytes.substr(0, 16)));
        doc.EnterElement();
        doc.AddElement("child");
        doc.SetAttribute("k", "<&\"'>");
        doc.LeaveElement();
        doc.AddElement("sibling");
    }
    if (!doc.VerifyIndex()) {
        std::abort();
    }
    Walk(doc);

    vantora::DecodeXmlEntities(bytes);
    result.Clear();
    vantora::EncodeXmlBytes(doc.GetDocumentText(), flags, result);
    return 0;
}
