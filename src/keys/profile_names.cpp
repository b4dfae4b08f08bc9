#include "keys/profile_names.h"

#include <string_view>

#include "i18n/strings.h"

namespace vantora {
namespace {

constexpr int kProfileWordId = 110;
constexpr int kEnglish = 1033;
constexpr int kChineseSimplified = 2052;

bool StartsWith(const std::string& text, std::string_view prefix) {
    return !prefix.empty() && text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

std::string DefaultProfileWord(int language) {
    return language == 0 ? GetUiString(kProfileWordId) : GetUiString(kProfileWordId, language);
}

std::string DisplayProfileName(const std::string& stored, int language) {
    // The default words of the two built-in languages. Besides the literal
    // Chinese default word, names created under the Chinese interface carry
    // that table's own string 110, so both are recognised.
    static constexpr std::string_view kEnglishWord = "Profile";
    static constexpr std::string_view kChineseWord = "配置方案";
    if (language == kChineseSimplified) {
        if (StartsWith(stored, kEnglishWord)) {
            return GetUiString(kProfileWordId, language) + stored.substr(kEnglishWord.size());
        }
    } else if (language == kEnglish) {
        for (std::string_view prefix :
             {kChineseWord, std::string_view(GetUiString(kProfileWordId, kChineseSimplified))}) {
            if (StartsWith(stored, prefix)) {
                return GetUiString(kProfileWordId, language) + stored.substr(prefix.size());
            }
        }
    }
    return stored;
}

}  // namespace vantora
