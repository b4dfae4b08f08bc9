#pragma once

// The rules that pick a profile for the application in front, and their
// settings: whether they are followed at all and the profile for every
// other application. Stored in the profile database.
#include <string>
#include <vector>

#include "db/profile_database.h"
#include "platform/active_window_source.h"

namespace vantora {

struct AppProfileSettings {
    bool enabled = true;     // off: the pause switch, focus changes are ignored
    int defaultProfile = 0;  // for applications no rule names; 0 keeps the current profile
};

AppProfileSettings LoadAppProfileSettings(ProfileDatabase& db);
bool StoreAppProfileEnabled(ProfileDatabase& db, bool enabled);
// 0: keep the current profile.
bool StoreAppProfileDefault(ProfileDatabase& db, int profile);

// The desktop the running program learns the application in front from
// ("x11", "wlroots", "kwin", "gnome"; "" where it cannot), as that program
// stored it for the command line.
std::string LoadAppProfileSource(ProfileDatabase& db);
bool StoreAppProfileSource(ProfileDatabase& db, const std::string& name);

// `pattern` matches the whole of `text`, '*' standing for any run of
// characters and '?' for one byte; ASCII letters match either case.
bool GlobMatches(const std::string& pattern, const std::string& text);
// The rule's application id equals the window's (ASCII case ignored) and
// its title pattern, when it has one, matches the title.
bool RuleMatches(const ProfileRule& rule, const platform::ActiveWindow& window);

struct ListedRule {
    ProfileRule rule;
    bool broken = false;  // its profile is gone: it is ignored
};
std::vector<ListedRule> ListRules(ProfileDatabase& db);

// The profile for `window`: the first matching rule whose profile exists,
// else the default profile when it exists; 0 (keep the current one) when
// neither, or when no application is in front.
int ChooseProfile(ProfileDatabase& db, const platform::ActiveWindow& window);

}  // namespace vantora
