#include "device/key_index.h"

namespace vantora {
namespace {

constexpr int kUsageCount = 256;

constexpr std::array<int, kKeyIndexCount> MakeIndexToCode() {
    std::array<int, kKeyIndexCount> table{};
    for (const KeyMatrixEntry& entry : kBuiltInKeyMatrix) {
        table[static_cast<std::size_t>(entry.index)] = entry.code;
    }
    return table;
}

// The reverse pairing; the Fn key is looked up by 255, its read-back code 175 has no index.
constexpr std::array<int, kUsageCount> MakeCodeToIndex() {
    std::array<int, kUsageCount> table{};
    table.fill(-1);
    for (const KeyMatrixEntry& entry : kBuiltInKeyMatrix) {
        const int code = entry.index == kFnKeyIndex ? kFnKeyCode : entry.code;
        table[static_cast<std::size_t>(code)] = entry.index;
    }
    return table;
}

// Sorted by key index, every index below 126, every usage once.
constexpr bool MatrixIsOneToOne() {
    std::array<bool, kUsageCount> codeSeen{};
    int previousIndex = -1;
    for (const KeyMatrixEntry& entry : kBuiltInKeyMatrix) {
        if (entry.index <= previousIndex || entry.index >= kKeyIndexCount - 2 || entry.code <= 0 ||
            entry.code >= kUsageCount || codeSeen[static_cast<std::size_t>(entry.code)]) {
            return false;
        }
        previousIndex = entry.index;
        codeSeen[static_cast<std::size_t>(entry.code)] = true;
    }
    return !codeSeen[kFnKeyCode];
}
static_assert(MatrixIsOneToOne());

constexpr std::array<int, kKeyIndexCount> kIndexToCode = MakeIndexToCode();
constexpr std::array<int, kUsageCount> kCodeToIndex = MakeCodeToIndex();

constexpr bool ValidIndex(int index) {
    return index >= 0 && index < kKeyIndexCount;
}

}  // namespace

int KeyIndexToCode(int index) {
    if (!ValidIndex(index)) {
        return 0;
    }
    return kIndexToCode[static_cast<std::size_t>(index)];
}

int KeyCodeToIndex(int code) {
    if (code < 0 || code >= kUsageCount) {
        return -1;
    }
    return kCodeToIndex[static_cast<std::size_t>(code)];
}

unsigned ModifierBit(unsigned value) {
    constexpr unsigned kFirstModifier = 224;  // Left Ctrl
    constexpr unsigned kLastModifier = 231;   // Right GUI
    if (value >= kFirstModifier && value <= kLastModifier) {
        return 1u << (value - kFirstModifier);
    }
    return value;
}

int LookupKeyIndex(const std::map<int, int>& layoutCodeToIndex, int code) {
    const auto found = layoutCodeToIndex.find(code);
    if (found != layoutCodeToIndex.end() && ValidIndex(found->second)) {
        return found->second;
    }
    return KeyCodeToIndex(code);
}

int LookupKeyCode(const std::map<int, int>& layoutIndexToCode, int index) {
    if (!ValidIndex(index)) {
        return 0;
    }
    const auto found = layoutIndexToCode.find(index);
    if (found != layoutIndexToCode.end() && found->second > 0) {
        return found->second;
    }
    return KeyIndexToCode(index);
}

}  // namespace vantora
