#pragma once

#include <string>

namespace vantora {

// The running executable's folder, ending in '/'.
std::string GetExecutableFolder();

// The folder the program's own files (config.ini, layouts/, images/) are
// read from, ending in '/': ProgramFolderFor(GetExecutableFolder()).
std::string GetExeFolder();

// The program's folder for an executable in `exeFolder` (ending in '/'):
// that folder when config.ini is beside the executable (the build tree),
// else ../share/vantora/ from it when config.ini is there (an installed
// program, wherever the installed tree was moved), else `exeFolder`.
std::string ProgramFolderFor(const std::string& exeFolder);

// The user's documents folder followed by "VANTORA Files/": $XDG_DOCUMENTS_DIR,
// else XDG_DOCUMENTS_DIR from $XDG_CONFIG_HOME/user-dirs.dirs, else
// $HOME/Documents. Ends in '/'.
std::string GetDataFolder();

// The user's documents folder alone (no trailing '/'), resolved as above.
std::string GetDocumentsFolder();

// Creates `path` and every missing parent. True when the folder exists
// afterwards, created now or already there.
bool EnsureDirectory(const std::string& path);

// Writes `contents` to `path` whole, through a temporary file renamed over
// it: a reader sees the old file or the new one, never a part. False (with
// the reason in `error`, the old file untouched) when it cannot.
bool ReplaceFile(const std::string& path, const std::string& contents, std::string& error);

// Creates `path` like EnsureDirectory, the folder itself (not its parents)
// readable by this user alone (0700); an existing folder of this user is
// made so. A symbolic link is neither followed nor changed (the folder it
// names is used as it is). True when the folder exists afterwards.
bool EnsurePrivateDirectory(const std::string& path);

// The data folder (GetDataFolder(), "VANTORA Files/") and its db/ folder,
// both private (EnsurePrivateDirectory): the database holds the texts that
// Send Text keys type. True when both exist afterwards.
bool EnsureDataFolder(const std::string& dataFolder);

// $HOME, or the password database's home folder when HOME is unset.
std::string GetHomeFolder();

// $XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config.
std::string GetConfigHome();

}  // namespace vantora
