#pragma once

#include <cstddef>
#include <string>

namespace vantora {

// How a read of a file the user chose or may write went.
enum class FileRead {
    kRead,      // the whole file is in `bytes`
    kTooLarge,  // the file holds more than `maxBytes`: `bytes` holds its first `maxBytes`
    kFailed,    // not read (missing, not a regular file, no permission, a read error): see `error`
};

// Reads `path` without ever waiting on it: the file is opened non-blocking
// (and never as a controlling terminal), and only a regular file is read; a
// pipe, a socket, a device or a folder is refused at once with a message
// that says so. At most `maxBytes` bytes are read. `error` is set for
// kTooLarge and kFailed (English, naming the path).
FileRead ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& bytes,
                         std::string& error);

}  // namespace vantora
