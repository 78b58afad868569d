#include "viewer/FrameList.h"

#include <cstdio>

#include "common/TextHelpers.h"

namespace zendra {

// High and low 16-bit words; past 4 GiB the high part grows a digit rather than wrapping.
std::string OffsetText(std::uint64_t position)
{
    char text[24];
    std::snprintf(text, sizeof text, "%04llX:%04X", static_cast<unsigned long long>(position >> 16),
                  static_cast<unsigned>(position & 0xFFFF));
    return text;
}

std::uint64_t ChunkPosition(const IndexEntry& entry, bool relativeIndex, std::uint32_t movieDataPosition)
{
    return relativeIndex ? entry.Offset + movieDataPosition : entry.Offset;
}

std::string FrameLineText(const IndexEntry& entry, std::int32_t number, bool video, std::uint64_t chunkPosition)
{
    std::string flag;
    if (video && HasKeyFlag(entry)) {
        flag = "Key";
    } else {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(entry.Flags));
        flag = hex;
    }
    return FitText(video ? "V" : "A", 5, false) + IntToZeroPadded(number, 8) + "  " + FitText(flag, 8, false) +
           FitText(OffsetText(chunkPosition), 12, false) + FitText(std::to_string(entry.Length), 8, true);
}

bool FrameLineWanted(int frameMode, const IndexEntry& entry)
{
    if (IsVideoLine(entry))
        return frameMode == fmVideoAndAudio || frameMode == fmVideoOnly ||
               (frameMode == fmVideoKeyOnly && HasKeyFlag(entry));
    if (IsAudioLine(entry))
        return frameMode == fmVideoAndAudio || frameMode == fmAudioOnly;
    return false;
}

}  // namespace zendra
