// libFuzzer target: arbitrary bytes as a layout file, read the way the
// window reads one, and as the numbers the file's attributes hold. Any
// crash, hang or sanitizer report is a finding, as is a key map that
// disagrees with the keys read.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "layouts/keyboard_layout.h"

namespace {

// One file per fuzzing process, rewritten for every input.
const std::string& InputPath() {
    static const std::string path = [] {
        char name[] = "/tmp/layout_fuzz_XXXXXX";
        const int fd = ::mkstemp(name);
        if (fd < 0) {
            std::abort();
        }
        ::close(fd);
        return std::string(name);
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(InputPath().c_str(), "wb");
    if (file == nullptr) {
        std::abort();
    }
    if (size > 0 && std::fwrite(data, 1, size, file) != size) {
        std::abort();
    }
    std::fclose(file);

    const vantora::KeyboardLayout layout = vantora::LoadKeyboardLayoutFile(InputPath());
    if (!layout.hasPicture && !layout.keys.empty()) {
        std::abort();  // keys are read only under a KeyboardLayout root
    }
    for (const auto& [code, index] : layout.codeToIndex) {
        if (index < 1) {
            std::abort();
        }
    }
    if (layout.codeToIndex.size() > layout.keys.size() || layout.indexToCode.size() > layout.keys.size()) {
        std::abort();  // the maps hold keys of the file, nothing else
    }

    const std::string text(reinterpret_cast<const char*>(data), size);
    vantora::ParseLayoutDecimal(text);
    vantora::ParseLayoutHex(text);
    return 0;
}
