// Reads a written AVI file back and proves it: its sizes, its one movi and one idx1,
// every index entry against the chunk it names, the frame counts, and on request the
// bytes of every chunk against the chunk it was copied from.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/BinaryFile.h"

namespace zendra {

// Where the chunks of an output came from, in the order of its index: runs of entries
// of one input, each entry by the file position of its chunk header in that input.
struct TChunkOrigins {
    struct TRun {
        TBinaryFile* Input;
        std::size_t Count;
    };
    std::vector<TRun> Runs;
    std::vector<std::int64_t> Positions;

    void Add(TBinaryFile& input, std::int64_t position);
};

struct TVerifyRequest {
    std::optional<std::uint32_t> Frames;       // the frame count the headers must carry
    std::optional<std::uint64_t> EntryCount;   // the index entries the output must hold
    const TChunkOrigins* Origins = nullptr;    // set: compare every chunk's bytes
};

// What the read-back found: Failure is empty when the file is proven.
struct TVerifyReport {
    std::string Failure;
    std::uint64_t Entries = 0;
    std::uint32_t VideoEntries = 0;
    std::uint64_t BytesCompared = 0;
};

TVerifyReport VerifyAviFile(const std::string& path, const TVerifyRequest& request);

// The parts of one split run: each there, each carrying its part number in order and the
// run's batch identity. Empty when they are, otherwise what is wrong.
std::string VerifySplitRun(const std::vector<std::string>& parts);

}  // namespace zendra
