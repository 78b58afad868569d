#include "app/jobs/ProgressText.h"

#include "common/TextHelpers.h"

namespace zendra {

namespace {

std::string Count(int n, const char* unit)
{
    return std::to_string(n) + " " + unit + (n > 1 ? "s" : "");
}

}  // namespace

TJobProgress WholeJobProgress(TJobKind kind, std::int32_t done, std::int32_t total, std::int32_t base,
                              std::int32_t maximum)
{
    switch (kind) {
    case TJobKind::Split: return {done + base, maximum};
    case TJobKind::Join: return {done + base, total};
    case TJobKind::Clip: break;
    }
    return {done, total};
}

std::string TimeLeftText(double days)
{
    const TTimeOfDay t = DayFractionToTime(days);
    std::string text;
    if (t.hours > 0) {
        text = Count(t.hours, "hour") + " ";
        if (t.minutes > 0)
            text += Count(t.minutes, "minute");
    } else {
        text = Count(t.minutes, "minute") + " ";
        if (t.seconds > 0)
            text += Count(t.seconds, "second");
    }
    return text + ".";
}

std::optional<std::string> EstimateText(std::int32_t done, std::int32_t total, double elapsedDays)
{
    if (done == 0 || !(total / done < 20 || elapsedDays > 0.0001))
        return std::nullopt;
    const double left = elapsedDays / done * (static_cast<double>(total) - done);
    return "Estimated time left: " + TimeLeftText(left);
}

}  // namespace zendra
