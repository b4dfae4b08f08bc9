#pragma once

// What the program does with the keyboard, for a user's report: opening and
// closing it, each transaction with its command byte and block count,
// refused reports and retries. Off by default; VANTORA_LOG=debug in the
// environment (or --verbose on the command line) turns it on. Lines go to
// standard error as "vantora: debug: <seconds> <text>".
//
// Cheap when off: VANTORA_DEBUG checks one flag before its arguments are
// evaluated or any text is formatted.
namespace vantora::debug_log {

// Whether lines are written. The first call reads VANTORA_LOG unless
// SetEnabled came first.
bool Enabled();
// Turns the lines on or off, whatever VANTORA_LOG says (--verbose).
void SetEnabled(bool on);
// Reads VANTORA_LOG again ("debug" turns the lines on, anything else off).
void ConfigureFromEnvironment();

// Writes one line (printf format) when enabled; one write per line, so
// lines of different threads do not mix.
void Write(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace vantora::debug_log

// Writes a debug line; the arguments are evaluated only when lines are on.
#define VANTORA_DEBUG(...)                            \
    do {                                              \
        if (::vantora::debug_log::Enabled()) {        \
            ::vantora::debug_log::Write(__VA_ARGS__); \
        }                                             \
    } while (false)
