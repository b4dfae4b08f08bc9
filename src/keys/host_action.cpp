#include "keys/host_action.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>

#include "keys/function_catalogue.h"
#include "keys/key_assignment_editor.h"

namespace vantora {
namespace {

constexpr const char* kBlanks = " \t\r\n";

std::string Trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

bool IsDigits(const std::string& text) {
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

// A leading "name:" with name = letter (letter | digit | '+' | '-' | '.')*,
// unless what follows the colon is a port ("example.org:8080/x"): then the
// name is a host. True with the name and the text after the colon.
bool SplitScheme(const std::string& address, std::string& scheme, std::string& rest) {
    if (address.empty() || !std::isalpha(static_cast<unsigned char>(address[0]))) {
        return false;
    }
    std::size_t end = 1;
    while (end < address.size() && (std::isalnum(static_cast<unsigned char>(address[end])) ||
                                    address[end] == '+' || address[end] == '-' || address[end] == '.')) {
        ++end;
    }
    if (end >= address.size() || address[end] != ':') {
        return false;
    }
    const std::string after = address.substr(end + 1);
    const std::string port = after.substr(0, after.find_first_of("/?#"));
    if (!port.empty() && IsDigits(port)) {
        return false;
    }
    scheme = Lower(address.substr(0, end));
    rest = after;
    return true;
}

bool IsHostCharacter(unsigned char c) {
    return std::isalnum(c) || c == '-' || c == '.' || c == '_' || c >= 0x80;
}

// The authority of an http address: [user@]host[:port], host a name or a
// bracketed IPv6 address.
bool ValidAuthority(const std::string& authority) {
    const std::size_t at = authority.rfind('@');
    const std::string hostPort = at == std::string::npos ? authority : authority.substr(at + 1);
    std::string host;
    std::string port;
    if (!hostPort.empty() && hostPort[0] == '[') {
        const std::size_t close = hostPort.find(']');
        if (close == std::string::npos || close == 1) {
            return false;
        }
        for (char c : hostPort.substr(1, close - 1)) {
            if (!std::isxdigit(static_cast<unsigned char>(c)) && c != ':' && c != '.') {
                return false;
            }
        }
        host = hostPort.substr(0, close + 1);
        const std::string after = hostPort.substr(close + 1);
        if (!after.empty() && after[0] != ':') {
            return false;
        }
        port = after.empty() ? std::string() : after.substr(1);
    } else {
        const std::size_t colon = hostPort.rfind(':');
        host = hostPort.substr(0, colon);
        port = colon == std::string::npos ? std::string() : hostPort.substr(colon + 1);
        for (char c : host) {
            if (!IsHostCharacter(static_cast<unsigned char>(c))) {
                return false;
            }
        }
    }
    if (host.empty() || !IsDigits(port) || port.size() > 5 || (!port.empty() && std::stoi(port) > 65535)) {
        return false;
    }
    return true;
}

std::string EncodeSpaces(const std::string& text) {
    std::string encoded;
    for (char c : text) {
        if (c == ' ') {
            encoded += "%20";
        } else {
            encoded += c;
        }
    }
    return encoded;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// %XX sequences decoded once, as a mail program reads a parameter name.
std::string PercentDecoded(const std::string& text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            decoded += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

// The mail address and its parameters without "attach" and "attachment"
// (any letter case, encoded or not): a key must not send a local file away.
std::string WithoutAttachments(const std::string& mail) {
    const std::size_t question = mail.find('?');
    if (question == std::string::npos) {
        return mail;
    }
    std::string kept;
    std::size_t start = question + 1;
    while (start <= mail.size()) {
        const std::size_t end = std::min(mail.find('&', start), mail.size());
        const std::string parameter = mail.substr(start, end - start);
        const std::string name = Lower(Trim(PercentDecoded(parameter.substr(0, parameter.find('=')))));
        if (!parameter.empty() && name != "attach" && name != "attachment") {
            kept += (kept.empty() ? "" : "&") + parameter;
        }
        start = end + 1;
    }
    return mail.substr(0, question) + (kept.empty() ? "" : "?" + kept);
}

}  // namespace

bool IsStartableProgramFile(const std::string& path) {
    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    return Lower(path).ends_with(".desktop") || access(path.c_str(), X_OK) == 0;
}

bool WebAddressUrl(const std::string& typed, std::string& url, std::string& reason) {
    url.clear();
    reason.clear();
    const std::string text = Trim(typed);
    if (text.empty()) {
        reason = "the address is empty";
        return false;
    }
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            reason = "the address holds control characters";
            return false;
        }
    }
    if (text[0] == '/' || text[0] == '~' || text[0] == '.' || text[0] == '\\') {
        reason = "a local path is not a web address";
        return false;
    }
    const std::string address = WebAddressToOpen(text);
    std::string scheme;
    std::string rest;
    if (!SplitScheme(address, scheme, rest)) {
        scheme = "http";
        rest = "//" + address;
    }
    if (scheme == "mailto") {
        const std::string mail = WithoutAttachments(rest);
        if (mail.empty()) {
            reason = "the mail address is empty";
            return false;
        }
        url = "mailto:" + EncodeSpaces(mail);
        return true;
    }
    if (scheme != "http" && scheme != "https") {
        reason = "only http, https and mailto addresses are opened, not " + scheme + ":";
        return false;
    }
    if (!rest.starts_with("//")) {
        reason = "the address has no host";
        return false;
    }
    const std::size_t pathStart = rest.find_first_of("/?#", 2);
    if (!ValidAuthority(rest.substr(2, pathStart == std::string::npos ? std::string::npos : pathStart - 2))) {
        reason = "the address has no valid host";
        return false;
    }
    url = scheme + ":" + EncodeSpaces(rest);
    return true;
}

HostAction DecideHostAction(ProfileDatabase& db, int id) {
    HostAction action;
    if (id <= 0) {
        return action;
    }
    std::string desc;
    std::string param;
    int type = 0;
    if (!db.GetOtherData(id, desc, param, type)) {
        return action;
    }
    switch (type) {
        case kFunctionApplication:
            if (!param.empty()) {
                action.kind = HostAction::Kind::kStartProgram;
                action.value = param;
            }
            break;
        case kFunctionWebsite: {
            if (Trim(desc).empty()) {
                break;
            }
            std::string url;
            std::string reason;
            if (WebAddressUrl(desc, url, reason)) {
                action.kind = HostAction::Kind::kOpenWebAddress;
                action.value = url;
            } else {
                action.kind = HostAction::Kind::kRefused;
                action.value = desc;
                action.reason = reason;
            }
            break;
        }
        case kFunctionSendText:
            if (!desc.empty()) {
                action.kind = HostAction::Kind::kSendText;
                action.value = desc;
            }
            break;
        default:
            break;
    }
    return action;
}

HostActionOutcome RunHostAction(ProfileDatabase& db, int id, HostActions& actions) {
    HostActionOutcome outcome;
    outcome.action = DecideHostAction(db, id);
    const HostAction& action = outcome.action;
    switch (action.kind) {
        case HostAction::Kind::kStartProgram:
            outcome.result = actions.StartProgram(action.value);
            break;
        case HostAction::Kind::kOpenWebAddress:
            outcome.result = actions.OpenWebAddress(action.value);
            break;
        case HostAction::Kind::kSendText:
            outcome.result = actions.SendText(action.value);
            break;
        case HostAction::Kind::kRefused:
            outcome.result = HostActionResult::Failed("refused \"" + action.value + "\": " + action.reason);
            break;
        case HostAction::Kind::kNothing:
            break;
    }
    return outcome;
}

}  // namespace vantora
