// Plan options and part reports shared by split and info --parts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/jobs/SplitPlan.h"
#include "cli/Commands.h"
#include "engine/AvSync.h"
#include "engine/Zendra.h"

namespace zendra::cli {

using TPlanOptions = TSplitRequest;

// "1500000", "700M", "4G": bytes, K, M and G counting in powers of 1024.
std::optional<std::uint64_t> ParseByteSize(const std::string& text);

// Takes the plan option at args[i] (and its value, moving i on). Returns false when args[i]
// is no plan option; a malformed one sets status to the usage error's exit status.
bool TakePlanOption(const TArgs& args, std::size_t& i, const std::string& command, TPlanOptions& o,
                    std::optional<int>& status);
// The usage error of a plan that can not be made from the options, if any.
std::optional<int> CheckPlanOptions(const std::string& command, TPlanOptions& o);

// The part starts of the options' plan; false, said on stderr, for a movie without key entries.
bool PlanOrSay(const TZendra& movie, const TPlanOptions& o, std::vector<std::int32_t>& starts);

// The sync line of each part of the plan.
std::vector<std::string> PartSyncLines(const TZendra& movie, const std::vector<std::int32_t>& starts);

// "Part 2: frames 13-24, first audio sample -13.1 ms from the first video frame (audio chunk 26.1 ms)".
std::string PartSyncLine(std::size_t part, const TPartSync& sync);

}  // namespace zendra::cli
