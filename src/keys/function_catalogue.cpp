#include "keys/function_catalogue.h"

#include "i18n/strings.h"

#include <algorithm>

namespace vantora {
namespace {

template <typename Entry, std::size_t N>
const Entry* FindByCode(const Entry (&list)[N], int code) {
    const auto found = std::find_if(std::begin(list), std::end(list),
                                    [code](const Entry& entry) { return entry.code == code; });
    return found == std::end(list) ? nullptr : &*found;
}

template <typename Entry, std::size_t N>
std::vector<CatalogueItem> ItemsOf(const Entry (&list)[N]) {
    std::vector<CatalogueItem> items;
    items.reserve(N);
    for (const Entry& entry : list) {
        items.push_back({GetUiString(entry.stringId), entry.code});
    }
    return items;
}

}  // namespace

const FunctionTypeEntry* FindFunctionType(int code) {
    return FindByCode(kFunctionTypes, code);
}

int FunctionTypePosition(int code) {
    const FunctionTypeEntry* entry = FindFunctionType(code);
    return entry == nullptr ? -1 : static_cast<int>(entry - std::begin(kFunctionTypes));
}

const MouseFunction* FindMouseFunction(int code) {
    return FindByCode(kMouseFunctions, code);
}

const MultimediaFunction* FindMultimediaFunction(int code) {
    return FindByCode(kMultimediaFunctions, code);
}

const ShortcutFunction* FindShortcutFunction(int code) {
    return FindByCode(kShortcutFunctions, code);
}

const ShortcutEncoding* FindShortcutEncoding(int code) {
    return FindByCode(kShortcutEncodings, code);
}

bool IsHostSideFunction(int code) {
    const FunctionTypeEntry* entry = FindFunctionType(code);
    return entry != nullptr && entry->runner == FunctionRunner::kComputer;
}

std::vector<CatalogueItem> FunctionTypeItems() {
    return ItemsOf(kFunctionTypes);
}

std::vector<CatalogueItem> FunctionSubListItems(int functionType) {
    switch (functionType) {
        case kFunctionMouse:
            return ItemsOf(kMouseFunctions);
        case kFunctionMultimedia:
            return ItemsOf(kMultimediaFunctions);
        case kFunctionWindowsShortcut:
            return ItemsOf(kShortcutFunctions);
        default:
            return {};
    }
}

}  // namespace vantora
