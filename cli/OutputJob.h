// The end every command with one output shares: the overwrite question, progress on the
// terminal, the job's hooks, and the output's name on stdout once it is written.
#pragma once

#include <functional>
#include <string>

#include "app/jobs/JobCore.h"
#include "cli/Commands.h"

namespace zendra::cli {

using TOutputJob = std::function<bool(const TJobHooks& hooks)>;

int RunOutputJob(const std::string& output, const TArgs& args, const TOutputJob& job);

}  // namespace zendra::cli
