#pragma once

#include <string>
#include <vector>

#include "platform/host_actions.h"

namespace vantora::test {

// Records every call; answers with `result` (done unless a test sets it).
class FakeHostActions : public HostActions {
public:
    struct Call {
        std::string what;  // "program", "web", "text", "keyboard"
        std::string value;
        friend bool operator==(const Call&, const Call&) = default;
    };

    HostActionResult StartProgram(const std::string& path) override { return Record("program", path); }
    HostActionResult OpenWebAddress(const std::string& url) override { return Record("web", url); }
    HostActionResult SendText(const std::string& text) override { return Record("text", text); }
    HostActionResult OpenOnScreenKeyboard() override { return Record("keyboard", {}); }

    std::vector<Call> calls;
    HostActionResult result = HostActionResult::Done();

private:
    HostActionResult Record(const char* what, const std::string& value) {
        calls.push_back({what, value});
        return result;
    }
};

}  // namespace vantora::test
