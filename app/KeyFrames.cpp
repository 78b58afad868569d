#include "app/KeyFrames.h"

#include <algorithm>

#include "app/jobs/JobCore.h"

namespace zendra {

namespace {

std::int64_t ChunkBytes(std::uint32_t size)
{
    return 8 + std::int64_t{size} + (size & 1);
}

// The clip file around its chunks: RIFF and list headers, the header list and any other
// top-level chunk the writer copies.
std::int64_t FixedClipBytes(const TZendra& movie)
{
    std::int64_t bytes = 12 + 12 + 8;
    for (int i = 0; i < movie.ChildCount(); ++i) {
        const TChunk* chunk = movie.Child(i);
        if (chunk != movie.MovieList && chunk != movie.IndexChunk)
            bytes += ChunkBytes(chunk->Size);
    }
    return bytes;
}

}  // namespace

TMovieLength IndexLength(const TZendra& movie)
{
    TMovieLength length;
    length.Frames = movie.VideoFrameCount();
    if (movie.FrameRate > 0)
        length.Seconds = static_cast<double>(length.Frames / movie.FrameRate);
    return length;
}

std::vector<std::int32_t> KeyFrameNumbers(const TZendra& movie)
{
    std::vector<std::int32_t> keys;
    std::int32_t frame = 0;
    for (const IndexEntry& entry : movie.Index) {
        if (!IsVideoEntry(entry))
            continue;
        ++frame;
        if (IsKeyEntry(entry))
            keys.push_back(frame);
    }
    return keys;
}

TClipFacts ClipFacts(const TZendra& movie, std::int32_t startFrame, std::int32_t endFrame)
{
    TClipFacts facts;
    const auto [first, last] = ClipRange(movie, startFrame, endFrame);
    if (first < 0 || last < first)
        return facts;
    facts.KeyFrame = movie.CountVideoFrames(0, first - 1) + 1;
    facts.FramesBeforeMark = std::max(startFrame - facts.KeyFrame, 0);
    facts.Frames = movie.CountVideoFrames(first, last);
    facts.Bytes = FixedClipBytes(movie);
    const std::int32_t end = std::min<std::int32_t>(last, static_cast<std::int32_t>(movie.Index.size()) - 1);
    for (std::int32_t i = first; i <= end; ++i)
        facts.Bytes += ChunkBytes(movie.Index[static_cast<std::size_t>(i)].Length) + 16;
    return facts;
}

}  // namespace zendra
