// Where a cut part's sound starts against its picture, and stream traits that many
// players handle badly after a cut. Worked out from the index and the stream formats.
#pragma once

#include <cstdint>

#include "engine/Zendra.h"

namespace zendra {

struct TPartSync {
    std::int32_t FirstFrame = 0;  // numbers of the part's video frames in the movie, from 1
    std::int32_t LastFrame = 0;
    bool HasAudio = false;        // the part has audio chunks and their timing is known
    // Where the source places the part's first audio sample, minus where the part plays it,
    // both from the part's first video frame: positive when the sound comes early.
    double OffsetSeconds = 0;
    double ChunkSeconds = 0;      // playing time of the part's first audio chunk
    bool OffByMoreThanAChunk = false;
};

// One chunk per compressed frame of a fixed playing time (VBR MP3, dwSampleSize 0).
bool IsVbrAudio(const TZendra& movie);
bool IsVbrMp3(const TZendra& movie);

// The part SaveToFile writes for index positions start to end (-1: the end) of movie.
TPartSync PartSync(const TZendra& movie, std::int32_t start, std::int32_t end);

// The index range of source that the part file was cut from, found by its own entries
// (those after its lead entries); false when source does not hold them at a key entry.
bool LocatePartInSource(const TZendra& part, const TZendra& source, std::int32_t& start, std::int32_t& end);

// MPEG-4 Part 2 video with a B-frame packed into the chunk of the frame before it: two
// VOP start codes in one chunk, or DivX user data that ends in 'p'. Reads up to
// chunkLimit video chunks from the file.
bool HasPackedBitstream(const TZendra& movie, std::int32_t chunkLimit = 500);

}  // namespace zendra
