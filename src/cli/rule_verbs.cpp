#include "cli/rule_verbs.h"

#include <algorithm>
#include <functional>

#include "cli/json_writer.h"
#include "cli/terminal_text.h"
#include "keys/profile_names.h"
#include "session/app_rules.h"
#include "text/item_names.h"

namespace vantora::cli {
namespace {

class RuleRunner {
public:
    RuleRunner(const Command& command, CtlContext& context) : command_(command), context_(context) {}

    CtlResult Run() {
        switch (command_.verb) {
            case Verb::kRuleList:
                return List();
            case Verb::kRuleAdd:
                return Add();
            case Verb::kRuleRemove:
                return Remove();
            case Verb::kRuleDefault:
                return Default();
            case Verb::kProfileAuto:
                return Auto();
            default:
                break;
        }
        return Failure(kExitUsage, "nothing to do", command_.json);
    }

private:
    std::string Shown(int profile) {
        std::vector<ProfileItem> list;
        context_.db.ListProfiles(list);
        const auto it = std::find_if(list.begin(), list.end(),
                                     [profile](const ProfileItem& item) { return item.profile == profile; });
        return it == list.end() ? std::string() : DisplayProfileName(it->name, context_.language);
    }

    void WriteProfile(JsonWriter& json, const char* key, int profile) {
        json.Key(key);
        if (profile == 0) {
            json.Null();
            return;
        }
        json.BeginObject().Key("id").Int(profile).Key("name").String(Shown(profile)).EndObject();
    }

    void WriteRule(JsonWriter& json, const ListedRule& listed) {
        json.BeginObject().Key("id").Int(listed.rule.rule_id).Key("app").String(listed.rule.app_id);
        json.Key("title").String(listed.rule.title_pattern);
        WriteProfile(json, "profile", listed.rule.profile);
        json.Key("broken").Bool(listed.broken).EndObject();
    }

    std::string RuleLine(const ListedRule& listed) {
        std::string line = std::to_string(listed.rule.rule_id) + "  " + TerminalCell(listed.rule.app_id);
        if (!listed.rule.title_pattern.empty()) {
            line += " (title \"" + TerminalCell(listed.rule.title_pattern) + "\")";
        }
        line += " -> " + std::to_string(listed.rule.profile) + "  ";
        line += listed.broken ? std::string("(its profile is gone: ignored)")
                              : TerminalCell(Shown(listed.rule.profile));
        return line + "\n";
    }

    CtlResult Text(const std::string& text, const std::function<void(JsonWriter&)>& fields) {
        return Success(command_.json, fields, text);
    }

    CtlResult Refused() {
        return Failure(kExitNoDatabase, "The database did not take the change.", command_.json);
    }

    CtlResult List() {
        const std::vector<ListedRule> rules = ListRules(context_.db);
        const AppProfileSettings settings = LoadAppProfileSettings(context_.db);
        const bool running = context_.keyboard != nullptr && context_.keyboard->ViaProgram();
        const std::string source = running ? LoadAppProfileSource(context_.db) : std::string();
        std::string text;
        for (const ListedRule& listed : rules) {
            text += RuleLine(listed);
        }
        if (rules.empty()) {
            text += "No rule.\n";
        }
        text += "Other applications: " +
                (settings.defaultProfile == 0 ? std::string("the active profile stays")
                                              : std::to_string(settings.defaultProfile) + "  " +
                                                    TerminalCell(Shown(settings.defaultProfile))) +
                "\n";
        text += std::string("Following: ") + (settings.enabled ? "on" : "off (paused)") + "\n";
        text += "Source:    " +
                (!running         ? std::string("none (the program is not running)")
                 : source.empty() ? std::string("unavailable on this desktop")
                                  : source) +
                "\n";
        return Text(text, [&](JsonWriter& json) {
            json.Key("rules").BeginArray();
            for (const ListedRule& listed : rules) {
                WriteRule(json, listed);
            }
            json.EndArray();
            WriteProfile(json, "default_profile", settings.defaultProfile);
            json.Key("auto").Bool(settings.enabled).Key("source").String(source);
            json.Key("program_running").Bool(running);
        });
    }

    CtlResult Add() {
        if (CheckItemName(command_.app) != NameFault::kNone) {
            return Failure(
                kExitRefused,
                std::string("An application id ") + NameFaultText(CheckItemName(command_.app)) + ".",
                command_.json);
        }
        if (!command_.titlePattern.empty() &&
            CheckItemName(command_.titlePattern) == NameFault::kControlCharacter) {
            return Failure(kExitRefused, "A title pattern has no control characters.", command_.json);
        }
        int profile = 0;
        CtlResult failure;
        if (!ResolveProfile(command_.target, context_, command_.json, profile, failure)) {
            return failure;
        }
        ProfileRule rule;
        rule.app_id = command_.app;
        rule.title_pattern = command_.titlePattern;
        rule.profile = profile;
        rule.rule_id = context_.db.AddProfileRule(rule);
        if (rule.rule_id == 0) {
            return Refused();
        }
        TellProgram();
        const ListedRule listed{rule, false};
        return Text("Rule " + RuleLine(listed), [&](JsonWriter& json) {
            json.Key("rule");
            WriteRule(json, listed);
        });
    }

    CtlResult Remove() {
        std::vector<ProfileRule> rules;
        context_.db.ListProfileRules(rules);
        const bool exists = std::any_of(rules.begin(), rules.end(), [this](const ProfileRule& rule) {
            return rule.rule_id == command_.ruleId;
        });
        if (!exists) {
            return Failure(kExitNotFound, "No rule has the id " + std::to_string(command_.ruleId) + ".",
                           command_.json);
        }
        if (!context_.db.RemoveProfileRule(command_.ruleId)) {
            return Refused();
        }
        TellProgram();
        return Text("Rule " + std::to_string(command_.ruleId) + " removed.\n", [&](JsonWriter& json) {
            json.Key("rule").BeginObject().Key("id").Int(command_.ruleId).EndObject();
        });
    }

    CtlResult Default() {
        int profile = 0;
        CtlResult failure;
        if (command_.target != "keep" &&
            !ResolveProfile(command_.target, context_, command_.json, profile, failure)) {
            return failure;
        }
        if (!StoreAppProfileDefault(context_.db, profile)) {
            return Refused();
        }
        return Text(profile == 0 ? "Other applications keep the active profile.\n"
                                 : "Other applications select profile " + std::to_string(profile) + ".\n",
                    [&](JsonWriter& json) { WriteProfile(json, "default_profile", profile); });
    }

    CtlResult Auto() {
        if (!StoreAppProfileEnabled(context_.db, command_.on)) {
            return Refused();
        }
        TellProgram();
        return Text(command_.on ? "The profile follows the application in front.\n"
                                : "The profile no longer follows the application in front.\n",
                    [&](JsonWriter& json) { json.Key("auto").Bool(command_.on); });
    }

    // The running program tells its watchers (nothing goes to the keyboard).
    void TellProgram() {
        if (context_.keyboard != nullptr && context_.keyboard->ViaProgram()) {
            context_.keyboard->Perform({KeyboardWork::kNothing});
        }
    }

    const Command& command_;
    CtlContext& context_;
};

}  // namespace

CtlResult RunRuleCommand(const Command& command, CtlContext& context) {
    return RuleRunner(command, context).Run();
}

}  // namespace vantora::cli
