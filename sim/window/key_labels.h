#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>

namespace vantora::sim {

// The texts a key shows for the usages it can send: the layout file's names
// of its keys, then the keyboard's built-in names.
using UsageNames = std::map<int, std::string>;

// What one layer of a key-table slot makes the key do, as a short label:
// `printedName` while the layer holds `factory`, the key's own function on
// the standard layer of the factory table, else the
// function it assigns ("Ctrl+C", "Play/Pause", "Macro 2", "Application 7").
// Function names are in the current user-interface language.
std::string KeyFunctionLabel(std::span<const std::uint8_t, 3> layer, std::span<const std::uint8_t, 3> factory,
                             const std::string& printedName, const UsageNames& names);

}  // namespace vantora::sim
