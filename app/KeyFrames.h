// Where a movie's key frames stand, how long it is and where a clip really starts, from
// the engine's index; frames count from 1 as the engine counts them.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/Zendra.h"
#include "platform/MoviePlayer.h"

namespace zendra {

// The index's video entries, and their seconds at the header's rate (0 without a rate).
TMovieLength IndexLength(const TZendra& movie);

// Numbers of the key frames, in order.
std::vector<std::int32_t> KeyFrameNumbers(const TZendra& movie);

// What the clip job will write for the marks startFrame and endFrame (0: the beginning).
struct TClipFacts {
    std::int32_t KeyFrame = 0;        // the frame the clip really starts with
    std::int32_t FramesBeforeMark = 0;  // how much earlier than the start mark that is
    std::int32_t Frames = 0;          // video frames in the clip
    std::int64_t Bytes = 0;           // size of the clip file
};
TClipFacts ClipFacts(const TZendra& movie, std::int32_t startFrame, std::int32_t endFrame);

}  // namespace zendra
