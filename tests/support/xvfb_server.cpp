#include "support/xvfb_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

extern char** environ;

namespace vantora::test {

XvfbServer::XvfbServer() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    char* args[] = {
        const_cast<char*>("Xvfb"),      const_cast<char*>("-displayfd"), const_cast<char*>("3"),
        const_cast<char*>("-nolisten"), const_cast<char*>("tcp"),        const_cast<char*>("-screen"),
        const_cast<char*>("0"),         const_cast<char*>("640x480x24"), nullptr};
    const bool spawned = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, args, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (!spawned) {
        pid_ = -1;
        ::close(fds[0]);
        return;
    }
    // Xvfb writes the display number and a newline once it accepts connections.
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (number.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd fd{fds[0], POLLIN, 0};
        if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
        char buffer[16];
        const auto n = ::read(fds[0], buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        number.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    if (const auto end = number.find('\n'); end != std::string::npos && end > 0) {
        name_ = ":" + number.substr(0, end);
    }
}

XvfbServer::~XvfbServer() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
}

bool XvfbServer::Installed() {
    return ::access("/usr/bin/Xvfb", X_OK) == 0 || ::access("/usr/local/bin/Xvfb", X_OK) == 0;
}

}  // namespace vantora::test
