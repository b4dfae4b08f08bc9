#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "text/regular_file.h"

namespace vantora {

// The files profiles and macros are exchanged in: how they are named,
// written and read.

// The system's millisecond tick count as a signed 32-bit number: the part of
// an exchange file's name that tells two exports apart.
std::int32_t ExchangeTickCount();

// The file name an export uses: "<name>-<tick>.xml", from the second attempt
// on "<name>-<tick>-<attempt>.xml". In the name, '/', '\', ':', '*', '?',
// '"', '<', '>', '|', control characters (NUL and C1 included) and each byte
// that is not UTF-8 become '_', and
// the name is cut on a UTF-8 character boundary so that the whole file name
// fits 255 bytes. The result never contains '/' and is never "." or "..".
std::string ExchangeFileName(const std::string& itemName, std::int32_t tick, int attempt = 1);

// Writes `bytes` to a new file in `folder` named by ExchangeFileName. An
// existing file is never replaced (nor a link followed): a taken name moves
// on to the next attempt. True with the file's path in `writtenPath`; false
// with the reason in `error`, and no file left.
bool WriteNewExchangeFile(const std::string& folder, const std::string& itemName, std::int32_t tick,
                          const std::string& bytes, std::string& writtenPath, std::string& error);

// Reads `file` for an import: a regular file only (a pipe or device is
// refused at once, never waited on), of at most `maxBytes` bytes. kRead with
// the bytes; otherwise the reason in `error` (kTooLarge names the limit) and
// no bytes.
FileRead ReadExchangeFile(const std::string& file, std::size_t maxBytes, std::string& bytes,
                          std::string& error);

}  // namespace vantora
