// Routing of control notifications to the pages.
#include "ui/pages/page_router.h"

#include <algorithm>

namespace vantora {

void PageRouter::Add(PageController& page) {
    auto own = [&](int id) {
        std::vector<PageController*>& pages = owners_[id];
        if (std::find(pages.begin(), pages.end(), &page) == pages.end()) {
            pages.push_back(&page);
        }
    };
    for (const ControlRow& row : page.Table()) {
        own(row.id);
    }
    for (int id : page.ExtraIds()) {
        own(id);
    }
}

PageController* PageRouter::OwnerOf(int id, const MControl* sender) const {
    const auto it = owners_.find(id);
    if (it == owners_.end()) {
        return nullptr;
    }
    const std::vector<PageController*>& pages = it->second;
    if (pages.size() > 1 && sender != nullptr) {
        for (PageController* page : pages) {
            if (page->Holds(sender)) {
                return page;
            }
        }
    }
    return pages.front();
}

int PageRouter::Route(int id, int code, std::uintptr_t wparam, std::intptr_t lparam,
                      const MControl* sender) const {
    PageController* page = OwnerOf(id, sender);
    return page != nullptr ? page->OnMessage(id, code, wparam, lparam) : 0;
}

}  // namespace vantora
