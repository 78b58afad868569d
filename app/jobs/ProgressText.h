// The time-left estimate of the Working page.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zendra {

// "2 hours 5 minutes.", "0 minute 45 seconds.", "3 minutes ." for a span in days.
std::string TimeLeftText(double days);

// The label text after a progress report, or nothing when the label keeps its text:
// no estimate in the first twentieth of the work before 8.64 seconds have passed.
// elapsedDays comes from a steady clock, so a job across midnight still estimates.
std::optional<std::string> EstimateText(std::int32_t done, std::int32_t total, double elapsedDays);

}  // namespace zendra
