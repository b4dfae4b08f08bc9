#include "platform/program_launcher.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/desktop_entry.h"

extern char** environ;

namespace vantora {
namespace {

bool IsExecutableFile(const std::string& file) {
    struct stat info {};
    return stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(file.c_str(), X_OK) == 0;
}

bool EndsWithDesktop(const std::string& path) {
    static const std::string suffix = ".desktop";
    if (path.size() <= suffix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(path[path.size() - suffix.size() + i])) != suffix[i]) {
            return false;
        }
    }
    return true;
}

// Terminals, in the order we look for them, with the option after which
// each takes the command as separate arguments.
struct Terminal {
    const char* name;
    const char* option;
};
constexpr Terminal kTerminals[] = {
    {"x-terminal-emulator", "-e"}, {"gnome-terminal", "--"}, {"konsole", "-e"},
    {"xfce4-terminal", "-x"},      {"xterm", "-e"},
};

bool PlanDesktopEntry(const std::string& path, const std::string& searchPath, LaunchPlan& plan,
                      std::string& error) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        error = "not found: " + path;
        return false;
    }
    DesktopEntry entry;
    std::string why;
    if (!ReadDesktopEntry(path, entry, why)) {
        error = "bad desktop entry " + path + ": " + why;
        return false;
    }
    if (entry.type != "Application") {
        error = "bad desktop entry " + path + ": its Type is not Application";
        return false;
    }
    std::vector<std::string> argv;
    if (!SplitExec(entry, path, argv, why)) {
        error = "bad desktop entry " + path + ": " + why;
        return false;
    }
    std::string program = argv[0];
    if (program.find('/') == std::string::npos) {
        program = FindOnPath(program, searchPath);
        if (program.empty()) {
            error = "not found: " + argv[0] + " (the program of " + path + ")";
            return false;
        }
    } else if (!IsExecutableFile(program)) {
        error = "not executable: " + program + " (the program of " + path + ")";
        return false;
    }
    argv[0] = program;
    if (entry.terminal) {
        std::string terminal;
        const Terminal* found = nullptr;
        for (const Terminal& t : kTerminals) {
            terminal = FindOnPath(t.name, searchPath);
            if (!terminal.empty()) {
                found = &t;
                break;
            }
        }
        if (found == nullptr) {
            error = "no terminal found to run " + path + " in";
            return false;
        }
        argv.insert(argv.begin(), {terminal, found->option});
        program = terminal;
    }
    plan.program = program;
    plan.argv = std::move(argv);
    plan.workingFolder = entry.path;
    return true;
}

}  // namespace

std::string FindOnPath(const std::string& name, const std::string& searchPath) {
    if (name.empty() || name.find('/') != std::string::npos) {
        return {};
    }
    std::size_t start = 0;
    while (start <= searchPath.size()) {
        std::size_t end = searchPath.find(':', start);
        if (end == std::string::npos) {
            end = searchPath.size();
        }
        const std::string folder = searchPath.substr(start, end - start);
        // An empty entry would mean the working folder: not searched.
        if (!folder.empty() && folder[0] == '/') {
            const std::string candidate = folder + (folder.back() == '/' ? "" : "/") + name;
            if (IsExecutableFile(candidate)) {
                return candidate;
            }
        }
        start = end + 1;
    }
    return {};
}

bool PlanProgramLaunch(const std::string& path, const std::string& searchPath, LaunchPlan& plan,
                       std::string& error) {
    plan = LaunchPlan{};
    error.clear();
    if (path.empty() || path[0] != '/') {
        error = "not found: \"" + path + "\" is not a full path";
        return false;
    }
    if (EndsWithDesktop(path)) {
        return PlanDesktopEntry(path, searchPath, plan, error);
    }
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        error = "not found: " + path;
        return false;
    }
    if (!S_ISREG(info.st_mode) || access(path.c_str(), X_OK) != 0) {
        error = "not executable: " + path;
        return false;
    }
    plan.program = path;
    plan.argv = {path};
    return true;
}

std::vector<std::string> ChildEnvironment(const char* const* environment) {
    std::vector<std::string> result;
    for (const char* const* entry = environment; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string variable = *entry;
        const std::string name = variable.substr(0, variable.find('='));
        if (name == "QT_QPA_PLATFORM" || name.starts_with("VANTORA_")) {
            continue;
        }
        result.push_back(variable);
    }
    return result;
}

bool SpawnDetached(const LaunchPlan& plan, std::string& error, pid_t* pid) {
    if (plan.program.empty() || plan.argv.empty()) {
        error = "spawn failed: nothing to start";
        return false;
    }
    std::vector<char*> argv;
    for (const std::string& a : plan.argv) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    const std::vector<std::string> environment = ChildEnvironment(environ);
    std::vector<char*> envp;
    for (const std::string& e : environment) {
        envp.push_back(const_cast<char*>(e.c_str()));
    }
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    // Standard input from /dev/null; every descriptor above 2 closed, so the
    // program holds none of ours (sockets, the database, the keyboard).
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    if (!plan.workingFolder.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, plan.workingFolder.c_str());
    }
    // Its own session, no signal blocked, every signal at its default.
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t child = 0;
    const int status =
        posix_spawn(&child, plan.program.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (status != 0) {
        error = "spawn failed: " + plan.program + ": " + std::strerror(status);
        return false;
    }
    // The waiter collects the exit status whenever the program ends.
    try {
        std::thread([child] {
            while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (...) {
        // No thread to spare: the program runs on and stays a zombie after
        // its end until we exit. It was started all the same.
    }
    if (pid != nullptr) {
        *pid = child;
    }
    return true;
}

bool StartProgram(const std::string& path, std::string& error) {
    const char* searchPath = std::getenv("PATH");
    LaunchPlan plan;
    if (!PlanProgramLaunch(path, searchPath != nullptr ? searchPath : "/usr/local/bin:/usr/bin:/bin", plan,
                           error)) {
        return false;
    }
    return SpawnDetached(plan, error);
}

}  // namespace vantora
