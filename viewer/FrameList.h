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

// The viewer tells an entry's kind by the third character of its id alone: "00dc" video,
// "01wb" audio.
inline bool IsVideoLine(const IndexEntry& entry) { return StreamKindChar(entry.ChunkId) == 'd'; }
inline bool IsAudioLine(const IndexEntry& entry) { return StreamKindChar(entry.ChunkId) == 'w'; }

// "0001:2A3C": upper and lower 16 bits in hexadecimal.
std::string OffsetText(std::uint64_t position);
// File position of the chunk's id: the entry's offset, counted from movi when the index is relative.
std::uint64_t ChunkPosition(const IndexEntry& entry, bool relativeIndex, std::uint32_t movieDataPosition);
// number counts the entries of the same kind (video or audio) before this one.
std::string FrameLineText(const IndexEntry& entry, std::int32_t number, bool video, std::uint64_t chunkPosition);
bool FrameLineWanted(int frameMode, const IndexEntry& entry);

}  // namespace zendra
