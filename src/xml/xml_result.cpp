#include "xml/xml_result.h"

#include "xml/xml_entities.h"

namespace vantora {

void XmlResult::Clear() {
    items_.clear();
    counts_.clear();
}

void XmlResult::Add(std::string_view item, Attributes attributes) {
    auto it = counts_.find(item);
    if (it == counts_.end()) {
        it = counts_.emplace(std::string(item), 0).first;
    }
    if (++it->second <= kItemsKeptPerName) {
        items_.push_back(Item{std::string(item), std::move(attributes)});
    }
}

bool XmlResult::Has(std::string_view item) const {
    return Count(item) > 0;
}

std::size_t XmlResult::Count(std::string_view item) const {
    const auto it = counts_.find(item);
    return it == counts_.end() ? 0 : it->second;
}

std::string XmlResult::Text() const {
    std::string text = "<result>";
    for (const Item& item : items_) {
        text += '<';
        text += item.name;
        for (const auto& [name, value] : item.attributes) {
            text += ' ';
            text += name;
            text += "=\"";
            text += EscapeXml(value);
            text += '"';
        }
        text += "/>";
    }
    for (const auto& [name, count] : counts_) {
        if (count > kItemsKeptPerName) {
            text += '<' + name + " count=\"" + std::to_string(count) + "\"/>";
        }
    }
    text += "</result>";
    return text;
}

}  // namespace vantora
