#include "device/debug_log.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vantora::debug_log {
namespace {

// -1: not settled yet (VANTORA_LOG is read on first use), 0 off, 1 on.
std::atomic<int> state{-1};

const std::chrono::steady_clock::time_point& Start() {
    static const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    return start;
}

bool EnvironmentAsksForDebug() {
    const char* value = std::getenv("VANTORA_LOG");
    return value != nullptr && std::strcmp(value, "debug") == 0;
}

}  // namespace

bool Enabled() {
    int now = state.load(std::memory_order_relaxed);
    if (now < 0) {
        int expected = -1;
        const int fromEnvironment = EnvironmentAsksForDebug() ? 1 : 0;
        state.compare_exchange_strong(expected, fromEnvironment, std::memory_order_relaxed);
        now = state.load(std::memory_order_relaxed);
    }
    return now > 0;
}

void SetEnabled(bool on) {
    state.store(on ? 1 : 0, std::memory_order_relaxed);
}

void ConfigureFromEnvironment() {
    SetEnabled(EnvironmentAsksForDebug());
}

void Write(const char* format, ...) {
    if (!Enabled()) {
        return;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start()).count();
    char line[512];
    int used = std::snprintf(line, sizeof line, "vantora: debug: %.3f ", seconds);
    if (used < 0) {
        return;
    }
    va_list args;
    va_start(args, format);
    const int text = std::vsnprintf(line + used, sizeof line - static_cast<std::size_t>(used), format, args);
    va_end(args);
    if (text < 0) {
        return;
    }
    // A longer text is cut; the line always ends with its newline.
    used = std::min<int>(used + text, static_cast<int>(sizeof line) - 2);
    line[used++] = '\n';
    // One write per line: no stdio buffer shared between threads.
    const char* at = line;
    std::size_t left = static_cast<std::size_t>(used);
    while (left > 0) {
        const ssize_t written = ::write(STDERR_FILENO, at, left);
        if (written <= 0) {
            return;
        }
        at += written;
        left -= static_cast<std::size_t>(written);
    }
}

}  // namespace vantora::debug_log
