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

// The writers refuse files of 2 GiB or more, so no plan may ask for one.
constexpr std::uint64_t kLargestWritable = (std::uint64_t{1} << 31) - 1;

}  // namespace

std::uint64_t TZendra::PartFileSize(std::int32_t start, std::int32_t end, bool withPartRecord) const
{
    if (!HeaderList || !MovieList || !IndexChunk)
        return 0;
    const auto count = static_cast<std::int32_t>(Index.size());
    if (end < 0 || end >= count)
        end = count - 1;
    // The same sum SaveToFile predicts before it writes.
    std::uint64_t size = FixedOutputSize();
    if (withPartRecord)
        size += 8 + TPartRecord::kSize;
    if (start > 0)
        for (std::int32_t i = 0; i < count && !IsVideoEntry(Index[static_cast<std::size_t>(i)]); ++i)
            size += EntryCost(Index[static_cast<std::size_t>(i)]);
    for (std::int32_t i = std::max(start, 0); i <= end; ++i)
        size += EntryCost(Index[static_cast<std::size_t>(i)]);
    return size;
}

bool TZendra::PlanPartsBySize(std::vector<std::int32_t>& plan, std::uint64_t maxFileSize) const
{
    plan.clear();
    std::vector<std::int32_t> starts;  // handed over only when the whole movie fits
    const auto count = static_cast<std::int32_t>(Index.size());
    std::vector<std::int32_t> keys;
    for (std::int32_t i = 0; i < count; ++i)
        if (IsKeyEntry(Index[static_cast<std::size_t>(i)]))
            keys.push_back(i);
    if (keys.empty() || !HeaderList || !MovieList || !IndexChunk)
        return false;
    const std::uint64_t limit = std::min(maxFileSize, kLargestWritable);

    // Part 1 holds everything before the first key entry; later parts repeat the lead entries.
    const std::uint64_t fixed = PartFileSize(0, 0, true) - EntryCost(Index[0]);
    std::uint64_t firstOverhead = fixed;
    for (std::int32_t i = 0; i < keys[0]; ++i)
        firstOverhead += EntryCost(Index[static_cast<std::size_t>(i)]);
    std::uint64_t laterOverhead = fixed;
    for (std::int32_t i = 0; i < count && !IsVideoEntry(Index[static_cast<std::size_t>(i)]); ++i)
        laterOverhead += EntryCost(Index[static_cast<std::size_t>(i)]);
    const auto groupCost = [&](std::size_t g) {
        const std::int32_t to = g + 1 < keys.size() ? keys[g + 1] : count;
        std::uint64_t cost = 0;
        for (std::int32_t i = keys[g]; i < to; ++i)
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
    std::uint64_t size = firstOverhead + groupCost(0);
    if (size > limit)
        refuse(0, size);
    starts.push_back(keys[0]);
    for (std::size_t g = 1; g < keys.size(); ++g) {
        const std::uint64_t cost = groupCost(g);
        if (size + cost <= limit) {
            size += cost;
            continue;
        }
        size = laterOverhead + cost;
        if (size > limit)
            refuse(g, size);
        starts.push_back(keys[g]);
    }
    plan = std::move(starts);
    return true;
}

}  // namespace zendra
