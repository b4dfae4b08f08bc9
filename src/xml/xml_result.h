#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantora {

// The diagnosis an XmlDocument keeps about its last load, parse or save: a
// short XML fragment such as
//   <result><read length="120"/><lone_end_tag tagname="b" offset="40"/></result>
// Items are named after what happened ("file_error", "lone_end_tag", ...) and
// carry a few attributes (type, encoding, msg, tagname, count, length, offset,
// offset2). A hostile file can produce millions of errors, so only the first
// few items of each name are kept; the rest are counted in one summary item.
class XmlResult {
public:
    using Attributes = std::vector<std::pair<std::string, std::string>>;

    void Clear();
    void Add(std::string_view item, Attributes attributes = {});
    // True when an item of that name was recorded since the last Clear().
    bool Has(std::string_view item) const;
    // The number of items of that name recorded, including those not kept.
    std::size_t Count(std::string_view item) const;
    // The fragment described above.
    std::string Text() const;

    static constexpr std::size_t kItemsKeptPerName = 16;

private:
    struct Item {
        std::string name;
        Attributes attributes;
    };
    std::vector<Item> items_;
    std::map<std::string, std::size_t, std::less<>> counts_;
};

}  // namespace vantora
