// Types its argument through the virtual keyboard with the session's layout
// Types its argument through the virtual keyboard with the session's layout
// (the compositor's keymap, else XKB_DEFAULT_LAYOUT), as the program's Send
// Text keys do where XTest cannot reach the window in front; prints the
// characters left out. --settle MS gives a new keyboard longer before its
// first key (300 ms by default; a slow machine's compositor may need more).
// With --print-plan it types nothing and prints where the layout came from
// and the planned strokes, one a line: the key codes of the modifiers and
// of the key, joined by '+'.
// Exit status: 0 typed (or planned), 1 not typed, 2 usage.
#include "platform/session_layout_keys.h"
#include "platform/text_typist.h"
#include "text/utf8.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <future>
#include <string>

namespace {

int PrintPlan(const char* text) {
    const vantora::SessionKeys session = vantora::ReadSessionKeys();
    if (session.source == vantora::LayoutSource::Compositor) {
        std::printf("layout: compositor\n");
    } else {
        std::printf("layout: names (%s)\n", session.compositorError.c_str());
    }
    if (session.keys == nullptr) {
        std::fprintf(stderr, "vantora-type-text: %s\n", session.error.c_str());
        return 1;
    }
    for (const vantora::KeyStroke& stroke : session.keys->Plan(text).strokes) {
        std::string line;
        for (std::uint16_t modifier : stroke.modifiers) {
            line += std::to_string(modifier) + "+";
        }
        std::printf("%s%u\n", line.c_str(), static_cast<unsigned>(stroke.key));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--print-plan") == 0) {
        return PrintPlan(argv[2]);
    }
    std::chrono::milliseconds settle(300);
    bool usable = argc == 2;
    if (argc == 4 && std::strcmp(argv[1], "--settle") == 0) {
        int ms = -1;
        const char* end = argv[2] + std::strlen(argv[2]);
        const auto [rest, status] = std::from_chars(argv[2], end, ms);
        usable = status == std::errc() && rest == end && ms >= 0;
        settle = std::chrono::milliseconds(ms);
        argv += 2;
    }
    if (!usable) {
        std::fprintf(stderr, "usage: vantora-type-text [--settle MS] TEXT | --print-plan TEXT\n");
        return 2;
    }
    std::promise<vantora::TypingReport> done;
    vantora::TextTypist typist([&done](const vantora::TypingReport& report) { done.set_value(report); },
                               "/dev/uinput", settle);
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
