#include "tests/testkit/LayoutCheck.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

namespace zendra::test {

namespace {

struct TChunkAt {
    std::string Id;
    std::uint32_t Size = 0;
    std::size_t Position = 0;  // of the chunk header
};

// A video entry names the video stream and holds a picture ("dc", "db"); every entry of a
// DV type-1 stream holds a whole frame, whatever its last two letters.
bool IsVideoId(const std::string& id, int videoStream, bool interleavedDv)
{
    if (videoStream < 0 || id.size() != 4 || id.compare(0, 2, std::to_string(100 + videoStream).substr(1)) != 0)
        return false;
    const std::string kind = id.substr(2);
    return kind == "dc" || kind == "db" || (interleavedDv && kind != "ix" && kind != "pc");
}

class TLayoutReader {
public:
    explicit TLayoutReader(std::vector<unsigned char> bytes) : Data(std::move(bytes)) {}

    // Walks only what finding idx1 and the video stream needs, so that it reads sources
    // whose lists are sized a little wrong.
    std::vector<TIndexEntry> Entries()
    {
        std::vector<TIndexEntry> entries;
        if (Data.size() < 12 || Id(0) != "RIFF")
            return entries;
        const std::uint64_t end = std::min<std::uint64_t>(Data.size(), 8 + std::uint64_t{U32(4)});
        for (std::uint64_t at = 12; at + 8 <= end; at += 8 + std::uint64_t{U32(at + 4)} + (U32(at + 4) & 1)) {
            if (Id(at) == "LIST" && Id(at + 8) == "hdrl")
                FindVideoStream(at + 12, std::min<std::uint64_t>(end, at + 8 + U32(at + 4)));
            if (Id(at) == "idx1")
                for (std::uint64_t e = at + 8; e + 16 <= std::min<std::uint64_t>(end, at + 8 + U32(at + 4)); e += 16)
                    entries.push_back({IsVideoId(Id(e), VideoStream, InterleavedDv), Id(e), U32(e + 12)});
        }
        return entries;
    }

    std::string Problem()
    {
        if (Data.size() < 12 || Id(0) != "RIFF" || Id(8) != "AVI ")
            return "not a RIFF AVI file";
        const std::uint64_t riffEnd = 8 + std::uint64_t{U32(4)};
        if (riffEnd != Data.size() && riffEnd + 1 != Data.size())
            return "RIFF size says " + std::to_string(riffEnd) + " bytes, the file holds " + std::to_string(Data.size());
        std::string problem = CheckChildren(12, riffEnd, "RIFF", true);
        if (problem.empty())
            problem = CheckIndex();
        if (problem.empty())
            problem = CheckFrameCounts();
        return problem;
    }

private:
    // Both read nothing past the end of the file: sizes in it are not to be trusted.
    std::string Id(std::uint64_t at) const
    {
        if (at + 4 > Data.size())
            return "????";
        std::string id;
        for (std::size_t i = at; i < at + 4; ++i)
            id += Data[i] >= 32 && Data[i] < 127 ? static_cast<char>(Data[i]) : '?';
        return id;
    }
    std::uint32_t U32(std::uint64_t at) const
    {
        if (at + 4 > Data.size())
            return 0;
        return Data[at] | Data[at + 1] << 8 | Data[at + 2] << 16 | std::uint32_t{Data[at + 3]} << 24;
    }
    void FindVideoStream(std::uint64_t begin, std::uint64_t end)
    {
        for (std::uint64_t at = begin; at + 24 <= end; at += 8 + std::uint64_t{U32(at + 4)} + (U32(at + 4) & 1)) {
            if (Id(at) != "LIST" || Id(at + 8) != "strl")
                continue;
            if (Id(at + 12) == "strh")
                NoteStreamHeader(at + 20, U32(at + 16));
        }
    }
    void NoteStreamHeader(std::uint64_t data, std::uint32_t size)
    {
        const std::string type = Id(data);
        if (VideoStream < 0 && size >= 36 && (type == "vids" || type == "iavs")) {
            VideoStream = StreamCount;
            InterleavedDv = type == "iavs";
            VideoStrhLength = U32(data + 32);
        }
        ++StreamCount;
    }
    static std::string Where(const TChunkAt& c)
    {
        return "'" + c.Id + "' of " + std::to_string(c.Size) + " bytes at " + std::to_string(c.Position);
    }

    // The children must fill the list; the last one's pad byte may be the list's own.
    std::string CheckChildren(std::size_t begin, std::uint64_t end, const std::string& list, bool topLevel)
    {
        std::size_t at = begin;
        while (at < end) {
            if (end - at < 8)
                return std::to_string(end - at) + " stray bytes at " + std::to_string(at) + " in " + list;
            const TChunkAt chunk{Id(at), U32(at + 4), at};
            const std::uint64_t chunkEnd = at + 8 + std::uint64_t{chunk.Size};
            // One byte over is the list's own pad byte, held by a last child when the list's
            // writer left an inner pad byte out of its size (mencoder): the input's layout.
            if (chunkEnd > end + (topLevel ? 0 : 1))
                return Where(chunk) + " runs past the end (" + std::to_string(end) + ") of " + list;
            std::string problem = CheckChunk(chunk, chunkEnd, topLevel);
            if (!problem.empty())
                return problem;
            const std::uint64_t next = chunkEnd + (chunk.Size & 1);
            if (next >= end + 1)
                break;
            at = static_cast<std::size_t>(next);
        }
        return {};
    }

    std::string CheckChunk(const TChunkAt& chunk, std::uint64_t chunkEnd, bool topLevel)
    {
        if (chunk.Id == "LIST" || chunk.Id == "RIFF") {
            if (chunk.Size < 4)
                return Where(chunk) + " is too short for a list";
            const std::string type = Id(chunk.Position + 8);
            if (type == "movi" && topLevel) {
                MoviPosition = chunk.Position;
                ++MoviCount;
                return CollectMovi(chunk.Position + 12, chunkEnd);
            }
            return CheckChildren(chunk.Position + 12, chunkEnd, "LIST '" + type + "' at " + std::to_string(chunk.Position),
                                 false);
        }
        if (topLevel && chunk.Id == "idx1") {
            Idx1 = chunk;
            ++Idx1Count;
        } else if (chunk.Id == "avih" && chunk.Size >= 20) {
            AvihFrames = U32(chunk.Position + 8 + 16);
        } else if (chunk.Id == "dmlh" && chunk.Size >= 4) {
            DmlhFrames = static_cast<std::int64_t>(U32(chunk.Position + 8));
        } else if (chunk.Id == "strh") {
            NoteStreamHeader(chunk.Position + 8, chunk.Size);
        }
        return {};
    }

    // Every chunk of movi in file order, those of 'rec ' groups one by one.
    std::string CollectMovi(std::size_t begin, std::uint64_t end)
    {
        std::size_t at = begin;
        while (at < end) {
            if (end - at < 8)
                return std::to_string(end - at) + " stray bytes at " + std::to_string(at) + " in movi";
            const TChunkAt chunk{Id(at), U32(at + 4), at};
            const std::uint64_t chunkEnd = at + 8 + std::uint64_t{chunk.Size};
            if (chunkEnd > end)
                return "movi chunk " + Where(chunk) + " runs past the end of movi (" + std::to_string(end) + ")";
            if (chunk.Id == "LIST" && chunk.Size >= 4 && Id(at + 8) == "rec ") {
                std::string problem = CollectMovi(at + 12, chunkEnd);
                if (!problem.empty())
                    return problem;
            } else {
                MoviChunks.push_back(chunk);
            }
            at = static_cast<std::size_t>(chunkEnd + (chunk.Size & 1));
        }
        return {};
    }

    std::string CheckIndex() const
    {
        if (MoviCount != 1 || Idx1Count != 1)
            return std::to_string(MoviCount) + " movi lists and " + std::to_string(Idx1Count) +
                   " idx1 chunks at the top level, not one of each";
        const std::size_t entries = Idx1.Size / 16;
        if (entries != MoviChunks.size())
            return "idx1 lists " + std::to_string(entries) + " entries, movi holds " +
                   std::to_string(MoviChunks.size()) + " chunks";
        // Offsets count from the movi list's type field, or from the file's start.
        const std::size_t first = Idx1.Position + 8;
        const std::size_t base = entries > 0 && U32(first + 8) == MoviChunks[0].Position ? 0 : MoviPosition + 8;
        for (std::size_t i = 0; i < entries; ++i) {
            const std::size_t e = first + 16 * i;
            const TChunkAt& chunk = MoviChunks[i];
            if (Id(e) != chunk.Id || U32(e + 12) != chunk.Size || base + U32(e + 8) != chunk.Position)
                return "idx1 entry " + std::to_string(i) + " ('" + Id(e) + "', " + std::to_string(U32(e + 12)) +
                       " bytes at " + std::to_string(base + U32(e + 8)) + ") but movi's chunk " +
                       std::to_string(i + 1) + " is " + Where(chunk);
        }
        return {};
    }

    std::string CheckFrameCounts() const
    {
        if (VideoStream < 0)
            return "no video stream header";
        std::uint32_t videoEntries = 0;
        for (const TChunkAt& chunk : MoviChunks)
            if (IsVideoId(chunk.Id, VideoStream, InterleavedDv))
                ++videoEntries;
        if (AvihFrames != videoEntries || VideoStrhLength != videoEntries)
            return "avih counts " + std::to_string(AvihFrames) + " frames and the video strh " +
                   std::to_string(VideoStrhLength) + ", idx1 lists " + std::to_string(videoEntries) + " video entries";
        if (DmlhFrames >= 0 && DmlhFrames != videoEntries)
            return "dmlh counts " + std::to_string(DmlhFrames) + " frames, idx1 lists " + std::to_string(videoEntries) +
                   " video entries";
        return {};
    }

    std::vector<unsigned char> Data;
    std::vector<TChunkAt> MoviChunks;
    TChunkAt Idx1;
    std::size_t MoviPosition = 0;
    int MoviCount = 0, Idx1Count = 0;
    int StreamCount = 0, VideoStream = -1;
    bool InterleavedDv = false;
    std::uint32_t AvihFrames = 0, VideoStrhLength = 0;
    std::int64_t DmlhFrames = -1;
};

std::vector<unsigned char> ReadAll(std::ifstream& in)
{
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

std::string LayoutProblem(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "cannot open " + path;
    return TLayoutReader(ReadAll(in)).Problem();
}

std::vector<TIndexEntry> IndexEntries(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return TLayoutReader(ReadAll(in)).Entries();
}

}  // namespace zendra::test
