#pragma once

#include <string>
#include <vector>

namespace vantora {

// The keys of a .desktop file's [Desktop Entry] group that starting the
// program needs. String escapes (\s \n \t \r \\) are already undone;
// localized keys ("Name[de]") are not read.
struct DesktopEntry {
    std::string type;
    std::string exec;
    std::string path;  // working folder, empty when not set
    std::string name;
    std::string icon;
    bool terminal = false;
};

// Reads the first group of a .desktop file's text, which must be
// [Desktop Entry]. False with `error` when it is not.
bool ParseDesktopEntry(const std::string& text, DesktopEntry& entry, std::string& error);
// The same from the file `file`.
bool ReadDesktopEntry(const std::string& file, DesktopEntry& entry, std::string& error);

// Splits the entry's Exec value into the program and its arguments: double
// quotes group, inside them \" \` \$ \\ stand for the character; blanks
// outside quotes separate. Field codes: the file and URL codes (%f %F %u %U,
// and the old %d %D %n %N %v %m) are dropped (no files are passed), %i gives
// "--icon" and the Icon when there is one, %c the Name, %k `filePath`, %% a
// '%'; an argument that is only a dropped code goes away. False with `error`
// for an unbalanced quote, a reserved character (' \ > < ~ | & ; $ * ? # ( ) `)
// outside quotes, an unknown field code or an empty command.
bool SplitExec(const DesktopEntry& entry, const std::string& filePath, std::vector<std::string>& argv,
               std::string& error);

}  // namespace vantora
