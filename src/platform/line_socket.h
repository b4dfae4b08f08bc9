#pragma once

#include <string>

namespace vantora {

// The client end of a local (Unix domain) stream socket that carries text
// lines, for talking to the running program.
class LineSocket {
public:
    LineSocket() = default;
    ~LineSocket();
    LineSocket(const LineSocket&) = delete;
    LineSocket& operator=(const LineSocket&) = delete;

    // False when nobody listens at `path` (no program running), or when the
    // listener is another user's: that is refused with the reason in `error`
    // (when given; left empty otherwise).
    bool Connect(const std::string& path, std::string* error = nullptr);
    // Sends `line` and a newline; false when the peer went away.
    bool SendLine(const std::string& line);
    // The next line without its newline; false when none came within
    // `timeoutMs` (< 0: wait as long as it takes) or the peer went away.
    bool ReadLine(std::string& line, int timeoutMs);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

private:
    int fd_ = -1;
    std::string buffer_;
};

}  // namespace vantora
