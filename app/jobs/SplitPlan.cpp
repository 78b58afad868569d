#include "app/jobs/SplitPlan.h"

namespace zendra {

std::int64_t SplitTarget(const TZendra& movie, TSplitMode mode, std::int32_t partCount)
{
    if (mode == TSplitMode::Custom)
        return partCount > 0 ? movie.TotalDataSize() / partCount : movie.TotalDataSize();
    return movie.TargetPartSize(SplitModeNumber(mode));
}

bool PlanSplit(const TZendra& movie, const TSplitRequest& request, std::vector<std::int32_t>& starts)
{
    if (request.Mode == TSplitMode::BySize)
        return movie.PlanPartsBySize(starts, request.MaxSize);
    std::vector<std::int64_t> accumulators;
    return movie.PlanParts(starts, accumulators, SplitTarget(movie, request.Mode, request.Parts));
}

std::string NotCompressedText(const std::string& movieFile)
{
    return "Video part in " + movieFile + " is not compressed and can not be processed";
}

}  // namespace zendra
