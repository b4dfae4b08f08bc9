// Runs one source of the application in front and prints each report as
// "appId<TAB>title" on its own line, until SIGTERM or SIGINT, or for the
// given number of seconds, after which it prints the processor time it used
// ("cpu-ms N").
//   active_window_probe x11|wlroots [SECONDS]
#include <signal.h>
#include <sys/resource.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/wlroots_active_window.h"
#include "platform/x11_active_window.h"

int main(int argc, char** argv) {
    using namespace vantora::platform;
    if (argc < 2 || (std::strcmp(argv[1], "x11") != 0 && std::strcmp(argv[1], "wlroots") != 0)) {
        std::fprintf(stderr, "usage: %s x11|wlroots [SECONDS]\n", argv[0]);
        return 2;
    }
    // Blocked before the source's thread starts, so only sigwait sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    std::unique_ptr<ActiveWindowSource> source;
    if (std::strcmp(argv[1], "x11") == 0) {
        source = std::make_unique<X11ActiveWindowSource>();
    } else {
        source = std::make_unique<WlrootsActiveWindowSource>();
    }
    std::string error;
    const bool started = source->Start(
        [](const ActiveWindow& window) {
            std::printf("%s\t%s\n", window.appId.c_str(), window.title.c_str());
            std::fflush(stdout);
        },
        error);
    if (!started) {
        std::fprintf(stderr, "error: %s\n", error.c_str());
        return 1;
    }
    if (argc > 2) {
        const timespec wait{std::atol(argv[2]), 0};
        sigtimedwait(&stopSignals, nullptr, &wait);
    } else {
        int signal = 0;
        sigwait(&stopSignals, &signal);
    }
    source->Stop();
    if (argc > 2) {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        const long ms = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000 +
                        (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
        std::printf("cpu-ms %ld\n", ms);
    }
    return 0;
}
