// The plan a split mode makes: where each part of a split begins.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/jobs/SplitMode.h"
#include "engine/Zendra.h"

namespace zendra {

// What a split is asked for: a mode, and the part count or size limit the mode takes.
struct TSplitRequest {
    TSplitMode Mode = TSplitMode::Optimal;
    std::int32_t Parts = 0;      // Custom: how many parts
    std::uint64_t MaxSize = 0;   // BySize: the largest part file, in bytes
};

// Target part size of a mode that plans by size target (all but BySize).
std::int64_t SplitTarget(const TZendra& movie, TSplitMode mode, std::int32_t partCount);

// The part starts of the request; false for a movie without key entries.
bool PlanSplit(const TZendra& movie, const TSplitRequest& request, std::vector<std::int32_t>& starts);

// The refusal of a movie whose video can not be cut at key frames.
std::string NotCompressedText(const std::string& movieFile);

}  // namespace zendra
