// Split by size: part starts chosen so that every part file stays within a byte limit.
#include <algorithm>
#include <utility>

#include "engine/OutputFile.h"
#include "engine/Zendra.h"

namespace zendra {

namespace {

// What one index entry adds to an output file: its chunk in movi and its idx1 entry.
std::uint64_t EntryCost(const IndexEntry& e)
{
    return ChunkSpan(e) + IndexEntry::kSize;
}

}  // namespace

std::uint64_t TZendra::PartFileSize(std::int32_t start, std::int32_t end, bool withPartRecord) const
{
    if (!HeaderList || !MovieList || !IndexChunk)
        return 0;
    const auto count = static_cast<std::int32_t>(Index.size());
    if (end < 0 || end >= count)
        end = count - 1;
    // The layout SaveToFile plans before it writes.
    return PlanOutput(SegmentRuns(start, end, LeadCount(start)), withPartRecord).Size;
}

namespace {

// A part's file size from its AVI 1.0 size (flat) and entry count, never below the size
// written: past the RIFF limit a part is OpenDML, which adds a standard index entry per
// chunk, the header list's super indexes and, per RIFF, its headers and index heads.
class TPartSizeBound {
public:
    TPartSizeBound(std::uint64_t riffLimit, std::uint64_t largestSpan, std::uint64_t listGrowth, std::size_t streams)
        : FLimit(riffLimit), FLargest(largestSpan), FGrowth(listGrowth), FPerRiff(24 + 32 * std::uint64_t{streams})
    {
    }
    std::uint64_t operator()(std::uint64_t flat, std::uint64_t entries) const
    {
        if (flat <= FLimit)
            return flat;
        std::uint64_t riffs = entries;
        if (FLimit > FLargest)
            riffs = std::min(riffs, flat / (FLimit - FLargest) + 1);
        return flat + FGrowth + 8 * entries + riffs * FPerRiff;
    }

private:
    std::uint64_t FLimit, FLargest, FGrowth, FPerRiff;
};

}  // namespace

bool TZendra::PlanPartsBySize(std::vector<std::int32_t>& plan, std::uint64_t maxFileSize) const
{
    plan.clear();
    std::vector<std::int32_t> starts;  // handed over only when the whole movie fits
    const auto count = static_cast<std::int32_t>(Index.size());
    std::vector<std::int32_t> keys;
    std::uint64_t largest = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        const IndexEntry& e = Index[static_cast<std::size_t>(i)];
        largest = std::max(largest, ChunkSpan(e));
        if (IsKeyEntry(e))
            keys.push_back(i);
    }
    if (keys.empty() || !HeaderList || !MovieList || !IndexChunk)
        return false;
    const std::uint64_t limit = maxFileSize;
    TOpenDmlSlots slots;
    const std::uint64_t growth = MakeOpenDmlHeaderList(PatchedHeaderList(0), 0, kSuperIndexRoom, slots).size() -
                                 (8 + std::uint64_t{HeaderList->Size} + (HeaderList->Size & 1));
    const TPartSizeBound bound(RiffLimit, largest, growth, slots.Streams.size());

    // Part 1 holds everything before the first key entry; later parts repeat the lead entries.
    const std::uint64_t fixed = FixedOutputSize() + 8 + TPartRecord::kSize;
    std::uint64_t firstOverhead = fixed;
    for (std::int32_t i = 0; i < keys[0]; ++i)
        firstOverhead += EntryCost(Index[static_cast<std::size_t>(i)]);
    std::uint64_t laterOverhead = fixed;
    std::uint64_t laterEntries = 0;
    for (std::int32_t i = 0; i < count && !IsVideoEntry(Index[static_cast<std::size_t>(i)]); ++i, ++laterEntries)
        laterOverhead += EntryCost(Index[static_cast<std::size_t>(i)]);
    const auto groupEnd = [&](std::size_t g) { return g + 1 < keys.size() ? keys[g + 1] : count; };
    const auto groupCost = [&](std::size_t g) {
        std::uint64_t cost = 0;
        for (std::int32_t i = keys[g]; i < groupEnd(g); ++i)
            cost += EntryCost(Index[static_cast<std::size_t>(i)]);
        return cost;
    };
    const auto refuse = [&](std::size_t g, std::uint64_t alone) {
        const std::int32_t frame = CountVideoFrames(0, keys[g]);
        throw EZendraError("Can not split into parts of at most " + std::to_string(limit) +
                           " bytes: the key-frame group at frame " + std::to_string(frame) + " alone makes a part of " +
                           std::to_string(alone) + " bytes.");
    };

    // Greedy: a part takes groups while its file stays within the limit, which gives the
    // fewest parts, since every group costs the same wherever it goes.
    std::uint64_t flat = firstOverhead + groupCost(0);
    std::uint64_t entries = static_cast<std::uint64_t>(groupEnd(0));
    if (bound(flat, entries) > limit)
        refuse(0, bound(flat, entries));
    starts.push_back(keys[0]);
    for (std::size_t g = 1; g < keys.size(); ++g) {
        const std::uint64_t cost = groupCost(g);
        const auto groupEntries = static_cast<std::uint64_t>(groupEnd(g) - keys[g]);
        if (bound(flat + cost, entries + groupEntries) <= limit) {
            flat += cost;
            entries += groupEntries;
            continue;
        }
        flat = laterOverhead + cost;
        entries = laterEntries + groupEntries;
        if (bound(flat, entries) > limit)
            refuse(g, bound(flat, entries));
        starts.push_back(keys[g]);
    }
    plan = std::move(starts);
    return true;
}

}  // namespace zendra
