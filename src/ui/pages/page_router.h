#pragma once

#include "ui/pages/page_controller.h"

#include <cstdint>
#include <map>
#include <vector>

namespace vantora {

// Hands a control's notification to the page that owns the control: the
// pages' tables and the ids they declare beyond them say which page that
// is. Two pages may use the same id (the KEY and MUSIC pictures): the page
// that created the sending control gets it, the first page added when the
// call has no sender.
class PageRouter {
public:
    // Pages are asked in the order they were added; they outlive the router's use.
    void Add(PageController& page);
    PageController* OwnerOf(int id, const MControl* sender) const;
    // The owner's answer; 0 when no page owns the id.
    int Route(int id, int code, std::uintptr_t wparam, std::intptr_t lparam, const MControl* sender) const;

private:
    std::map<int, std::vector<PageController*>> owners_;
};

}  // namespace vantora
