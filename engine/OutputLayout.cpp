// The parts of an output file that both writers build the same way: everything
// around the movi data, taken from this engine's input, and the choice of layout.
#include <algorithm>
#include <utility>

#include "engine/OpenDmlWriter.h"
#include "engine/OutputFile.h"
#include "engine/Zendra.h"

namespace zendra {

namespace {

// Chunks of the input's top level that an output copies as they are. An output holds its
// own header list, movi, idx1 and part record, whatever order the input had them in.
bool CopiedAsItIs(const TChunk* chunk, const TChunk* headerList, const TChunk* movieList, const TChunk* index)
{
    return chunk != headerList && chunk != movieList && chunk != index && chunk->Type != ctPartRecord;
}

}  // namespace

std::uint64_t TZendra::CopiedChunksSize(bool beforeMovie) const
{
    std::uint64_t size = 0;
    const int from = beforeMovie ? 0 : MovieList->PositionInParent + 1;
    const int to = beforeMovie ? MovieList->PositionInParent : ChildCount();
    for (int i = from; i < to; ++i)
        if (CopiedAsItIs(Child(i), HeaderList, MovieList, IndexChunk))
            size += 8 + std::uint64_t{Child(i)->Size} + (Child(i)->Size & 1);
    return size;
}

std::uint64_t TZendra::FixedOutputSize() const
{
    // RIFF header, header list, movi and idx1 headers, and the other top-level chunks.
    return 12 + 8 + std::uint64_t{HeaderList->Size} + (HeaderList->Size & 1) + 12 + 8 + CopiedChunksSize(true) +
           CopiedChunksSize(false);
}

std::int32_t TZendra::LeadCount(std::int32_t start) const
{
    const auto count = static_cast<std::int32_t>(Index.size());
    std::int32_t lead = 0;
    if (start > 0)
        while (lead < count && !IsVideoEntry(Index[static_cast<std::size_t>(lead)]))
            ++lead;
    return lead;
}

std::vector<TEntryRun> TZendra::SegmentRuns(std::int32_t start, std::int32_t end, std::int32_t lead) const
{
    return {{&Index, 0, static_cast<std::size_t>(lead)},
            {&Index, static_cast<std::size_t>(std::max(start, 0)), static_cast<std::size_t>(end + 1)}};
}

// An output within RiffLimit is an AVI 1.0 file; a larger one is OpenDML, whose super
// indexes get room for twice the RIFFs it needs where 256 would not do.
TOutputPlan TZendra::PlanOutput(const std::vector<TEntryRun>& runs, bool withPartRecord) const
{
    const std::uint64_t record = withPartRecord ? 8 + TPartRecord::kSize : 0;
    std::uint64_t flat = FixedOutputSize() + record;
    for (const TEntryRun& run : runs)
        for (std::size_t i = run.From; i < run.To; ++i)
            flat += ChunkSpan((*run.Index)[i]) + IndexEntry::kSize;
    if (flat <= RiffLimit)
        return {false, 0, flat};
    for (std::uint32_t room = kSuperIndexRoom;;) {
        TOpenDmlSlots slots;
        const std::uint64_t list = MakeOpenDmlHeaderList(PatchedHeaderList(0), 0, room, slots).size();
        TRiffFill fill(RiffLimit, 12 + list + record + CopiedChunksSize(true) + 12, CopiedChunksSize(false),
                       static_cast<int>(slots.Streams.size()));
        for (const TEntryRun& run : runs)
            for (std::size_t i = run.From; i < run.To; ++i) {
                const IndexEntry& e = (*run.Index)[i];
                fill.Add(ChunkSpan(e), NamesStream(e.ChunkId, static_cast<int>(slots.Streams.size())) ? StreamNumber(e.ChunkId) : -1);
            }
        if (fill.Riffs() <= room)
            return {true, room, fill.Size()};
        room = fill.Riffs() * 2;
    }
}

bool TZendra::WriteMovieHead(TBinaryFile& output, std::uint32_t frames, const TPartRecord* record,
                             std::int64_t& moviSizePos, TOpenDmlHead* openDml)
{
    if (!WriteFourCC(output, "RIFF") || !WriteSize(output, Size) || !WriteFourCC(output, "AVI "))
        return false;
    if (openDml) {
        openDml->HeaderList = output.Position();
        const std::vector<std::uint8_t> list =
            MakeOpenDmlHeaderList(PatchedHeaderList(frames), frames, openDml->Room, openDml->Slots);
        if (output.Write(list.data(), list.size()) != list.size())
            return false;
    } else if (!WriteHeaderList(output, frames)) {
        return false;
    }
    if (record)
        WritePartRecord(output, *record);
    for (int i = 0; i < MovieList->PositionInParent; ++i) {
        TChunk* chunk = Child(i);
        if (CopiedAsItIs(chunk, HeaderList, MovieList, IndexChunk) && !chunk->WriteChunk(output, true))
            return false;
    }
    if (!WriteFourCC(output, "LIST"))
        return false;
    moviSizePos = output.Position();
    return WriteSize(output, MovieList->Size) && WriteFourCC(output, "movi");
}

std::unique_ptr<TOpenDmlWriter> TZendra::StartOpenDml(TBinaryFile& output, const TOpenDmlHead& head,
                                                      std::int64_t moviSizePos, std::uint32_t indexBase,
                                                      std::vector<TEntryRun> runs)
{
    TOpenDmlWriter::TFirstRiff first;
    first.HeaderList = head.HeaderList;
    first.MoviSizePos = moviSizePos;
    first.IndexBase = indexBase;
    first.WriteTail = [this, &output] { return WriteTrailingChunks(output); };
    return std::make_unique<TOpenDmlWriter>(output, RiffLimit, head.Slots, std::move(first), std::move(runs));
}

bool TZendra::PlaceChunk(TChunkCopier& copier, IndexEntry& e)
{
    if (FOpenDml)
        return FOpenDml->Place(copier, e);
    e.Offset = static_cast<std::uint64_t>(copier.Position());
    return true;
}

bool TZendra::WriteTrailingChunks(TBinaryFile& output)
{
    for (int i = MovieList->PositionInParent + 1; i < ChildCount(); ++i)
        if (CopiedAsItIs(Child(i), HeaderList, MovieList, IndexChunk) && !Child(i)->WriteChunk(output, true))
            return false;
    return true;
}

bool TZendra::BeginIndex(TBinaryFile& output, std::int64_t moviSizePos, std::uint32_t& moviSize,
                         std::int64_t& indexDataPos)
{
    moviSize = static_cast<std::uint32_t>(output.Position() - moviSizePos - 4);
    if (!WriteFourCC(output, "idx1") || !WriteSize(output, IndexChunk->Size))
        return false;
    indexDataPos = output.Position();
    return true;
}

bool TZendra::FinishMovie(TBinaryFile& output, std::int64_t moviSizePos, std::uint32_t moviSize,
                          std::int64_t indexDataPos)
{
    const auto indexSize = static_cast<std::uint32_t>(output.Position() - indexDataPos);
    if (!WriteTrailingChunks(output))
        return false;
    return CompleteSizes(output, moviSizePos, moviSize, indexDataPos - 4, indexSize);
}

}  // namespace zendra
