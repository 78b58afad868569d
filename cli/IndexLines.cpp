// The index listing of 'info --index': the lines of the structure viewer's frame list,
// video and audio entries alike.
#include <iostream>

#include "engine/Zendra.h"
#include "viewer/FrameList.h"

namespace zendra::cli {

void PrintIndexLines(const TZendra& movie)
{
    std::int32_t videoCount = 0;
    std::int32_t audioCount = 0;
    for (const IndexEntry& entry : movie.Index) {
        if (!FrameLineWanted(fmVideoAndAudio, entry))
            continue;
        const bool video = IsVideoLine(entry);
        const std::int32_t number = video ? videoCount++ : audioCount++;
        const auto position = static_cast<std::uint64_t>(movie.ChunkPosition(entry));
        std::cout << FrameLineText(entry, number, video, position) << '\n';
    }
}

}  // namespace zendra::cli
