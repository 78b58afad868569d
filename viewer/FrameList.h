// The fixed-width lines of the viewer's frame list (also printed by zendra-cli info --index).
#pragma once

#include <cstdint>
#include <string>

#include "viewer/EntryList.h"

namespace zendra {

// Frame modes of the frame-mode box.
enum TFrameMode : int {
    fmVideoAndAudio = 0,
    fmAudioOnly = 1,
    fmVideoOnly = 2,
    fmVideoKeyOnly = 3,
};

// "0001:2A3C": upper and lower 16 bits in hexadecimal.
std::string OffsetText(std::uint32_t position);
// File position of the chunk's id: the entry's offset, counted from movi when the index is relative.
std::uint32_t ChunkPosition(const TIndexBlock& entry, bool relativeIndex, std::uint32_t movieDataPosition);
// number counts the entries of the same kind (video or audio) before this one.
std::string FrameLineText(const TIndexBlock& entry, std::int32_t number, bool video, std::uint32_t chunkPosition);
bool FrameLineWanted(int frameMode, const TIndexBlock& entry);

}  // namespace zendra
