// Checks the loaded idx1 against the chunks it names: which offset base it uses, which
// entries name no chunk of the movie, and key frames the index does not mark.
#include <algorithm>

#include "engine/ChunkHeaderReader.h"
#include "engine/CodecTraits.h"
#include "engine/Zendra.h"

namespace zendra {

namespace {

enum class TEntryFit { Chunk, NoChunk, PastEnd };

// Entries sampled to tell the offset base: the first ones and some spread over the index.
constexpr std::size_t kSampleHead = 32;
constexpr std::size_t kSampleSpread = 32;

class TIndexResolver {
public:
    TIndexResolver(TBinaryFile& file, const std::vector<TMovieSpan>& movies, int streams)
        : FReader(file), FFileSize(file.Size()), FMovies(movies), FStreams(streams)
    {
    }

    bool NamesStream(const IndexEntry& e) const { return zendra::NamesStream(e.ChunkId, FStreams); }

    // Where the entry points, without reading: past the end, outside every movi list, or
    // at a place that may hold its chunk.
    TEntryFit Place(const IndexEntry& e, std::int64_t base)
    {
        const std::int64_t at = base + e.Offset;
        if (at + 8 + e.Length > FFileSize)
            return TEntryFit::PastEnd;
        if (!InMovieList(at, at + 8 + e.Length))
            return TEntryFit::NoChunk;  // in the headers, in idx1 or beyond movi
        return TEntryFit::Chunk;
    }

    TEntryFit Fit(const IndexEntry& e, std::int64_t base)
    {
        const TEntryFit place = Place(e, base);
        if (place != TEntryFit::Chunk)
            return place;
        TChunkHeader header;
        if (!FReader.Read(base + e.Offset, header) || header.Id != e.ChunkId || header.Size != e.Length)
            return TEntryFit::NoChunk;
        return TEntryFit::Chunk;
    }

private:
    // Inside one movi list, past its type field; the lists stand in file order.
    bool InMovieList(std::int64_t from, std::int64_t to)
    {
        // Entries mostly follow each other within one list: try the last one found first.
        if (!FLastMovie || from < FLastMovie->Begin || from >= FLastMovie->End) {
            const auto after = std::upper_bound(FMovies.begin(), FMovies.end(), from,
                                                [](std::int64_t at, const TMovieSpan& movie) { return at < movie.Begin; });
            if (after == FMovies.begin())
                return false;
            FLastMovie = &*std::prev(after);
        }
        return from >= FLastMovie->Begin + 4 && to <= FLastMovie->End;
    }

    TChunkHeaderReader FReader;
    std::int64_t FFileSize;
    const std::vector<TMovieSpan>& FMovies;
    const TMovieSpan* FLastMovie = nullptr;
    int FStreams;
};


// Stream headers wherever the header list holds them (some files nest their lists).
int CountStreamHeaders(const TChunk& chunk)
{
    int count = 0;
    for (int i = 0; i < chunk.ChildCount(); ++i) {
        const TChunk& child = *chunk.Child(i);
        count += child.Type == ctStreamHeader || child.Type == ctVideoHeader || child.Type == ctAudioHeader;
        count += CountStreamHeaders(child);
    }
    return count;
}

}  // namespace

int TZendra::StreamCount() const
{
    return HeaderList ? CountStreamHeaders(*HeaderList) : 0;
}

bool TZendra::ResolveIndexBase()
{
    TIndexResolver resolver(*File, MovieSpans, StreamCount());
    std::vector<std::size_t> sample;
    for (std::size_t i = 0; i < Index.size() && i < kSampleHead; ++i)
        sample.push_back(i);
    if (Index.size() > kSampleHead)
        for (std::size_t k = 0; k < kSampleSpread; ++k)
            sample.push_back(kSampleHead + (Index.size() - kSampleHead) * k / kSampleSpread);

    const std::int64_t bases[2] = {0, std::int64_t{MovieList->DataPosition}};
    int matches[2] = {0, 0};
    int inFile[2] = {0, 0};
    for (int b = 0; b < 2; ++b)
        for (std::size_t i : sample) {
            if (!resolver.NamesStream(Index[i]))
                continue;
            const TEntryFit fit = resolver.Fit(Index[i], bases[b]);
            matches[b] += fit == TEntryFit::Chunk;
            inFile[b] += fit != TEntryFit::PastEnd;
        }
    if (matches[0] == 0 && matches[1] == 0) {
        if (inFile[0] > 0 || inFile[1] > 0)
            throw EZendraError("The index of " + MovieFile +
                               " does not point at its chunks, neither from the file start nor from the movi list.");
        // Nothing to look at (the movie is cut short): the offsets tell as far as they can.
        return !Index.empty() && Index.front().Offset < MovieList->DataPosition;
    }
    return matches[1] > matches[0];
}

void TZendra::LeaveOutUnresolvedEntries()
{
    TIndexResolver resolver(*File, MovieSpans, StreamCount());
    const std::int64_t base = IndexBase();
    // An OpenDML output's read-back tells chunks only by their stream, not by their whole
    // id: entries read from OpenDML indexes are proven here, all of them.
    const bool deferred = EntryProof == TEntryProof::AsNeeded && !OpenDmlIndexUsed;
    const auto kept = std::remove_if(Index.begin(), Index.end(), [&](const IndexEntry& e) {
        if (!resolver.NamesStream(e))
            return true;
        return (deferred ? resolver.Place(e, base) : resolver.Fit(e, base)) == TEntryFit::NoChunk;
    });
    LeftOutEntries += static_cast<std::int32_t>(Index.end() - kept);
    Index.erase(kept, Index.end());
    FUnproven.assign(deferred ? Index.size() : 0, true);
}

std::int32_t TZendra::ProveEntries(std::size_t from, std::size_t to)
{
    to = std::min(to, FUnproven.size());
    if (from >= to)
        return 0;
    TIndexResolver resolver(*File, MovieSpans, StreamCount());
    const std::int64_t base = IndexBase();
    std::size_t kept = from;
    for (std::size_t i = from; i < to; ++i) {
        if (FUnproven[i] && resolver.Fit(Index[i], base) == TEntryFit::NoChunk)
            continue;
        Index[kept] = Index[i];
        FUnproven[kept++] = false;
    }
    const auto leftOut = static_cast<std::int32_t>(to - kept);
    if (leftOut > 0) {
        Index.erase(Index.begin() + static_cast<std::ptrdiff_t>(kept), Index.begin() + static_cast<std::ptrdiff_t>(to));
        FUnproven.erase(FUnproven.begin() + static_cast<std::ptrdiff_t>(kept),
                        FUnproven.begin() + static_cast<std::ptrdiff_t>(to));
        LeftOutEntries += leftOut;
        // As on opening: an index that now holds fewer frames than the header counts is refused.
        if (!IndexHoldsEveryFrame())
            throw EZendraError("Error reading index");
    }
    return leftOut;
}

bool TZendra::HasUnprovenEntries(std::size_t from, std::size_t to) const
{
    to = std::min(to, FUnproven.size());
    return from < to && std::find(FUnproven.begin() + static_cast<std::ptrdiff_t>(from),
                                  FUnproven.begin() + static_cast<std::ptrdiff_t>(to), true) !=
                            FUnproven.begin() + static_cast<std::ptrdiff_t>(to);
}

void TZendra::MarkProven(std::size_t from, std::size_t to)
{
    to = std::min(to, FUnproven.size());
    for (std::size_t i = from; i < to; ++i)
        FUnproven[i] = false;
}

void TZendra::MarkIntraOnlyKeyFrames()
{
    if (!VideoStreamHeader || !VideoFormat ||
        !IsIntraOnlyCoding(VideoStreamHeader->Header.fccHandler, VideoFormat->Format.biCompression))
        return;
    for (IndexEntry& e : Index)
        if (IsVideoEntry(e))
            e.Flags |= kKeyFrameFlag;
}

}  // namespace zendra
