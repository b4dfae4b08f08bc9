#include "i18n/strings.h"

#include <algorithm>

#include "text/numbers.h"

namespace vantora {

std::atomic<int> CurrentUiLanguage{2052};

namespace {

constexpr int kEnglish = 1033;
constexpr int kFirstId = 1;
constexpr int kLastId = 1999;  // 1..699 as in the original tables, 1000 on our own

std::string Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[i + 1];
            if (next == 'n' || next == 't' || next == '\\') {
                out += next == 'n' ? '\n' : next == 't' ? '\t' : '\\';
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

bool ParseInt(std::string_view text, int& value) {
    const auto parsed = ParseDecimal(text, NumberSyntax::kWhole);
    if (parsed) {
        value = *parsed;
    }
    return parsed.has_value();
}

struct Tables {
    std::vector<StringTable> list;
    const StringTable* english = nullptr;
};

const Tables& LoadedTables() {
    static const Tables tables = [] {
        Tables loaded;
        for (const auto& file : EmbeddedStringFiles()) {
            StringTable table;
            std::string error;
            // A table that does not parse is left out; the unit tests make sure
            // every shipped file parses.
            if (ParseStringTable(file.text, table, error)) {
                loaded.list.push_back(std::move(table));
            }
        }
        for (const auto& table : loaded.list) {
            if (table.langId == kEnglish) {
                loaded.english = &table;
            }
        }
        return loaded;
    }();
    return tables;
}

const std::string& EmptyText() {
    static const std::string empty;
    return empty;
}

}  // namespace

const std::string* StringTable::Find(int id) const {
    const auto it = std::lower_bound(entries.begin(), entries.end(), id,
                                     [](const auto& entry, int wanted) { return entry.first < wanted; });
    return it != entries.end() && it->first == id ? &it->second : nullptr;
}

bool ParseStringTable(std::string_view text, StringTable& table, std::string& error) {
    table = StringTable{};
    bool haveTag = false;
    int lineNumber = 0;
    while (!text.empty()) {
        const auto newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const auto fail = [&](const std::string& why) {
            error = "line " + std::to_string(lineNumber) + ": " + why;
            return false;
        };
        const auto tab = line.find('\t');
        if (tab == std::string_view::npos) {
            return fail("no tab between the id and the text");
        }
        const std::string_view head = line.substr(0, tab);
        const std::string_view value = line.substr(tab + 1);
        if (head == "@langid") {
            if (!ParseInt(value, table.langId) || table.langId <= 0) {
                return fail("@langid is not a positive number");
            }
        } else if (head == "@tag") {
            table.tag = Unescape(value);
            haveTag = true;
        } else {
            int id = 0;
            if (!ParseInt(head, id)) {
                return fail("unknown line start '" + std::string(head) + "'");
            }
            if (id < kFirstId || id > kLastId) {
                return fail("id " + std::to_string(id) + " is outside 1..1999");
            }
            table.entries.emplace_back(id, Unescape(value));
        }
    }
    if (table.langId == 0 || !haveTag) {
        error = "the table has no @langid or no @tag";
        return false;
    }
    std::stable_sort(table.entries.begin(), table.entries.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    const auto duplicate =
        std::adjacent_find(table.entries.begin(), table.entries.end(),
                           [](const auto& a, const auto& b) { return a.first == b.first; });
    if (duplicate != table.entries.end()) {
        error = "id " + std::to_string(duplicate->first) + " is defined twice";
        return false;
    }
    return true;
}

const std::vector<StringTable>& AllStringTables() {
    return LoadedTables().list;
}

const std::string& GetUiString(int id, int language) {
    const Tables& tables = LoadedTables();
    const StringTable* table = tables.english;
    for (const auto& candidate : tables.list) {
        if (candidate.langId == language) {
            table = &candidate;
            break;
        }
    }
    if (table == nullptr) {
        return EmptyText();
    }
    const std::string* text = table->Find(id);
    return text ? *text : table->tag;
}

const std::string& GetUiString(int id) {
    return GetUiString(id, CurrentUiLanguage.load(std::memory_order_relaxed));
}

std::string FormatUiString(int id, std::initializer_list<std::string_view> args) {
    const std::string& format = GetUiString(id);
    std::string out;
    out.reserve(format.size());
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] >= '1' && format[i + 1] <= '9') {
            const auto n = static_cast<std::size_t>(format[i + 1] - '1');
            if (n < args.size()) {
                out += *(args.begin() + n);
                ++i;
                continue;
            }
        }
        out += format[i];
    }
    return out;
}

}  // namespace vantora
