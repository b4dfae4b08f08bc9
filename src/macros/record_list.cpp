#include "macros/record_list.h"

#include <algorithm>

#include "macros/macro_space.h"

namespace vantora {
namespace {

bool IsIndex(const std::vector<MacroStep>& records, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < records.size();
}

MacroStep KeyRecord(const std::string& name, int type, int code, int delay) {
    MacroStep step;
    step.desc = name;
    step.type = type;
    step.value = code;
    step.delay_time = delay;
    return step;
}

}  // namespace

int InsertKeyPair(std::vector<MacroStep>& records, int selected, const std::string& name, int code,
                  int delay) {
    const int at = IsIndex(records, selected) ? selected + 1 : static_cast<int>(records.size());
    const auto position = records.begin() + at;
    records.insert(
        position, {KeyRecord(name, kRecordKeyDown, code, delay), KeyRecord(name, kRecordKeyUp, code, delay)});
    return at;
}

int DeleteRecord(std::vector<MacroStep>& records, int index) {
    if (!IsIndex(records, index)) {
        return -1;
    }
    records.erase(records.begin() + index);
    return index - 1;
}

bool EditKeyRecord(std::vector<MacroStep>& records, int index, const std::string& desc, int value,
                   int delay) {
    if (!IsIndex(records, index)) {
        return false;
    }
    MacroStep& record = records[static_cast<std::size_t>(index)];
    if (record.type != kRecordKeyDown && record.type != kRecordKeyUp) {
        return false;
    }
    record.desc = desc;
    record.value = value;
    record.delay_time = delay;
    return true;
}

int ParseTypedDelay(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min<long>(value * 10 + (text[i] - '0'), kMaxTypedDelayMs);
    }
    return static_cast<int>(value);
}

}  // namespace vantora
