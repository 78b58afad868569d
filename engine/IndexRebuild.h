// Builds the index of a movie whose idx1 is missing or cut short from the chunks of its
// movi list, with key frames told from the video data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/AviRecords.h"
#include "engine/CodecTraits.h"
#include "platform/BinaryFile.h"

namespace zendra {

class TChunk;
class TZendra;

// What opening does with a movie that has no usable index.
enum class TIndexRebuild {
    Refuse,   // raises, as for any unreadable movie
    Ask,      // asks the user first
    Rebuild,  // builds it without asking
};

struct TMovieWalk {
    std::vector<IndexEntry> Entries;  // offsets count from the movi list's type field
    bool CutOff = false;              // the list ends before its declared size, maybe mid-chunk
};

// Every complete chunk of a stream in the movi list, "rec " lists walked into.
TMovieWalk WalkMovieList(TBinaryFile& file, const TChunk& movieList, int streams);

// The data of a video chunk starts a key frame.
bool IsMpeg4KeyFrame(const std::uint8_t* data, std::size_t size);
bool IsH264KeyFrame(const std::uint8_t* data, std::size_t size);
bool IsLengthPrefixedH264KeyFrame(const std::uint8_t* data, std::size_t size);

// Sets the flags writers give: key on every non-video entry, on video entries where the
// data says so. base is added to an entry's offset to get its file position.
void MarkRebuiltKeyFrames(TBinaryFile& file, std::int64_t base, TKeyFrameCoding coding,
                          std::vector<IndexEntry>& entries);

std::string RebuildQuestion(const std::string& movieName);
// The one line that tells a rebuilt index: entries, key frames, and a cut-off end.
std::string RebuiltIndexLine(const TZendra& movie);

}  // namespace zendra
