#include "text/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vantora {
namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISFIFO(mode)) {
        return "a pipe";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    return "not a regular file";
}

}  // namespace

FileRead ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& bytes,
                         std::string& error) {
    bytes.clear();
    error.clear();
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return FileRead::kFailed;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return FileRead::kFailed;
    }
    if (!S_ISREG(info.st_mode)) {
        error = "cannot read " + path + ": it is " + KindOf(info.st_mode) + ", only a regular file is read";
        return FileRead::kFailed;
    }
    // One byte more than allowed tells a file that is too large (also one
    // that grew since fstat) from one that fits exactly.
    const std::size_t want = maxBytes + 1;
    const std::size_t expected = info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
    bytes.resize(std::min(want, std::max<std::size_t>(expected + 1, 4096)));
    std::size_t got = 0;
    while (got < want) {
        if (got == bytes.size()) {
            bytes.resize(std::min(want, bytes.size() * 2));
        }
        const ssize_t n = ::read(fd.get(), bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            error = "cannot read " + path + ": " + std::strerror(errno);
            bytes.clear();
            return FileRead::kFailed;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    if (got > maxBytes) {
        bytes.resize(maxBytes);
        error = path + " is larger than " + std::to_string(maxBytes) + " bytes";
        return FileRead::kTooLarge;
    }
    bytes.resize(got);
    return FileRead::kRead;
}

}  // namespace vantora
