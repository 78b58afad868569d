// The parts of an output file that both writers build the same way: everything
// around the movi data, taken from this engine's input.
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

std::uint64_t TZendra::FixedOutputSize() const
{
    // RIFF header, header list, movi and idx1 headers, and the other top-level chunks.
    std::uint64_t size = 12 + 8 + std::uint64_t{HeaderList->Size} + (HeaderList->Size & 1) + 12 + 8;
    for (int i = 0; i < ChildCount(); ++i)
        if (CopiedAsItIs(Child(i), HeaderList, MovieList, IndexChunk))
            size += 8 + std::uint64_t{Child(i)->Size} + (Child(i)->Size & 1);
    return size;
}

bool TZendra::WriteMovieHead(TBinaryFile& output, std::uint32_t frames, const TPartRecord* record,
                             std::int64_t& moviSizePos)
{
    if (!WriteFourCC(output, "RIFF") || !WriteSize(output, Size) || !WriteFourCC(output, "AVI "))
        return false;
    if (!WriteHeaderList(output, frames))
        return false;
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
    for (int i = MovieList->PositionInParent + 1; i < ChildCount(); ++i)
        if (CopiedAsItIs(Child(i), HeaderList, MovieList, IndexChunk) && !Child(i)->WriteChunk(output, true))
            return false;
    return CompleteSizes(output, moviSizePos, moviSize, indexDataPos - 4, indexSize);
}

}  // namespace zendra
