// What an OpenDML movie adds to an AVI 1.0 file: RIFF AVIX chunks after the first RIFF,
// each with a movi list, and per stream a super index (indx) of standard indexes (ix##).
#pragma once

#include <cstdint>
#include <vector>

#include "engine/AviRecords.h"

namespace zendra {

// Positioned reads of the file whose OpenDML part is read: the engine's file and the
// structure viewer's stream each put themselves behind it.
class TByteSource {
public:
    virtual ~TByteSource() = default;
    virtual std::int64_t Size() = 0;
    // True only when all count bytes were read.
    virtual bool ReadAt(std::int64_t position, std::uint8_t* out, std::size_t count) = 0;
};

// The data of one movi list: from its type field to its end.
struct TMovieSpan {
    std::int64_t Begin = 0;
    std::int64_t End = 0;
};

// One RIFF AVIX: where its header stands, its size field, and its movi list (empty where it
// has none).
struct TExtendedRiff {
    std::int64_t Position = 0;
    std::uint32_t Size = 0;
    TMovieSpan Movie;
};

// ix00 and 00ix: the ids of a standard index chunk.
bool IsStandardIndexId(std::uint32_t id);

// The RIFF AVIX chunks that follow one after the other from position on.
std::vector<TExtendedRiff> FindExtendedRiffs(TByteSource& file, std::int64_t position);

struct TOpenDmlIndex {
    // In file order; offsets are file positions of the chunk headers.
    std::vector<IndexEntry> Entries;
    // The dmlh frame count over every RIFF, 0 where the movie has none.
    std::uint32_t TotalFrames = 0;
    // Super indexes found in the header list, whether or not they held entries.
    int SuperIndexes = 0;
};

// Reads the super indexes in the header list (headerList: position and size of the list's
// data) and every standard index they name. Sizes and counts are checked against the
// file before they are trusted; a standard index that does not hold up is passed over.
TOpenDmlIndex ReadOpenDmlIndex(TByteSource& file, std::int64_t headerList, std::uint32_t headerListSize);

}  // namespace zendra
