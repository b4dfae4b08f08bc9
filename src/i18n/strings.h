#pragma once

#include <atomic>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantora {

// The LANGID whose texts the user interface shows. Written by the UI thread
// (start-up, the settings dialog); read by any thread.
extern std::atomic<int> CurrentUiLanguage;

// The text of `id` in the current language. LANGIDs without a table select
// English; an id the table does not define answers the table's tag text.
// Never fails; the reference stays valid for the life of the process.
const std::string& GetUiString(int id);
// The same for a given LANGID.
const std::string& GetUiString(int id, int language);
// The text of `id` in the current language with "%1" to "%9" replaced by
// `args` (in the order the language puts them); a placeholder without an
// argument stays as it is, an argument's own "%1" is not replaced again.
std::string FormatUiString(int id, std::initializer_list<std::string_view> args);

// One language's texts, sorted by id.
struct StringTable {
    int langId = 0;
    std::string tag;
    std::vector<std::pair<int, std::string>> entries;

    // The text of `id`, or nullptr when the table does not define it.
    const std::string* Find(int id) const;
};

// Parses a table file: "@langid<TAB>n", "@tag<TAB>text" and "<id><TAB><text>"
// lines; '#' starts a comment line; "\n", "\t" and "\\" are escapes in texts.
// False with a message naming the line for anything else (unknown directive,
// id outside 1..1999, duplicate id, missing tab, missing @langid or @tag).
bool ParseStringTable(std::string_view text, StringTable& table, std::string& error);

// Every compiled-in table, in the order of the language list.
const std::vector<StringTable>& AllStringTables();

// The compiled-in table files themselves: file name and text.
struct EmbeddedStringFile {
    const char* name;
    const char* text;
};
const std::vector<EmbeddedStringFile>& EmbeddedStringFiles();

}  // namespace vantora
