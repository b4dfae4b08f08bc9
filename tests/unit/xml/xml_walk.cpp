#include "xml_walk.h"

namespace vantora::test {

std::string WalkDocument(XmlDocument& doc, const std::vector<std::string>& attributes) {
    std::string out;
    doc.ResetPos();
    int depth = 0;
    while (true) {
        if (doc.FindElement()) {
            out += std::to_string(depth) + " " + doc.GetTagName();
            for (const std::string& name : attributes) {
                out += " " + name + "=" + doc.GetAttribute(name);
            }
            out += "\n";
            doc.EnterElement();
            ++depth;
            continue;
        }
        if (!doc.LeaveElement()) {
            break;
        }
        --depth;
    }
    doc.ResetPos();
    return out;
}

}  // namespace vantora::test
