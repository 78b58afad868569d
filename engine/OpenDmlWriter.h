// Writes the movi data of an OpenDML output: places each chunk, and where the next one
// would take a RIFF's data past the limit, closes that RIFF (its ix## per stream; the
// first also its idx1 and the chunks that follow it) and opens a RIFF AVIX. At the end
// the super indexes and the first RIFF's frame count go into the header list.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/AviRecords.h"
#include "engine/ChunkCopier.h"
#include "engine/OpenDmlLayout.h"
#include "platform/BinaryFile.h"

namespace zendra {

struct TEntryRun;

class TOpenDmlWriter {
public:
    struct TFirstRiff {
        std::int64_t HeaderList = 0;   // file position of the header list's LIST header
        std::int64_t MoviSizePos = 0;  // of the first movi list's size field
        std::uint32_t IndexBase = 0;   // taken off the idx1 offsets
        std::function<bool()> WriteTail;  // the chunks after idx1
    };

    // runs: the entries the output holds, in order; their offsets become the output's as
    // they are placed, and the indexes are written from them (no copy of them is kept).
    TOpenDmlWriter(TBinaryFile& output, std::uint64_t riffLimit, TOpenDmlSlots slots, TFirstRiff first,
                   std::vector<TEntryRun> runs);

    // Gives e its output offset, first closing the RIFF when e's chunk does not fit it;
    // the copier must then be flushed, which this does. False on a failed write.
    bool Place(TChunkCopier& copier, IndexEntry& e);
    // Closes the open RIFF and fills in the header list; the copier is flushed.
    bool Finish();

private:
    struct TStreamIndex {
        std::uint32_t ChunkId = 0;
        std::uint64_t Entries = 0;  // of the open RIFF
        std::uint64_t Bytes = 0;    // of the open RIFF
        std::vector<TSuperIndexEntry> Super;
        std::uint64_t TotalEntries = 0;  // of the whole output
        std::uint64_t TotalBytes = 0;
    };

    bool CloseRiff();
    bool OpenRiff();
    bool WriteStandardIndex(int stream);
    bool WriteFirstIndex();
    bool WriteSuperIndexes();
    bool WriteSoundLengths();
    bool PatchU32(std::int64_t position, std::uint32_t value);
    std::uint32_t Duration(int stream, const TStreamIndex& index) const;
    // Writes the records encode(entry, out) makes of the placed entries [from, to) of the
    // runs, in order and in blocks; an entry encode returns false for has none.
    template <class TEncode>
    bool WriteEntries(std::uint64_t from, std::uint64_t to, std::size_t recordSize, TEncode encode);

    TBinaryFile& FOutput;
    TRiffFill FFill;
    TOpenDmlSlots FSlots;
    TFirstRiff FFirst;
    std::vector<TEntryRun> FRuns;
    std::vector<TStreamIndex> FStreams;
    std::uint64_t FPlaced = 0;     // entries of the runs placed so far
    std::uint64_t FRiffFirst = 0;  // the first of them in the open RIFF
    std::uint32_t FFirstFrames = 0;
    std::int64_t FRiffStart = 0;
    std::int64_t FMoviSizePos = 0;
    bool FInFirstRiff = true;
};

// Lends a writer to the copy loops for as long as it lives in a scope.
class TOpenDmlLoan {
public:
    TOpenDmlLoan(TOpenDmlWriter*& slot, TOpenDmlWriter* writer) : FSlot(slot) { FSlot = writer; }
    ~TOpenDmlLoan() { FSlot = nullptr; }
    TOpenDmlLoan(const TOpenDmlLoan&) = delete;
    TOpenDmlLoan& operator=(const TOpenDmlLoan&) = delete;

private:
    TOpenDmlWriter*& FSlot;
};

}  // namespace zendra
