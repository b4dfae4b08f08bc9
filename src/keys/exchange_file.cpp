#include "keys/exchange_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "text/utf8.h"

namespace vantora {
namespace {

constexpr std::size_t kMaxFileNameBytes = 255;
constexpr int kMaxNameAttempts = 1000;

bool IsBadFileNameByte(char32_t c) {
    return c < 0x20 || c == 0x7F || std::strchr("/\\:*?\"<>|", static_cast<int>(c)) != nullptr;
}

// Creates `path` (never replacing or following anything there) with `bytes`.
// EEXIST in `err` when the name is taken.
bool WriteNewFile(const std::string& path, const std::string& bytes, int& err) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        err = errno;
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            err = n < 0 ? errno : EIO;
            ::close(fd);
            ::unlink(path.c_str());
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) {
        err = errno;
        ::unlink(path.c_str());
        return false;
    }
    return true;
}

}  // namespace

std::int32_t ExchangeTickCount() {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count();
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(ms));
}

std::string ExchangeFileName(const std::string& itemName, std::int32_t tick, int attempt) {
    std::string tail = "-" + std::to_string(tick);
    if (attempt > 1) {
        tail += "-" + std::to_string(attempt);
    }
    tail += ".xml";
    std::string name;
    for (std::size_t pos = 0; pos < itemName.size();) {
        const std::size_t start = pos;
        const char32_t cp = NextUtf8(itemName, pos);
        if (cp == kInvalidUtf8 || IsControlCharacter(cp) || (cp < 0x80 && IsBadFileNameByte(cp))) {
            name += '_';
        } else {
            name.append(itemName, start, pos - start);
        }
    }
    const std::size_t room = kMaxFileNameBytes - tail.size();
    if (name.size() > room) {
        std::size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) {
            --cut;  // never inside a character
        }
        name.resize(cut);
    }
    return name + tail;
}

bool WriteNewExchangeFile(const std::string& folder, const std::string& itemName, std::int32_t tick,
                          const std::string& bytes, std::string& writtenPath, std::string& error) {
    std::string prefix = folder.empty() ? std::string("./") : folder;
    if (prefix.back() != '/') {
        prefix += '/';
    }
    for (int attempt = 1; attempt <= kMaxNameAttempts; ++attempt) {
        const std::string path = prefix + ExchangeFileName(itemName, tick, attempt);
        int err = 0;
        if (WriteNewFile(path, bytes, err)) {
            writtenPath = path;
            return true;
        }
        if (err != EEXIST) {
            error = "cannot write " + path + ": " + std::strerror(err);
            return false;
        }
    }
    error = "no free file name in " + folder;
    return false;
}

FileRead ReadExchangeFile(const std::string& file, std::size_t maxBytes, std::string& bytes,
                          std::string& error) {
    const FileRead read = ReadRegularFile(file, maxBytes, bytes, error);
    if (read == FileRead::kTooLarge) {
        bytes.clear();
        error = file + " is larger than an exchange file may be (" + std::to_string(maxBytes >> 20) + " MB)";
    }
    return read;
}

}  // namespace vantora
