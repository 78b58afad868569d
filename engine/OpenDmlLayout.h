// How an output that would pass 1 GiB is laid out as OpenDML (AVI 2.0): where its RIFF
// chunks end, what they add to its size, and the header list with room for a super
// index per stream. The writer and the size planning both follow it, so a predicted
// size is the size written.
#pragma once

#include <cstdint>
#include <vector>

namespace zendra {

// A RIFF of an output takes chunks while their data stays within this many bytes of the
// RIFF's start; an output within it is an AVI 1.0 file.
constexpr std::uint64_t kOpenDmlRiffLimit = std::uint64_t{1} << 30;
// Super index entries each stream gets where the writer makes the room: 256 RIFFs.
constexpr std::uint32_t kSuperIndexRoom = 256;

// The RIFF chunks that an output's chunks fill, fed in the order they are written.
class TRiffFill {
public:
    // firstHead: bytes from the file start to the first chunk of the first movi list;
    // firstTail: bytes of the chunks the first RIFF holds after its idx1.
    TRiffFill(std::uint64_t riffLimit, std::uint64_t firstHead, std::uint64_t firstTail, int streams);
    // Takes a chunk of span bytes of stream (-1: no stream's); true when it begins a new
    // RIFF AVIX, the RIFF before it then being closed.
    bool Add(std::uint64_t span, int stream);
    // The file's size if it ended after the chunks added: the open RIFF closed with its
    // standard indexes and, for the first, its idx1 and the chunks after it.
    std::uint64_t Size() const;
    std::uint32_t Riffs() const { return FRiffs; }

    // Bytes a RIFF AVIX adds ahead of its chunks: its header and its movi list's.
    static constexpr std::uint64_t kExtendedRiffHead = 24;
    static std::uint64_t StandardIndexSize(std::uint64_t entries) { return 8 + 24 + 8 * entries; }

private:
    std::uint64_t ClosingBytes() const;

    std::uint64_t FLimit;
    std::uint64_t FPosition;     // in the open RIFF, from its start
    std::uint64_t FFirstTail;
    std::uint64_t FClosed = 0;   // bytes of the RIFFs closed
    std::uint64_t FFirstEntries = 0;
    std::vector<std::uint64_t> FStreamEntries;  // of the open RIFF
    std::uint32_t FRiffs = 1;
    bool FHasChunks = false;
};

// Where the OpenDML fields of a header list stand, as offsets into its bytes.
struct TOpenDmlSlots {
    struct TStream {
        std::size_t SuperIndex = 0;  // the indx chunk's header
        std::uint32_t Room = 0;      // entries its data holds
        std::uint32_t Type = 0;      // of its strh: vids, auds...
        std::uint32_t SampleSize = 0;
        std::size_t Length = 0;      // its strh's dwLength, 0 where it has none
    };
    std::size_t MainFrames = 0;  // avih's total frames
    std::vector<TStream> Streams;
};

// The header list of an OpenDML output made from an AVI 1.0 output's (LIST header
// included): every strl gets an indx for room entries, in a JUNK of that size or more that
// it holds, or else added at its end; where there is no dmlh, an odml list with one for
// frames goes into the JUNK a muxer kept for it, or at the end. Lists get the sizes of
// what they hold.
std::vector<std::uint8_t> MakeOpenDmlHeaderList(const std::vector<std::uint8_t>& list, std::uint32_t frames,
                                                std::uint32_t room, TOpenDmlSlots& slots);

}  // namespace zendra
