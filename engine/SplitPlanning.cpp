// Key-frame groups and the part plans of the split modes.
#include <limits>

#include "common/TextHelpers.h"
#include "engine/Zendra.h"

namespace zendra {

std::int32_t TZendra::GetNextSize(std::int32_t p) const
{
    const auto count = static_cast<std::int32_t>(Index.size());
    if (p < 0 || p >= count)
        throw EZendraError("GetNextSize started too high = " + std::to_string(p));
    if (!IsKeyEntry(Index[static_cast<std::size_t>(p)]))
        throw EZendraError("GetNextSize not started on a keyframe =" + std::to_string(p));
    std::uint32_t size = Index[static_cast<std::size_t>(p)].Length;
    for (std::int32_t i = p + 1; i < count && !IsKeyEntry(Index[static_cast<std::size_t>(i)]); ++i)
        size += Index[static_cast<std::size_t>(i)].Length;
    // The sum wraps as a signed 32-bit number would.
    const auto signedSize = static_cast<std::int32_t>(size);
    if (signedSize < 0)
        throw EZendraError("GetNextSize Zero size of frame: " + std::to_string(p));
    return signedSize;
}

void TZendra::ListKeyGroups(std::vector<std::int32_t>& positions, std::vector<std::int32_t>& sizes) const
{
    const auto count = static_cast<std::int32_t>(Index.size());
    for (std::int32_t i = 0; i < count; ++i) {
        if (!IsKeyEntry(Index[static_cast<std::size_t>(i)]))
            continue;
        positions.push_back(i);
        sizes.push_back(GetNextSize(i));
    }
}

bool TZendra::PlanParts(std::vector<std::int32_t>& starts, std::vector<std::int64_t>& accumulators,
                        std::int64_t target) const
{
    starts.clear();
    accumulators.clear();
    std::vector<std::int32_t> keys;
    std::vector<std::int32_t> groups;
    ListKeyGroups(keys, groups);
    const auto n = static_cast<std::int32_t>(keys.size());
    if (n == 0)
        return false;
    // The first group enters acc twice while it is below the target: that is how the
    // plans have always come out, and the part counts shown to the user depend on it.
    // 64-bit: the sums of a movie past 2 GiB (a 32-bit sum wrapped, and every group became a part).
    std::int64_t acc = groups[0];
    std::int32_t cur = keys[0];
    std::int32_t prev = -1;
    bool havePrev = false;
    for (std::int32_t i = 0; i < n; ++i) {
        if (acc < target && i < n - 1) {
            acc += groups[static_cast<std::size_t>(i)];
        } else {
            if (!havePrev || cur != prev) {
                starts.push_back(cur);
                accumulators.push_back(acc);
                acc = 0;
                prev = cur;
                havePrev = true;
            }
            cur = keys[static_cast<std::size_t>(i)];
        }
    }
    return true;
}

std::int32_t TZendra::LargestGroupSize() const
{
    std::size_t i = 0;
    while (i < Index.size() && !IsVideoEntry(Index[i]))
        ++i;
    if (i == Index.size())
        return -1;
    if (!IsKeyEntry(Index[i]))
        throw EZendraError("Video frame is not started with key frame");
    std::int32_t best = -1;
    std::uint32_t sum = Index[i].Length;
    for (++i; i < Index.size(); ++i) {
        if (IsKeyEntry(Index[i])) {
            best = std::max(best, static_cast<std::int32_t>(sum));
            sum = Index[i].Length;
        } else {
            sum += Index[i].Length;
        }
    }
    return best;
}

std::int32_t TZendra::MeanGroupSize() const
{
    std::vector<std::int32_t> keys;
    std::vector<std::int32_t> groups;
    ListKeyGroups(keys, groups);
    if (groups.empty())
        return 0;
    std::int64_t total = 0;
    for (std::int32_t g : groups)
        total += g;
    return static_cast<std::int32_t>(total / static_cast<std::int64_t>(groups.size()));
}

std::int32_t TZendra::TargetPartSize(int mode) const
{
    if (!IsCompressed())
        return FrameImageSize();
    switch (mode) {
    case 0: return LargestGroupSize();
    case 1: return MeanGroupSize();
    default: return 0;
    }
}

std::int32_t TZendra::PartCount(int mode) const
{
    if (!IsCompressed())
        return VideoFrameCount();
    std::vector<std::int32_t> starts;
    std::vector<std::int64_t> accumulators;
    if (!PlanParts(starts, accumulators, TargetPartSize(mode)))
        return 0;
    return static_cast<std::int32_t>(starts.size());
}

std::int64_t TZendra::TotalDataSize() const
{
    std::int64_t total = 0;
    for (const IndexEntry& e : Index)
        total += e.Length;
    return total;
}

bool TZendra::IsCompressed() const
{
    if (!VideoStreamHeader)
        return false;
    return FourCCToText(VideoStreamHeader->Header.fccHandler) != "DIB ";
}

std::int32_t TZendra::FrameImageSize() const
{
    return VideoFormat ? static_cast<std::int32_t>(VideoFormat->Format.biSizeImage) : 0;
}

std::int32_t TZendra::VideoFrameCount() const
{
    std::int32_t count = 0;
    for (const IndexEntry& e : Index)
        count += IsVideoEntry(e);
    return count;
}

}  // namespace zendra
