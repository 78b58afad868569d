#include "engine/OpenDmlWriter.h"

#include <algorithm>
#include <string>
#include <utility>

#include "engine/OutputFile.h"
#include "engine/Zendra.h"

namespace zendra {

namespace {

char Digit(int n)
{
    return static_cast<char>('0' + n % 10);
}

// The id the chunks of a stream that has none in the output would have had.
std::uint32_t DefaultChunkId(int stream, std::uint32_t type)
{
    const char* kind = type == kVids || type == kIavs ? "dc" : type == kAuds ? "wb" : "tx";
    return MakeFourCC(Digit(stream / 10), Digit(stream), kind[0], kind[1]);
}

bool WriteU32(TBinaryFile& output, std::uint32_t value)
{
    std::uint8_t bytes[4];
    PutU32(bytes, value);
    return output.Write(bytes, 4) == 4;
}

bool WriteCode(TBinaryFile& output, const char* code)
{
    return output.Write(code, 4) == 4;
}

}  // namespace

TOpenDmlWriter::TOpenDmlWriter(TBinaryFile& output, std::uint64_t riffLimit, TOpenDmlSlots slots, TFirstRiff first,
                               std::vector<TEntryRun> runs)
    : FOutput(output),
      FFill(riffLimit, static_cast<std::uint64_t>(first.MoviSizePos + 8), 0, static_cast<int>(slots.Streams.size())),
      FSlots(std::move(slots)),
      FFirst(std::move(first)),
      FRuns(std::move(runs)),
      FStreams(FSlots.Streams.size()),
      FMoviSizePos(FFirst.MoviSizePos)
{
}

bool TOpenDmlWriter::Place(TChunkCopier& copier, IndexEntry& e)
{
    const int stream = StreamNumber(e.ChunkId);
    const bool indexed = stream >= 0 && static_cast<std::size_t>(stream) < FStreams.size();
    if (FFill.Add(ChunkSpan(e), indexed ? stream : -1) && (!copier.Flush() || !CloseRiff() || !OpenRiff()))
        return false;
    e.Offset = static_cast<std::uint64_t>(copier.Position());
    if (FInFirstRiff)
        FFirstFrames += IsVideoEntry(e);
    if (indexed) {
        TStreamIndex& index = FStreams[static_cast<std::size_t>(stream)];
        if (index.ChunkId == 0)
            index.ChunkId = e.ChunkId;
        ++index.Entries;
        index.Bytes += e.Length;
        ++index.TotalEntries;
        index.TotalBytes += e.Length;
    }
    ++FPlaced;
    return true;
}

bool TOpenDmlWriter::Finish()
{
    if (!CloseRiff() || !WriteSuperIndexes() || !WriteSoundLengths())
        return false;
    return FSlots.MainFrames == 0 ||
           PatchU32(FFirst.HeaderList + static_cast<std::int64_t>(FSlots.MainFrames), FFirstFrames);
}

bool TOpenDmlWriter::CloseRiff()
{
    for (std::size_t s = 0; s < FStreams.size(); ++s)
        if (FStreams[s].Entries > 0 && !WriteStandardIndex(static_cast<int>(s)))
            return false;
    if (!PatchU32(FMoviSizePos, static_cast<std::uint32_t>(FOutput.Position() - FMoviSizePos - 4)))
        return false;
    if (FInFirstRiff) {
        if (!WriteFirstIndex() || (FFirst.WriteTail && !FFirst.WriteTail()))
            return false;
        FInFirstRiff = false;
    }
    FRiffFirst = FPlaced;
    return PatchU32(FRiffStart + 4, static_cast<std::uint32_t>(FOutput.Position() - FRiffStart - 8));
}

bool TOpenDmlWriter::OpenRiff()
{
    FRiffStart = FOutput.Position();
    FMoviSizePos = FRiffStart + 16;
    return WriteCode(FOutput, "RIFF") && WriteU32(FOutput, 0) && WriteCode(FOutput, "AVIX") &&
           WriteCode(FOutput, "LIST") && WriteU32(FOutput, 0) && WriteCode(FOutput, "movi");
}

template <class TEncode>
bool TOpenDmlWriter::WriteEntries(std::uint64_t from, std::uint64_t to, std::size_t recordSize, TEncode encode)
{
    constexpr std::size_t kBlock = 4096;
    std::vector<std::uint8_t> block(kBlock * recordSize);
    std::size_t filled = 0;
    std::uint64_t at = 0;  // of the runs' entries
    for (const TEntryRun& run : FRuns) {
        const std::uint64_t length = run.To - run.From;
        for (std::uint64_t k = std::max(from, at); k < std::min(to, at + length); ++k) {
            if (!encode((*run.Index)[static_cast<std::size_t>(run.From + (k - at))], &block[filled * recordSize]))
                continue;
            if (++filled == kBlock) {
                if (FOutput.Write(block.data(), block.size()) != block.size())
                    return false;
                filled = 0;
            }
        }
        at += length;
    }
    return FOutput.Write(block.data(), filled * recordSize) == filled * recordSize;
}

bool TOpenDmlWriter::WriteStandardIndex(int stream)
{
    TStreamIndex& index = FStreams[static_cast<std::size_t>(stream)];
    const std::int64_t at = FOutput.Position();
    const auto count = static_cast<std::uint32_t>(index.Entries);
    const auto size = static_cast<std::uint32_t>(TRiffFill::StandardIndexSize(count));
    const char id[4] = {'i', 'x', Digit(stream / 10), Digit(stream)};
    TStandardIndexRecord head;
    head.wLongsPerEntry = 2;
    head.bIndexType = TStandardIndexRecord::kIndexOfChunks;
    head.nEntriesInUse = count;
    head.dwChunkId = index.ChunkId;
    head.qwBaseOffset = static_cast<std::uint64_t>(FRiffStart);
    std::uint8_t bytes[8 + TStandardIndexRecord::kSize];
    std::copy(id, id + 4, bytes);
    PutU32(bytes + 4, size - 8);
    head.Encode(bytes + 8);
    const std::int64_t base = FRiffStart;
    const bool written =
        FOutput.Write(bytes, sizeof bytes) == sizeof bytes &&
        WriteEntries(FRiffFirst, FPlaced, TStandardIndexEntry::kSize, [stream, base](const IndexEntry& e, std::uint8_t* out) {
            if (StreamNumber(e.ChunkId) != stream)
                return false;
            TStandardIndexEntry entry;
            entry.dwOffset = static_cast<std::uint32_t>(static_cast<std::int64_t>(e.Offset) + 8 - base);
            entry.dwSize = e.Length | (IsVideoEntry(e) && !HasKeyFlag(e) ? TStandardIndexEntry::kNotKeyFrame : 0);
            entry.Encode(out);
            return true;
        });
    if (!written)
        return false;
    TSuperIndexEntry super;
    super.qwOffset = static_cast<std::uint64_t>(at);
    super.dwSize = size;
    super.dwDuration = Duration(stream, index);
    index.Super.push_back(super);
    index.Entries = 0;
    index.Bytes = 0;
    return true;
}

bool TOpenDmlWriter::WriteFirstIndex()
{
    const std::uint32_t base = FFirst.IndexBase;
    return WriteCode(FOutput, "idx1") && WriteU32(FOutput, static_cast<std::uint32_t>(FPlaced * IndexEntry::kSize)) &&
           WriteEntries(0, FPlaced, IndexEntry::kSize, [base](const IndexEntry& e, std::uint8_t* out) {
               IndexEntry entry = e;
               entry.Offset -= base;
               entry.Encode(out);
               return true;
           });
}

bool TOpenDmlWriter::WriteSuperIndexes()
{
    for (std::size_t s = 0; s < FStreams.size(); ++s) {
        const TOpenDmlSlots::TStream& slot = FSlots.Streams[s];
        const TStreamIndex& index = FStreams[s];
        if (index.Super.size() > slot.Room)
            throw EZendraError("The output needs " + std::to_string(index.Super.size()) +
                               " RIFF chunks, more than its OpenDML index has room for (" + std::to_string(slot.Room) + ").");
        TSuperIndexRecord head;
        head.wLongsPerEntry = 4;
        head.bIndexType = TStandardIndexRecord::kIndexOfIndexes;
        head.nEntriesInUse = static_cast<std::uint32_t>(index.Super.size());
        head.dwChunkId = index.ChunkId ? index.ChunkId : DefaultChunkId(static_cast<int>(s), slot.Type);
        std::vector<std::uint8_t> bytes(TSuperIndexRecord::kSize + index.Super.size() * TSuperIndexEntry::kSize);
        head.Encode(bytes.data());
        for (std::size_t i = 0; i < index.Super.size(); ++i)
            index.Super[i].Encode(&bytes[TSuperIndexRecord::kSize + i * TSuperIndexEntry::kSize]);
        const std::int64_t end = FOutput.Position();
        if (!FOutput.Seek(FFirst.HeaderList + static_cast<std::int64_t>(slot.SuperIndex) + 8) ||
            FOutput.Write(bytes.data(), bytes.size()) != bytes.size() || !FOutput.Seek(end))
            return false;
    }
    return true;
}

// Each stream header other than the video's counts the whole stream: samples where they
// have a fixed size, chunks otherwise (the video's is set with the frame count).
bool TOpenDmlWriter::WriteSoundLengths()
{
    for (std::size_t s = 0; s < FStreams.size(); ++s) {
        const TOpenDmlSlots::TStream& slot = FSlots.Streams[s];
        if (slot.Length == 0 || slot.Type == kVids || slot.Type == kIavs)
            continue;
        const TStreamIndex& index = FStreams[s];
        const std::uint64_t length = slot.Type == kAuds && slot.SampleSize > 0 ? index.TotalBytes / slot.SampleSize
                                                                                 : index.TotalEntries;
        if (!PatchU32(FFirst.HeaderList + static_cast<std::int64_t>(slot.Length), static_cast<std::uint32_t>(length)))
            return false;
    }
    return true;
}

bool TOpenDmlWriter::PatchU32(std::int64_t position, std::uint32_t value)
{
    const std::int64_t end = FOutput.Position();
    return FOutput.Seek(position) && WriteU32(FOutput, value) && FOutput.Seek(end);
}

// Frames of video, samples of sound that has a fixed sample size, chunks otherwise.
std::uint32_t TOpenDmlWriter::Duration(int stream, const TStreamIndex& index) const
{
    const TOpenDmlSlots::TStream& slot = FSlots.Streams[static_cast<std::size_t>(stream)];
    if (slot.Type == kAuds && slot.SampleSize > 0)
        return static_cast<std::uint32_t>(index.Bytes / slot.SampleSize);
    return static_cast<std::uint32_t>(index.Entries);
}

}  // namespace zendra
