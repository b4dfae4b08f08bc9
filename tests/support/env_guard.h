#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vantora::test {

// Sets or unsets environment variables for the length of a test and restores
// their previous values afterwards.
class EnvGuard {
public:
    EnvGuard() = default;
    ~EnvGuard();
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;

    void Set(const std::string& name, const std::string& value);
    void Unset(const std::string& name);

private:
    void Remember(const std::string& name);
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace vantora::test
