#include "session/keyboard_work.h"

#include <array>
#include <sstream>
#include <vector>

#include "text/numbers.h"

namespace vantora {
namespace {

struct WorkName {
    KeyboardWork work;
    const char* name;
};
constexpr std::array<WorkName, 8> kWorkNames{{{KeyboardWork::kNothing, "none"},
                                              {KeyboardWork::kKeys, "keys"},
                                              {KeyboardWork::kSettings, "settings"},
                                              {KeyboardWork::kLighting, "lighting"},
                                              {KeyboardWork::kMacros, "macro-memory"},
                                              {KeyboardWork::kMacrosKeys, "macro-memory-keys"},
                                              {KeyboardWork::kFactoryReset, "reset"},
                                              {KeyboardWork::kSync, "sync"}}};

struct OutcomeName {
    JobOutcome outcome;
    const char* name;
    int severity;
};
constexpr std::array<OutcomeName, 6> kOutcomeNames{{{JobOutcome::kDone, "ok", 0},
                                                    {JobOutcome::kKeyboardFailed, "keyboard-failed", 1},
                                                    {JobOutcome::kNoKeyboard, "no-keyboard", 2},
                                                    {JobOutcome::kDatabaseRefused, "database-refused", 3},
                                                    {JobOutcome::kDatabaseBusy, "database-busy", 4},
                                                    {JobOutcome::kCancelled, "cancelled", 5}}};

std::vector<std::string> Words(std::string_view line) {
    std::istringstream stream{std::string(line)};
    std::vector<std::string> words;
    std::string word;
    while (stream >> word) {
        words.push_back(word);
    }
    return words;
}

const OutcomeName& Named(JobOutcome outcome) {
    for (const OutcomeName& entry : kOutcomeNames) {
        if (entry.outcome == outcome) {
            return entry;
        }
    }
    return kOutcomeNames.back();
}

std::optional<int> Number(const std::string& word) {
    return ParseDecimal(word, NumberSyntax::kWhole);
}

}  // namespace

std::string EncodeWorkRequest(const WorkRequest& request) {
    std::string line = "work";
    for (const WorkName& entry : kWorkNames) {
        if (entry.work == request.work) {
            line += ' ';
            line += entry.name;
        }
    }
    if (request.reloadProfiles) {
        line += " profiles";
    }
    if (request.reloadSwitches) {
        line += " switches";
    }
    if (request.reloadKeyLabels) {
        line += " labels";
    }
    if (request.reloadLighting) {
        line += " light";
    }
    if (request.reloadMacros) {
        line += " macros";
    }
    return line;
}

std::optional<WorkRequest> DecodeWorkRequest(std::string_view line) {
    const std::vector<std::string> words = Words(line);
    if (words.size() < 2 || words[0] != "work") {
        return std::nullopt;
    }
    WorkRequest request;
    bool known = false;
    for (const WorkName& entry : kWorkNames) {
        if (words[1] == entry.name) {
            request.work = entry.work;
            known = true;
        }
    }
    if (!known) {
        return std::nullopt;
    }
    for (std::size_t i = 2; i < words.size(); ++i) {
        if (words[i] == "profiles") {
            request.reloadProfiles = true;
        } else if (words[i] == "switches") {
            request.reloadSwitches = true;
        } else if (words[i] == "labels") {
            request.reloadKeyLabels = true;
        } else if (words[i] == "light") {
            request.reloadLighting = true;
        } else if (words[i] == "macros") {
            request.reloadMacros = true;
        } else {
            return std::nullopt;
        }
    }
    return request;
}

std::string EncodeStatusReply(const KeyboardStatus& status) {
    return "status " + std::to_string(status.connected ? 1 : 0) + " " + std::to_string(status.vendorId) +
           " " + std::to_string(status.productId) + " " + std::to_string(status.firmwareVersion) +
           (status.musicStreaming ? " music" : "");
}

std::optional<KeyboardStatus> DecodeStatusReply(std::string_view line) {
    const std::vector<std::string> words = Words(line);
    // A sixth word "music": the program streams music frames.
    const bool music = words.size() == 6 && words[5] == "music";
    if ((words.size() != 5 && !music) || words[0] != "status") {
        return std::nullopt;
    }
    const auto connected = Number(words[1]);
    const auto vendor = Number(words[2]);
    const auto product = Number(words[3]);
    const auto firmware = Number(words[4]);
    if (!connected || !vendor || !product || !firmware || (*connected != 0 && *connected != 1)) {
        return std::nullopt;
    }
    return KeyboardStatus{*connected == 1, *vendor, *product, *firmware, music};
}

std::string EncodeDoneReply(JobOutcome outcome) {
    return std::string("done ") + Named(outcome).name;
}

std::optional<JobOutcome> DecodeDoneReply(std::string_view line) {
    const std::vector<std::string> words = Words(line);
    if (words.size() != 2 || words[0] != "done") {
        return std::nullopt;
    }
    for (const OutcomeName& entry : kOutcomeNames) {
        if (words[1] == entry.name) {
            return entry.outcome;
        }
    }
    return std::nullopt;
}

JobOutcome WorseOutcome(JobOutcome a, JobOutcome b) {
    return Named(a).severity >= Named(b).severity ? a : b;
}

}  // namespace vantora
