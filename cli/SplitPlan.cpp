#include "cli/SplitPlan.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <iostream>

#include "app/jobs/JobCore.h"
#include "cli/CliArgs.h"

namespace zendra::cli {

namespace {

// The modes' names on the command line, in the modes' order.
std::optional<TSplitMode> ParseMode(const std::string& text)
{
    const char* names[kSplitModeCount] = {"optimal", "median", "smallest", "custom", "size"};
    for (std::int32_t mode = 0; mode < kSplitModeCount; ++mode)
        if (text == names[mode])
            return static_cast<TSplitMode>(mode);
    return std::nullopt;
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
        const auto mode = ParseMode(args[++i]);
        if (!mode)
            status = UsageError(command + ": unknown mode '" + args[i] + "'");
        else
            o.Mode = *mode;
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
        o.Mode = TSplitMode::BySize;
    else if (o.Parts > 0)
        o.Mode = TSplitMode::Custom;
    if (o.Mode == TSplitMode::BySize && o.MaxSize == 0)
        return UsageError(command + ": size mode needs --max-size SIZE");
    if (o.Mode == TSplitMode::Custom && o.Parts < 2)
        return UsageError(command + ": custom mode needs -n with 2 parts or more");
    return std::nullopt;
}

bool PlanOrSay(const TZendra& movie, const TPlanOptions& o, std::vector<std::int32_t>& starts)
{
    if (PlanSplit(movie, o, starts))
        return true;
    std::cerr << movie.MovieFile << " has no key frame to split at." << std::endl;
    return false;
}

std::vector<std::string> PartSyncLines(const TZendra& movie, const std::vector<std::int32_t>& starts)
{
    std::vector<std::string> lines;
    for (std::size_t r = 1; r <= starts.size(); ++r) {
        const auto [start, end] = PartRange(starts, r);
        lines.push_back(PartSyncLine(r, PartSync(movie, start, end)));
    }
    return lines;
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
