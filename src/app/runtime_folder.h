#pragma once

#include <string>

namespace vantora {

// The folder for the program's sockets and lock files. Another user who can
// write there could plant a socket that answers in the program's name, or a
// lock file that blocks it, so a folder is used only when it is this user's
// alone: a real folder (not a symbolic link) owned by the effective user
// with mode 0700.
//  - $XDG_RUNTIME_DIR, the session's folder, when it passes that check;
//  - else "VANTORA-<uid>" in the temporary folder ($TMPDIR or /tmp), made
//    with mode 0700 when missing, and used only when it passes the check.

// Why `folder` is not a folder of this user's alone ("is a symbolic link",
// "belongs to another user (uid 65534)", "has mode 1777 instead of 0700",
// ...); empty when it is.
std::string PrivateFolderProblem(const std::string& folder);

struct RuntimeFolderChoice {
    std::string folder;   // no trailing '/'; empty when no folder is safe
    std::string warning;  // why `runtime` was passed over; empty when used or not given
    std::string error;    // why no folder is safe (folder empty)
};

// The choice for `runtime` (the value of $XDG_RUNTIME_DIR, empty when unset)
// with the private folder in `temporary` as the fallback.
RuntimeFolderChoice ChooseRuntimeFolder(const std::string& runtime, const std::string& temporary);

// $XDG_RUNTIME_DIR when it passes the check, else empty. The first time it
// is passed over, the reason goes to standard error (once per process).
std::string SessionRuntimeFolder();

// The choice for this process's environment. Empty, with the reason in
// `error` when given, when no folder is safe. Warns as SessionRuntimeFolder.
std::string UserRuntimeFolder(std::string* error = nullptr);

}  // namespace vantora
