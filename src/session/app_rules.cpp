#include "session/app_rules.h"

#include <algorithm>
#include <cstdlib>
#include <set>

namespace vantora {
namespace {

constexpr const char* kEnabledKey = "auto_profile";
constexpr const char* kDefaultKey = "auto_profile_default";
constexpr const char* kSourceKey = "auto_profile_source";

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::set<int> ProfileIds(ProfileDatabase& db) {
    std::vector<ProfileItem> profiles;
    db.ListProfiles(profiles);
    std::set<int> ids;
    for (const ProfileItem& item : profiles) {
        ids.insert(item.profile);
    }
    return ids;
}

}  // namespace

AppProfileSettings LoadAppProfileSettings(ProfileDatabase& db) {
    AppProfileSettings settings;
    std::string value;
    if (db.GetConfig(kEnabledKey, value)) {
        settings.enabled = value != "0";
    }
    if (db.GetConfig(kDefaultKey, value)) {
        settings.defaultProfile = std::max(0, std::atoi(value.c_str()));
    }
    return settings;
}

bool StoreAppProfileEnabled(ProfileDatabase& db, bool enabled) {
    return db.PutConfig(kEnabledKey, enabled ? "1" : "0");
}

bool StoreAppProfileDefault(ProfileDatabase& db, int profile) {
    return db.PutConfig(kDefaultKey, std::to_string(std::max(0, profile)));
}

std::string LoadAppProfileSource(ProfileDatabase& db) {
    std::string value;
    return db.GetConfig(kSourceKey, value) ? value : std::string();
}

bool StoreAppProfileSource(ProfileDatabase& db, const std::string& name) {
    return db.PutConfig(kSourceKey, name);
}

bool GlobMatches(const std::string& pattern, const std::string& text) {
    // Iterative matching with one backtrack point: the last '*'.
    std::size_t p = 0;
    std::size_t t = 0;
    std::size_t star = std::string::npos;
    std::size_t resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || Lower(pattern[p]) == Lower(text[t]))) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (star != std::string::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

bool RuleMatches(const ProfileRule& rule, const platform::ActiveWindow& window) {
    const bool sameApp = !window.appId.empty() && rule.app_id.size() == window.appId.size() &&
                         std::equal(rule.app_id.begin(), rule.app_id.end(), window.appId.begin(),
                                    [](char a, char b) { return Lower(a) == Lower(b); });
    return sameApp && (rule.title_pattern.empty() || GlobMatches(rule.title_pattern, window.title));
}

std::vector<ListedRule> ListRules(ProfileDatabase& db) {
    std::vector<ProfileRule> rules;
    db.ListProfileRules(rules);
    const std::set<int> ids = ProfileIds(db);
    std::vector<ListedRule> listed;
    for (ProfileRule& rule : rules) {
        const bool broken = ids.count(rule.profile) == 0;
        listed.push_back({std::move(rule), broken});
    }
    return listed;
}

int ChooseProfile(ProfileDatabase& db, const platform::ActiveWindow& window) {
    if (window.appId.empty()) {
        return 0;
    }
    for (const ListedRule& listed : ListRules(db)) {
        if (!listed.broken && RuleMatches(listed.rule, window)) {
            return listed.rule.profile;
        }
    }
    const int fallback = LoadAppProfileSettings(db).defaultProfile;
    return fallback != 0 && ProfileIds(db).count(fallback) > 0 ? fallback : 0;
}

}  // namespace vantora
