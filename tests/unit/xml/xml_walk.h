#pragma once

#include <string>
#include <vector>

#include "xml/xml_document.h"

namespace vantora::test {

// Walks every element in document order without recursion and returns one
// line per element: its depth, its name and the listed attributes' values.
std::string WalkDocument(XmlDocument& doc, const std::vector<std::string>& attributes = {});

}  // namespace vantora::test
