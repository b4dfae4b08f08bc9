#pragma once

#include <string>

#include "db/profile_database.h"
#include "platform/host_actions.h"

namespace vantora {

// What a press of a key with a host-side function (Application, Website,
// Send Text) asks the computer to do.
struct HostAction {
    enum class Kind {
        kNothing,         // id 0, no row, another type, or an empty path / address / text
        kStartProgram,    // value: the program's path
        kOpenWebAddress,  // value: the address to open (http, https or mailto)
        kSendText,        // value: the text to type
        kRefused,         // a Website row whose address is not a web address; value: the stored text
    };
    Kind kind = Kind::kNothing;
    std::string value;
    std::string reason;  // kRefused: why

    friend bool operator==(const HostAction&, const HostAction&) = default;
};

// The action of the host-side function row `id` (t_key_otherdata).
HostAction DecideHostAction(ProfileDatabase& db, int id);

// The address a Website function's typed text opens, read the way a browser's
// address bar reads it: "www." goes before a bare domain, a text without a
// scheme becomes an http address, a host with a port stays a host. Only
// http, https (with a host) and mailto addresses are accepted; a local path
// or any other scheme (file, javascript, ftp, ...) is refused with `reason`.
bool WebAddressUrl(const std::string& typed, std::string& url, std::string& reason);

// Whether `path` names a program a press can start, as the KEY page and the
// command line accept it: an executable regular file, or a regular file whose
// name ends in ".desktop" (any letter case; its entry is read when it starts).
bool IsStartableProgramFile(const std::string& path);

// What RunHostAction did: the action decided and, when one was carried out,
// its result.
struct HostActionOutcome {
    HostAction action;
    HostActionResult result;
};

// Carries out the host-side function `id` through `actions`.
HostActionOutcome RunHostAction(ProfileDatabase& db, int id, HostActions& actions);

}  // namespace vantora
