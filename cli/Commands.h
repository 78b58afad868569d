// The sub-commands of zendra-cli. Each returns the process exit status:
// 0 success, 1 the job failed or was refused, 2 usage error.
#pragma once

#include <string>
#include <vector>

namespace zendra::cli {

using TArgs = std::vector<std::string>;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int RunInfo(const TArgs& args);
int RunSplit(const TArgs& args);
int RunJoin(const TArgs& args);
int RunClip(const TArgs& args);
int RunCompare(const TArgs& args);
int RunVerify(const TArgs& args);

// Prints "zendra-cli: " + text to stderr and returns kExitUsage.
int UsageError(const std::string& text);

}  // namespace zendra::cli
