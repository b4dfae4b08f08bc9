// Types its argument through the virtual keyboard with the session's layout
// (XKB_DEFAULT_LAYOUT), as the program's Send Text keys do where XTest
// cannot reach the window in front; prints the characters left out.
// Exit status: 0 typed, 1 not typed, 2 usage.
#include "platform/text_typist.h"
#include "text/utf8.h"

#include <cstdio>
#include <future>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vantora-type-text TEXT\n");
        return 2;
    }
    std::promise<vantora::TypingReport> done;
    vantora::TextTypist typist([&done](const vantora::TypingReport& report) { done.set_value(report); });
    typist.Type(argv[1]);
    const vantora::TypingReport report = done.get_future().get();
    std::string missing;
    for (char32_t c : report.missing) {
        vantora::AppendUtf8(missing, c);
    }
    std::printf("missing: %s\n", missing.c_str());
    if (!report.error.empty()) {
        std::fprintf(stderr, "vantora-type-text: %s\n", report.error.c_str());
        return 1;
    }
    return 0;
}
