#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace vantora {

// How a program is started: the file executed, its argument vector
// (argv[0] first) and its working folder (empty: ours).
struct LaunchPlan {
    std::string program;
    std::vector<std::string> argv;
    std::string workingFolder;

    friend bool operator==(const LaunchPlan&, const LaunchPlan&) = default;
};

// `name` (without '/') as an executable regular file in one of the folders
// of `searchPath` (the form of PATH); empty when there is none.
std::string FindOnPath(const std::string& name, const std::string& searchPath);

// Plans the start of `path`, looking programs up in `searchPath`:
// - a ".desktop" file: its Exec (Type must be Application), in its Path
//   folder; with Terminal=true inside the first terminal found
//   (x-terminal-emulator, gnome-terminal, konsole, xfce4-terminal, xterm);
// - any other path: an executable regular file, started without arguments.
// False with `error` (not found, not executable, bad desktop entry, no terminal).
bool PlanProgramLaunch(const std::string& path, const std::string& searchPath, LaunchPlan& plan,
                       std::string& error);

// The environment a started program gets: `environment` (NAME=value
// entries) without the variables this program's scripts and tests set for
// Qt and for itself (QT_QPA_PLATFORM and every VANTORA_ variable).
std::vector<std::string> ChildEnvironment(const char* const* environment);

// Starts `plan` with posix_spawn, never through a shell: in a session of its
// own, standard input from /dev/null, no descriptor of ours but 0 to 2, the
// environment of ChildEnvironment. A thread of ours waits for the program's
// end so that it leaves no zombie. False with `error` when it did not start.
bool SpawnDetached(const LaunchPlan& plan, std::string& error, pid_t* pid = nullptr);

// PlanProgramLaunch with this process's PATH, then SpawnDetached.
bool StartProgram(const std::string& path, std::string& error);

}  // namespace vantora
