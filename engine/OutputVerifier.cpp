#include "engine/OutputVerifier.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <filesystem>

#include "common/FileHelpers.h"
#include "engine/AviRecords.h"
#include "engine/ChunkHeaderReader.h"
#include "engine/OpenDmlIndex.h"

namespace zendra {

namespace {

constexpr int kMaxListDepth = 8;

class TVerifyFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string CodeText(std::uint32_t code)
{
    std::string text;
    for (int i = 0; i < 4; ++i) {
        const char c = static_cast<char>((code >> (8 * i)) & 0xFF);
        text.push_back(c >= 32 && c < 127 ? c : '?');
    }
    return text;
}

std::string At(std::int64_t position)
{
    return " at " + std::to_string(position);
}

struct TFoundChunk {
    std::int64_t Data = -1;
    std::uint32_t Size = 0;
};

// One pass over the file's structure, then over its index.
class TReadBack {
public:
    TReadBack(TBinaryFile& file, const TVerifyRequest& request, TVerifyReport& report)
        : FFile(file), FReader(file), FRequest(request), FReport(report), FFileSize(file.Size())
    {
    }

    void Run()
    {
        CheckRiff();
        WalkTopLevel();
        WalkExtendedRiffs();
        CheckHeaderCounts();
        FindOpenDmlIndex();
        CheckIndex();
        if (FOpenDml)
            CheckOpenDmlIndex();
        if (FRequest.Origins)
            CompareChunks();
    }

private:
    TChunkHeader Header(std::int64_t position, std::int64_t limit, const char* what)
    {
        TChunkHeader h;
        if (position + 8 > limit || !FReader.Read(position, h))
            throw TVerifyFailure(std::string("a ") + what + " chunk header is cut off" + At(position));
        if (position + 8 + std::int64_t{h.Size} > limit)
            throw TVerifyFailure("chunk " + CodeText(h.Id) + At(position) + " of " + std::to_string(h.Size) +
                                 " bytes runs past the end of the " + what);
        return h;
    }

    std::uint32_t ListType(std::int64_t data, std::uint32_t size)
    {
        std::uint8_t type[4];
        if (size < 4 || !FReader.ReadBytes(data, type, 4))
            throw TVerifyFailure("a list" + At(data - 8) + " has no type");
        return GetU32(type);
    }

    void CheckRiff()
    {
        std::uint8_t head[12];
        if (FFileSize < 12 || !FReader.ReadBytes(0, head, 12) || GetU32(head) != kRiff || GetU32(head + 8) != kAvi)
            throw TVerifyFailure("it does not begin with a RIFF AVI header");
        FRiffEnd = 8 + std::int64_t{GetU32(head + 4)};
        std::int64_t at = FRiffEnd;
        while (at < FFileSize && at + 12 <= FFileSize && FReader.ReadBytes(at, head, 12) && GetU32(head) == kRiff &&
               GetU32(head + 8) == kAvix) {
            const std::int64_t end = at + 8 + std::int64_t{GetU32(head + 4)};
            if (end > FFileSize)
                throw TVerifyFailure("the RIFF AVIX chunk" + At(at) + " runs past the end of the file");
            FExtendedRiffs.push_back({at + 12, end});
            at = end + (end & 1);
        }
        if (at != FFileSize && !(FExtendedRiffs.empty() && FRiffEnd == FFileSize))
            throw TVerifyFailure("the RIFF size (" + std::to_string(FRiffEnd - 8) + ") does not agree with the file size (" +
                                 std::to_string(FFileSize) + ")");
    }

    // Each RIFF AVIX holds one movi list.
    void WalkExtendedRiffs()
    {
        for (const auto& [from, to] : FExtendedRiffs) {
            int movies = 0;
            for (std::int64_t at = from; at + 8 <= to;) {
                const TChunkHeader h = Header(at, to, "RIFF AVIX");
                if (h.Id == kList && ListType(at + 8, h.Size) == kMovi) {
                    ++movies;
                    FExtendedMovies.push_back({at + 8, h.Size});
                }
                at += 8 + std::int64_t{h.Size} + (h.Size & 1);
            }
            if (movies != 1)
                throw TVerifyFailure("the RIFF AVIX chunk" + At(from - 12) + " holds " + std::to_string(movies) +
                                     " movi lists instead of one");
        }
    }

    // An output past its first RIFF, or with a super index, is OpenDML: its OpenDML index
    // lists every chunk, idx1 those of the first RIFF.
    void FindOpenDmlIndex()
    {
        TFileBytes bytes(FFile);
        FOpenDmlIndex = ReadOpenDmlIndex(bytes, FHeaderList.Data, FHeaderList.Size);
        FOpenDml = !FExtendedRiffs.empty() || FOpenDmlIndex.SuperIndexes > 0;
        if (FOpenDml && FOpenDmlIndex.Entries.empty())
            throw TVerifyFailure("it goes on past its first RIFF chunk but has no OpenDML index");
    }

    void CheckOpenDmlIndex()
    {
        const std::vector<IndexEntry>& entries = FOpenDmlIndex.Entries;
        std::size_t k = 0;
        std::uint32_t videos = 0;
        std::vector<TFoundChunk> movies = {FMovie};
        movies.insert(movies.end(), FExtendedMovies.begin(), FExtendedMovies.end());
        for (const TFoundChunk& movie : movies) {
            const std::int64_t end = movie.Data + movie.Size;
            for (std::int64_t at = movie.Data + 4; at + 8 <= end;) {
                const TChunkHeader h = Header(at, end, "movi list");
                if (h.Id == kList && h.Size >= 4) {
                    at += 12;
                    continue;
                }
                if (!IsStandardIndexId(h.Id)) {
                    if (k >= entries.size() || static_cast<std::int64_t>(entries[k].Offset) != at ||
                        entries[k].Length != h.Size || StreamNumber(entries[k].ChunkId) != StreamNumber(h.Id))
                        throw TVerifyFailure("chunk " + CodeText(h.Id) + At(at) +
                                             " is not the chunk its OpenDML index lists next");
                    videos += IsVideoId(h.Id);
                    if (FRequest.Origins)
                        FOutputPositions.push_back(at);
                    ++k;
                }
                at += 8 + std::int64_t{h.Size} + (h.Size & 1);
            }
        }
        if (k != entries.size())
            throw TVerifyFailure("its OpenDML index lists " + std::to_string(entries.size()) +
                                 " chunks, its movi lists hold " + std::to_string(k));
        CheckWholeMovieCounts(k, videos);
    }

    void CheckWholeMovieCounts(std::uint64_t entries, std::uint32_t videos)
    {
        for (std::size_t c = 1; c < FCountChecks.size(); ++c)
            if (FCountChecks[c].second != videos)
                throw TVerifyFailure(FCountChecks[c].first + " counts " + std::to_string(FCountChecks[c].second) +
                                     " frames, the index " + std::to_string(videos));
        if (FRequest.Frames && *FRequest.Frames != videos)
            throw TVerifyFailure("it holds " + std::to_string(videos) + " frames instead of " +
                                 std::to_string(*FRequest.Frames));
        if (FRequest.EntryCount && *FRequest.EntryCount != entries)
            throw TVerifyFailure("its index holds " + std::to_string(entries) + " entries instead of " +
                                 std::to_string(*FRequest.EntryCount));
        FReport.Entries = entries;
        FReport.VideoEntries = videos;
    }

    void WalkTopLevel()
    {
        int movies = 0, indexes = 0;
        std::int64_t at = 12;
        while (at + 8 <= FRiffEnd) {
            const TChunkHeader h = Header(at, FRiffEnd, "RIFF");
            const std::int64_t data = at + 8;
            if (h.Id == kList) {
                const std::uint32_t type = ListType(data, h.Size);
                if (type == kMovi) {
                    ++movies;
                    FMovie = {data, h.Size};
                } else {
                    if (type == kHdrl)
                        FHeaderList = {data, h.Size};
                    CheckList(data + 4, data + h.Size, 1);
                }
            } else if (h.Id == kIdx1) {
                ++indexes;
                FIndex = {data, h.Size};
            } else if (h.Id == kTag) {
                ++FPartRecords;
            }
            at = data + h.Size + (h.Size & 1);
        }
        if (at != FRiffEnd && at != FRiffEnd + 1)
            throw TVerifyFailure(std::to_string(FRiffEnd - at) + " stray bytes at the end of the RIFF chunk");
        if (FHeaderList.Data < 0)
            throw TVerifyFailure("it has no header list");
        if (movies != 1)
            throw TVerifyFailure("it holds " + std::to_string(movies) + " movi lists instead of one");
        if (indexes != 1)
            throw TVerifyFailure("it holds " + std::to_string(indexes) + " idx1 chunks instead of one");
        if (FPartRecords > 1)
            throw TVerifyFailure("it holds " + std::to_string(FPartRecords) + " part records");
    }

    // The children of a list must end where the list does (the last one's pad byte may
    // lie just past it: some muxers size lists that way).
    void CheckList(std::int64_t from, std::int64_t to, int depth)
    {
        std::int64_t at = from;
        while (at + 8 <= to) {
            // A last child may hold the list's pad byte: its writer sized the list without
            // the pad byte of a child before it.
            const TChunkHeader h = Header(at, to + 1, "list");
            const std::int64_t data = at + 8;
            if (h.Id == kList && depth < kMaxListDepth)
                CheckList(data + 4, data + std::int64_t{h.Size}, depth + 1);
            at = data + h.Size + (h.Size & 1);
        }
        if (at > to + 2)
            throw TVerifyFailure("a list ending" + At(to) + " is sized shorter than its children");
    }

    // Reads idx1 in blocks, entry after entry.
    class TIndexEntries {
    public:
        TIndexEntries(TBinaryFile& file, std::int64_t data, std::uint64_t count) : FFile(file), FData(data), FCount(count) {}
        std::uint64_t Count() const { return FCount; }
        IndexEntry At(std::uint64_t i)
        {
            if (i < FFirst || i >= FFirst + FBlock.size() / IndexEntry::kSize) {
                FFirst = i;
                FBlock.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, FCount - i)) * IndexEntry::kSize);
                if (!FFile.Seek(FData + static_cast<std::int64_t>(i * IndexEntry::kSize)) ||
                    FFile.Read(FBlock.data(), FBlock.size()) != FBlock.size())
                    throw TVerifyFailure("its index can not be read");
            }
            return IndexEntry::Decode(FBlock.data() + (i - FFirst) * IndexEntry::kSize);
        }

    private:
        static constexpr std::uint64_t kBlock = 4096;
        TBinaryFile& FFile;
        std::int64_t FData;
        std::uint64_t FCount;
        std::uint64_t FFirst = 0;
        std::vector<std::uint8_t> FBlock;
    };

    // Walks the movi list chunk by chunk (the chunks of rec groups one by one) and takes the
    // index entries along while they name the chunks in the order they stand; the entries
    // from the first that does not are checked one by one afterwards. Returns that entry.
    std::uint64_t WalkMovieAlongIndex(TIndexEntries& entries, std::int64_t base)
    {
        const std::int64_t end = FMovie.Data + FMovie.Size;
        std::uint64_t k = 0;
        bool inOrder = true;
        std::int64_t at = FMovie.Data + 4;
        while (at + 8 <= end) {
            const TChunkHeader h = Header(at, end, "movi list");
            if (h.Id == kList && h.Size >= 4) {
                at += 12;  // a rec group: its chunks follow
                continue;
            }
            if (IsStandardIndexId(h.Id)) {
                at += 8 + std::int64_t{h.Size} + (h.Size & 1);
                continue;
            }
            ++FMovieChunks;
            if (inOrder && k < entries.Count()) {
                const IndexEntry e = entries.At(k);
                inOrder = base + static_cast<std::int64_t>(e.Offset) == at && e.ChunkId == h.Id && e.Length == h.Size;
                if (inOrder) {
                    Accept(e, at);
                    ++k;
                }
            }
            at += 8 + std::int64_t{h.Size} + (h.Size & 1);
        }
        if (at > end + 1)
            throw TVerifyFailure("the movi list is sized shorter than its chunks");
        return k;
    }

    void Accept(const IndexEntry& e, std::int64_t at)
    {
        if (FRequest.Origins && !FOpenDml)
            FOutputPositions.push_back(at);
        FReport.VideoEntries += IsVideoId(e.ChunkId);
    }

    std::uint32_t FieldOf(std::uint32_t id, std::uint32_t fieldOffset, std::uint32_t type, bool& found)
    {
        found = false;
        std::int64_t at = FHeaderList.Data + 4;
        return FindField(at, FHeaderList.Data + FHeaderList.Size, id, fieldOffset, type, found, 1);
    }

    std::uint32_t FindField(std::int64_t at, std::int64_t to, std::uint32_t id, std::uint32_t fieldOffset,
                            std::uint32_t type, bool& found, int depth)
    {
        while (at + 8 <= to && !found) {
            TChunkHeader h;
            if (!FReader.Read(at, h))
                break;
            const std::int64_t data = at + 8;
            if (h.Id == kList && depth < kMaxListDepth) {
                const std::uint32_t value = FindField(data + 4, data + h.Size, id, fieldOffset, type, found, depth + 1);
                if (found)
                    return value;
            } else if (h.Id == id && h.Size >= fieldOffset + 4) {
                std::uint8_t bytes[4];
                if (type != 0) {
                    if (!FReader.ReadBytes(data, bytes, 4) || (GetU32(bytes) != type && !(type == kVids && GetU32(bytes) == kIavs))) {
                        at = data + h.Size + (h.Size & 1);
                        continue;
                    }
                }
                if (FReader.ReadBytes(data + fieldOffset, bytes, 4)) {
                    found = true;
                    return GetU32(bytes);
                }
            }
            at = data + h.Size + (h.Size & 1);
        }
        return 0;
    }

    void CheckHeaderCounts()
    {
        FCountChecks.clear();
        bool found = false;
        const std::uint32_t mainFrames = FieldOf(kAvih, TMainHeaderRecord::kTotalFrames, 0, found);
        if (!found)
            throw TVerifyFailure("it has no main header");
        FCountChecks.push_back({"the main header", mainFrames});
        const std::uint32_t streamFrames = FieldOf(kStrh, TStreamHeaderRecord::kLength, kVids, found);
        if (!found)
            throw TVerifyFailure("it has no video stream header");
        FCountChecks.push_back({"the video stream header", streamFrames});
        const std::uint32_t dmlFrames = FieldOf(kDmlh, TOpenDmlHeaderRecord::kTotalFrames, 0, found);
        if (found)
            FCountChecks.push_back({"the OpenDML header", dmlFrames});
    }

    static bool IsVideoId(std::uint32_t id)
    {
        const char a = static_cast<char>(id & 0xFF), b = static_cast<char>((id >> 8) & 0xFF);
        return a >= '0' && a <= '9' && b >= '0' && b <= '9' && IsVideoChunkId(id);
    }

    void CheckIndex()
    {
        if (FIndex.Size % IndexEntry::kSize != 0)
            throw TVerifyFailure("its idx1 size (" + std::to_string(FIndex.Size) + ") is no multiple of 16");
        const std::uint64_t count = FIndex.Size / IndexEntry::kSize;
        TIndexEntries entries(FFile, FIndex.Data, count);
        TChunkHeaderReader chunks(FFile);
        const std::int64_t base = count > 0 ? BaseOf(chunks, entries.At(0), FMovie.Data) : 0;
        for (std::uint64_t i = WalkMovieAlongIndex(entries, base); i < count; ++i)
            CheckEntry(chunks, entries.At(i), i, base, FMovie.Data + 4, FMovie.Data + FMovie.Size);
        FReport.Entries = count;
        if (FOpenDml) {
            // idx1 lists the first RIFF's chunks, the main header counts its frames.
            if (FMovieChunks != count)
                throw TVerifyFailure("its movi list holds " + std::to_string(FMovieChunks) + " chunks, its idx1 " +
                                     std::to_string(count));
            if (FCountChecks[0].second != FReport.VideoEntries)
                throw TVerifyFailure(FCountChecks[0].first + " counts " + std::to_string(FCountChecks[0].second) +
                                     " frames, the first RIFF's index " + std::to_string(FReport.VideoEntries));
            return;
        }
        if (FCountChecks[0].second != FReport.VideoEntries)
            throw TVerifyFailure(FCountChecks[0].first + " counts " + std::to_string(FCountChecks[0].second) +
                                 " frames, the index " + std::to_string(FReport.VideoEntries));
        CheckWholeMovieCounts(count, FReport.VideoEntries);
        if (FRequest.EntryCount && FMovieChunks != count)
            throw TVerifyFailure("its movi list holds " + std::to_string(FMovieChunks) + " chunks, its index " +
                                 std::to_string(count));
    }

    // Offsets count from the file start or from the movi list's type field: the first
    // entry tells which by the chunk it then names.
    static std::int64_t BaseOf(TChunkHeaderReader& chunks, const IndexEntry& first, std::int64_t moviType)
    {
        TChunkHeader h;
        if (chunks.Read(moviType + static_cast<std::int64_t>(first.Offset), h) && h.Id == first.ChunkId && h.Size == first.Length)
            return moviType;
        return 0;
    }

    void CheckEntry(TChunkHeaderReader& chunks, const IndexEntry& e, std::uint64_t i, std::int64_t base,
                    std::int64_t moviData, std::int64_t moviEnd)
    {
        const std::int64_t at = base + static_cast<std::int64_t>(e.Offset);
        auto entry = [&] {
            return "index entry " + std::to_string(i) + " (" + CodeText(e.ChunkId) + ", " + std::to_string(e.Length) +
                   " bytes)";
        };
        if (at < moviData || at + 8 + std::int64_t{e.Length} > moviEnd)
            throw TVerifyFailure(entry() + " points outside the movi list");
        TChunkHeader h;
        if (!chunks.Read(at, h) || h.Id != e.ChunkId || h.Size != e.Length)
            throw TVerifyFailure(entry() + " points at a chunk " + CodeText(h.Id) + " of " + std::to_string(h.Size) +
                                 " bytes" + At(at));
        Accept(e, at);
    }

    void CompareChunks()
    {
        const TChunkOrigins& origins = *FRequest.Origins;
        if (origins.Positions.size() != FOutputPositions.size())
            throw TVerifyFailure("it holds " + std::to_string(FOutputPositions.size()) + " chunks, " +
                                 std::to_string(origins.Positions.size()) + " were copied");
        std::size_t k = 0;
        std::vector<std::uint8_t> ours(1 << 20), theirs(1 << 20);
        for (const TChunkOrigins::TRun& run : origins.Runs)
            for (std::size_t end = k + run.Count; k < end; ++k)
                CompareChunk(*run.Input, origins.Positions[k], FOutputPositions[k], k, ours, theirs);
    }

    void CompareChunk(TBinaryFile& input, std::int64_t from, std::int64_t at, std::size_t k,
                      std::vector<std::uint8_t>& ours, std::vector<std::uint8_t>& theirs)
    {
        TChunkHeader h;
        FReader.Read(at, h);
        std::int64_t left = 8 + std::int64_t{h.Size};
        std::int64_t offset = 0;
        while (left > 0) {
            const auto n = static_cast<std::size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(ours.size())));
            if (!FFile.Seek(at + offset) || FFile.Read(ours.data(), n) != n || !input.Seek(from + offset) ||
                input.Read(theirs.data(), n) != n || std::memcmp(ours.data(), theirs.data(), n) != 0)
                throw TVerifyFailure("chunk " + std::to_string(k) + " (" + CodeText(h.Id) + At(at) +
                                     ") differs from the chunk it was copied from");
            offset += static_cast<std::int64_t>(n);
            left -= static_cast<std::int64_t>(n);
            FReport.BytesCompared += n;
        }
    }

    TBinaryFile& FFile;
    TChunkHeaderReader FReader;
    const TVerifyRequest& FRequest;
    TVerifyReport& FReport;
    std::int64_t FFileSize;
    std::int64_t FRiffEnd = 0;
    TFoundChunk FHeaderList, FMovie, FIndex;
    std::vector<std::pair<std::int64_t, std::int64_t>> FExtendedRiffs;  // data of each RIFF AVIX: from, to
    std::vector<TFoundChunk> FExtendedMovies;
    bool FOpenDml = false;
    TOpenDmlIndex FOpenDmlIndex;
    int FPartRecords = 0;
    std::uint64_t FMovieChunks = 0;
    std::vector<std::pair<std::string, std::uint32_t>> FCountChecks;
    std::vector<std::int64_t> FOutputPositions;
};

}  // namespace

void TChunkOrigins::Add(TBinaryFile& input, std::int64_t position)
{
    if (Runs.empty() || Runs.back().Input != &input)
        Runs.push_back({&input, 0});
    ++Runs.back().Count;
    Positions.push_back(position);
}

TVerifyReport VerifyAviFile(const std::string& path, const TVerifyRequest& request)
{
    TVerifyReport report;
    auto file = TBinaryFile::OpenRead(path);
    if (!file) {
        report.Failure = "it can not be opened";
        return report;
    }
    try {
        TReadBack(*file, request, report).Run();
    } catch (const TVerifyFailure& failure) {
        report.Failure = failure.what();
    }
    return report;
}

std::string VerifySplitRun(const std::vector<std::string>& parts)
{
    std::string batch;
    for (std::size_t r = 0; r < parts.size(); ++r) {
        const std::string& path = parts[r];
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error))
            return "part " + path + " is not there";
        auto file = TBinaryFile::OpenRead(path);
        std::uint8_t head[20];
        if (!file || !file->Seek(12) || file->Read(head, 8) != 8)
            return "part " + path + " can not be read";
        // The part record stands right after the header list.
        const std::int64_t record = 12 + 8 + std::int64_t{GetU32(head + 4)} + (GetU32(head + 4) & 1);
        TPartRecord found;
        if (!file->Seek(record) || file->Read(head, 8) != 8 || GetU32(head) != kTag ||
            file->Read(found.Bytes.data(), TPartRecord::kSize) != TPartRecord::kSize)
            return "part " + path + " carries no part record";
        if (found.PartIndex() != r + 1)
            return "part " + path + " carries part number " + std::to_string(found.PartIndex()) + " instead of " +
                   std::to_string(r + 1);
        if (r == 0)
            batch = found.BatchIdentity();
        else if (found.BatchIdentity() != batch)
            return "part " + path + " belongs to another run";
    }
    return {};
}

}  // namespace zendra
