#pragma once

#include <map>
#include <string>
#include <vector>

namespace vantora::test {

struct ProcessResult {
    int exitCode = -1;  // -1: did not end normally (signal, time-out)
    std::string out;
    std::string err;
};

// Runs `program` with `args`, this process's environment with `environment`
// laid over it, no standard input; waits up to `timeoutMs` (then kills it).
ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::map<std::string, std::string>& environment = {}, int timeoutMs = 60000);

}  // namespace vantora::test
