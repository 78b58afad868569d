#include "tests/testkit/OpenDmlBuilder.h"

#include <algorithm>

namespace zendra::test {

namespace {

constexpr std::size_t kSuperHead = 24, kSuperEntry = 16, kStandardHead = 24, kStandardEntry = 8;

std::string StreamPrefix(std::size_t stream)
{
    return (stream < 10 ? "0" : "") + std::to_string(stream);
}

struct TRiffPlan {
    std::vector<TMovieChunk> Chunks;
    std::vector<std::size_t> PerStream;  // chunks of each stream
};

std::vector<TRiffPlan> PlanRiffs(const std::vector<TMovieChunk>& chunks, std::size_t streams, std::size_t perRiff)
{
    std::vector<TRiffPlan> riffs;
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        if (i % perRiff == 0)
            riffs.push_back({{}, std::vector<std::size_t>(streams, 0)});
        riffs.back().Chunks.push_back(chunks[i]);
        for (std::size_t s = 0; s < streams; ++s)
            riffs.back().PerStream[s] += chunks[i].Id.compare(0, 2, StreamPrefix(s)) == 0;
    }
    return riffs;
}

// Placeholder standard indexes after a RIFF's chunks, filled once positions are known.
void AddIndexPlaceholders(TRiffPlan& riff, bool suffixIds)
{
    for (std::size_t s = 0; s < riff.PerStream.size(); ++s) {
        const std::string id = suffixIds ? StreamPrefix(s) + "ix" : "ix" + StreamPrefix(s);
        riff.Chunks.push_back({id, 0, TBytes(kStandardHead + kStandardEntry * riff.PerStream[s], 0), false});
    }
}

// The chunks of a movi list whose "movi" stands at moviType: the position of each header.
std::vector<std::size_t> ChunkPositions(const TBytes& file, std::size_t moviType, std::size_t count)
{
    std::vector<std::size_t> positions;
    for (std::size_t at = moviType + 4; positions.size() < count; ) {
        positions.push_back(at);
        const std::uint32_t size = GetU32(&file[at + 4]);
        at += 8 + size + (size & 1);
    }
    return positions;
}

void FillStandardIndex(TBytes& file, const TRiffPlan& riff, const std::vector<std::size_t>& at, std::size_t stream,
                       std::size_t indexChunk, std::size_t moviType)
{
    std::uint8_t* head = &file[at[indexChunk] + 8];
    PutU16(head, 2);
    head[3] = 1;  // index of chunks
    PutU32(head + 4, static_cast<std::uint32_t>(riff.PerStream[stream]));
    const std::size_t dataChunks = riff.Chunks.size() - riff.PerStream.size();
    std::uint32_t id = 0;
    std::size_t n = 0;
    for (std::size_t k = 0; k < dataChunks; ++k) {
        const TMovieChunk& c = riff.Chunks[k];
        if (c.Id.compare(0, 2, StreamPrefix(stream)) != 0)
            continue;
        id = MakeFourCC(c.Id[0], c.Id[1], c.Id[2], c.Id[3]);
        std::uint8_t* entry = head + kStandardHead + kStandardEntry * n++;
        PutU32(entry, static_cast<std::uint32_t>(at[k] + 8 - moviType));
        const bool key = (c.Flags & kKeyFrameFlag) != 0;
        PutU32(entry + 4, static_cast<std::uint32_t>(c.Data.size()) | (key ? 0u : 0x80000000u));
    }
    PutU32(head + 8, id);
    PutU64(head + 12, moviType);
}

}  // namespace

TBytes BuildOpenDml(TAviBuilder builder, const TOpenDmlOptions& options)
{
    const std::size_t streams = builder.Streams().size();
    std::vector<TRiffPlan> riffs = PlanRiffs(builder.Chunks(), streams, options.ChunksPerRiff);
    std::uint32_t frames = 0;
    for (const TMovieChunk& c : builder.Chunks())
        frames += c.Id.size() == 4 && c.Id[2] == 'd';
    for (TStreamSpec& stream : builder.Streams())
        stream.Extra.push_back({"indx", TBytes(kSuperHead + kSuperEntry * riffs.size(), 0)});
    for (TRiffPlan& riff : riffs)
        AddIndexPlaceholders(riff, options.SuffixIds);

    builder.ClearChunks().TotalFrames(frames);
    for (const TMovieChunk& c : riffs[0].Chunks)
        builder.Chunk(c);
    if (!options.LegacyIndex)
        builder.NoIndex();
    TBytes file = builder.Build();
    std::vector<std::size_t> moviTypes = {builder.MovieDataPosition()};
    for (std::size_t r = 1; r < riffs.size(); ++r) {
        TBytes movie;
        for (const TMovieChunk& c : riffs[r].Chunks)
            AppendChunk(movie, c.Id, c.Data);
        TBytes body;
        AppendFourCC(body, "AVIX");
        const TBytes list = ListChunk("movi", movie);
        body.insert(body.end(), list.begin(), list.end());
        moviTypes.push_back(file.size() + 8 + 4 + 8);
        AppendChunk(file, "RIFF", body);
    }

    // Each stream's indx, in stream order, comes before the first movi.
    std::vector<std::size_t> superIndexes;
    const char kIndx[] = "indx";
    for (auto at = file.begin(); superIndexes.size() < streams;) {
        at = std::search(at, file.begin() + static_cast<std::ptrdiff_t>(moviTypes[0]), kIndx, kIndx + 4);
        superIndexes.push_back(static_cast<std::size_t>(at - file.begin()) + 8);
        at += 4;
    }
    for (std::size_t r = 0; r < riffs.size(); ++r) {
        const std::vector<std::size_t> at = ChunkPositions(file, moviTypes[r], riffs[r].Chunks.size());
        for (std::size_t s = 0; s < streams; ++s) {
            const std::size_t indexChunk = riffs[r].Chunks.size() - streams + s;
            FillStandardIndex(file, riffs[r], at, s, indexChunk, moviTypes[r]);
            std::uint8_t* super = &file[superIndexes[s]];
            PutU16(super, 4);
            PutU32(super + 4, static_cast<std::uint32_t>(riffs.size()));
            PutU32(super + 8, GetU32(&file[at[indexChunk] + 8 + 8]));
            std::uint8_t* entry = super + kSuperHead + kSuperEntry * r;
            PutU64(entry, at[indexChunk]);
            PutU32(entry + 8, static_cast<std::uint32_t>(8 + kStandardHead + kStandardEntry * riffs[r].PerStream[s]));
            PutU32(entry + 12, static_cast<std::uint32_t>(riffs[r].PerStream[s]));
        }
    }
    return file;
}

}  // namespace zendra::test
