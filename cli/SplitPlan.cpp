#include "cli/SplitPlan.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "app/jobs/JobCore.h"
#include "cli/CliArgs.h"

namespace zendra::cli {

namespace {

int ParseMode(const std::string& text)
{
    const char* names[] = {"optimal", "median", "smallest", "custom", "size"};
    for (int mode = 0; mode < 5; ++mode)
        if (text == names[mode])
            return mode;
    return -1;
}

std::string Milliseconds(double seconds, bool sign)
{
    char text[32];
    std::snprintf(text, sizeof text, sign ? "%+.1f ms" : "%.1f ms", seconds * 1000);
    return text;
}

}  // namespace

std::optional<std::uint64_t> ParseByteSize(const std::string& text)
{
    std::size_t digits = 0;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits])))
        ++digits;
    if (digits == 0 || digits > 12 || text.size() - digits > 1)
        return std::nullopt;
    std::uint64_t value = std::stoull(text.substr(0, digits));
    if (digits < text.size()) {
        const char unit = static_cast<char>(std::toupper(static_cast<unsigned char>(text.back())));
        const int shift = unit == 'K' ? 10 : unit == 'M' ? 20 : unit == 'G' ? 30 : -1;
        if (shift < 0 || value > (~std::uint64_t{0} >> shift))
            return std::nullopt;
        value <<= shift;
    }
    if (value == 0)
        return std::nullopt;
    return value;
}

bool TakePlanOption(const TArgs& args, std::size_t& i, const std::string& command, TPlanOptions& o,
                    std::optional<int>& status)
{
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if ((a == "-m" || a == "--mode") && hasValue) {
        o.Mode = ParseMode(args[++i]);
        if (o.Mode < 0)
            status = UsageError(command + ": unknown mode '" + args[i] + "'");
    } else if ((a == "-n" || (a == "--parts" && command == "split")) && hasValue) {
        const auto n = ParseFrame(args[++i], 0);
        if (!n || args[i].back() == 's')
            status = UsageError(command + ": -n takes a number of parts");
        else
            o.Parts = *n;
    } else if (a == "--max-size" && hasValue) {
        const auto size = ParseByteSize(args[++i]);
        if (!size)
            status = UsageError(command + ": --max-size takes a size such as 700M, 4G or 1500000, not '" + args[i] + "'");
        else
            o.MaxSize = *size;
    } else {
        return false;
    }
    return true;
}

std::optional<int> CheckPlanOptions(const std::string& command, TPlanOptions& o)
{
    if (o.MaxSize > 0 && o.Parts > 0)
        return UsageError(command + ": give either -n or --max-size");
    if (o.MaxSize > 0)
        o.Mode = kSizeMode;
    else if (o.Parts > 0)
        o.Mode = 3;
    if (o.Mode == kSizeMode && o.MaxSize == 0)
        return UsageError(command + ": size mode needs --max-size SIZE");
    if (o.Mode == 3 && o.Parts < 2)
        return UsageError(command + ": custom mode needs -n with 2 parts or more");
    return std::nullopt;
}

bool PlanSplit(const TZendra& movie, const TPlanOptions& o, std::vector<std::int32_t>& starts)
{
    if (o.Mode == kSizeMode)
        return movie.PlanPartsBySize(starts, o.MaxSize);
    std::vector<std::int32_t> accumulators;
    return movie.PlanParts(starts, accumulators, SplitTarget(movie, o.Mode, o.Parts));
}

std::string PartSyncLine(std::size_t part, const TPartSync& sync)
{
    std::string line = "Part " + std::to_string(part) + ": frames " + std::to_string(sync.FirstFrame) + "-" +
                       std::to_string(sync.LastFrame);
    if (!sync.HasAudio)
        return line + ", no audio";
    line += ", first audio sample " + Milliseconds(sync.OffsetSeconds, true) + " from the first video frame (audio chunk " +
            Milliseconds(sync.ChunkSeconds, false) + ")";
    if (sync.OffByMoreThanAChunk)
        line += "; warning: more than one audio chunk off";
    return line;
}

}  // namespace zendra::cli
