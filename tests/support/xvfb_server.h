#pragma once

#include <sys/types.h>
#include <string>

namespace vantora::test {

// An Xvfb server of the test's own, on a display number it picks itself
// (-displayfd), so keys a test sends never reach a real desktop. Ended with
// the object.
class XvfbServer {
public:
    XvfbServer();
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // Whether an Xvfb program is installed.
    static bool Installed();
    // ":<n>" once the server accepts connections; empty when it did not
    // come up within 20 seconds.
    const std::string& Name() const { return name_; }

private:
    pid_t pid_ = -1;
    std::string name_;
};

}  // namespace vantora::test
