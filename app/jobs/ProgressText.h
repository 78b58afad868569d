// Whole-job progress and the time-left estimate of a running job.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zendra {

enum class TJobKind { Split, Join, Clip };

struct TJobProgress {
    std::int32_t Done = 0;
    std::int32_t Total = 0;
};

// The whole job's progress after the engine reported done of total for the file it writes.
// A split counts index positions of the whole movie (maximum), each part from its start
// (base); a join counts the join's own total from the base; a clip is one file.
TJobProgress WholeJobProgress(TJobKind kind, std::int32_t done, std::int32_t total, std::int32_t base,
                              std::int32_t maximum);

// "2 hours 5 minutes.", "0 minute 45 seconds.", "3 minutes ." for a span in days.
std::string TimeLeftText(double days);

// The label text after a progress report, or nothing when the label keeps its text:
// no estimate in the first twentieth of the work before 8.64 seconds have passed.
// elapsedDays comes from a steady clock, so a job across midnight still estimates.
std::optional<std::string> EstimateText(std::int32_t done, std::int32_t total, double elapsedDays);

}  // namespace zendra
