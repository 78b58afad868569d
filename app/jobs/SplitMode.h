// The split modes, numbered as the split tab's list orders them.
#pragma once

#include <cstdint>

namespace zendra {

// Project files store the number, and the engine's PartCount and TargetPartSize take it for
// the first three.
enum class TSplitMode : std::int32_t { Optimal = 0, Median = 1, Smallest = 2, Custom = 3, BySize = 4 };
constexpr std::int32_t kSplitModeCount = 5;

constexpr std::int32_t SplitModeNumber(TSplitMode mode)
{
    return static_cast<std::int32_t>(mode);
}

}  // namespace zendra
