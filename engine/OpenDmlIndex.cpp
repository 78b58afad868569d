#include "engine/OpenDmlIndex.h"

#include <algorithm>
#include <map>

namespace zendra {

namespace {

// A header list is a few kilobytes; one this large is not read into memory.
constexpr std::uint32_t kMaxHeaderListSize = 16u << 20;
constexpr std::size_t kEntryBlock = 65536;
constexpr int kMaxListDepth = 8;
// 4 TiB of movie at 1 GiB a RIFF: more is a hostile file's chain of empty ones.
constexpr std::size_t kMaxExtendedRiffs = 4096;

// The movi list among the children of a RIFF AVIX whose data spans [from, to).
bool FindMovieList(TByteSource& file, std::int64_t from, std::int64_t to, TMovieSpan& span)
{
    std::uint8_t head[12];
    for (std::int64_t at = from; at + 12 <= to;) {
        if (!file.ReadAt(at, head, sizeof head))
            return false;
        const std::uint32_t size = GetU32(head + 4);
        if (GetU32(head) == kList && GetU32(head + 8) == kMovi && size >= 4) {
            span = {at + 8, std::min(at + 8 + std::int64_t{size}, to)};
            return true;
        }
        at += 8 + std::int64_t{size} + (size & 1);
    }
    return false;
}

class TOpenDmlReader {
public:
    explicit TOpenDmlReader(TByteSource& file) : FFile(file), FFileSize(file.Size()) {}

    TOpenDmlIndex Read(std::int64_t headerList, std::uint32_t headerListSize)
    {
        if (headerListSize > kMaxHeaderListSize || headerList + std::int64_t{headerListSize} > FFileSize)
            return {};
        std::vector<std::uint8_t> bytes(headerListSize);
        if (!FFile.ReadAt(headerList, bytes.data(), bytes.size()))
            return {};
        Walk(bytes, 4, bytes.size(), 0);
        std::stable_sort(FIndex.Entries.begin(), FIndex.Entries.end(),
                         [](const IndexEntry& a, const IndexEntry& b) { return a.Offset < b.Offset; });
        // A chunk listed twice (two super entries naming one standard index) is one chunk.
        const auto last = std::unique(FIndex.Entries.begin(), FIndex.Entries.end(),
                                      [](const IndexEntry& a, const IndexEntry& b) { return a.Offset == b.Offset; });
        FIndex.Entries.erase(last, FIndex.Entries.end());
        return std::move(FIndex);
    }

private:
    // The chunks of the header list's bytes in [from, to), lists walked into.
    void Walk(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t to, int depth)
    {
        for (std::size_t at = from; at + 8 <= to;) {
            const std::uint32_t id = GetU32(&bytes[at]);
            const std::uint32_t size = GetU32(&bytes[at + 4]);
            const std::size_t data = at + 8;
            if (size > to - data)
                return;
            if (id == kList && size >= 4 && depth < kMaxListDepth)
                Walk(bytes, data + 4, data + size, depth + 1);
            else if (id == MakeFourCC('i', 'n', 'd', 'x') && size >= TSuperIndexRecord::kSize)
                ReadSuperIndex(&bytes[data], size);
            else if (id == MakeFourCC('d', 'm', 'l', 'h') && size >= 4)
                FIndex.TotalFrames = GetU32(&bytes[data]);
            at = data + size + (size & 1);
        }
    }

    void ReadSuperIndex(const std::uint8_t* data, std::uint32_t size)
    {
        const TSuperIndexRecord head = TSuperIndexRecord::Decode(data);
        if (head.wLongsPerEntry != 4 || head.bIndexType != TStandardIndexRecord::kIndexOfIndexes)
            return;
        ++FIndex.SuperIndexes;
        const std::uint32_t room = (size - TSuperIndexRecord::kSize) / TSuperIndexEntry::kSize;
        const std::uint32_t count = std::min(head.nEntriesInUse, room);
        for (std::uint32_t i = 0; i < count; ++i) {
            const TSuperIndexEntry entry =
                TSuperIndexEntry::Decode(data + TSuperIndexRecord::kSize + std::size_t{i} * TSuperIndexEntry::kSize);
            ReadStandardIndex(entry.qwOffset, head.dwChunkId);
        }
    }

    // Standard indexes overlap no other one read before: a hostile super index that names
    // the same bytes again and again does not multiply the entries.
    bool Overlaps(std::int64_t begin, std::int64_t end) const
    {
        const auto next = FReadIndexes.lower_bound(begin);
        if (next != FReadIndexes.end() && next->first < end)
            return true;
        return next != FReadIndexes.begin() && std::prev(next)->second > begin;
    }

    void ReadStandardIndex(std::uint64_t position, std::uint32_t streamId)
    {
        constexpr std::size_t kHead = 8 + TStandardIndexRecord::kSize;
        if (position > static_cast<std::uint64_t>(FFileSize) - std::min<std::uint64_t>(FFileSize, kHead))
            return;
        const auto at = static_cast<std::int64_t>(position);
        std::uint8_t bytes[kHead];
        if (!FFile.ReadAt(at, bytes, kHead) || !IsStandardIndexId(GetU32(bytes)))
            return;
        const std::uint32_t size = GetU32(bytes + 4);
        const TStandardIndexRecord head = TStandardIndexRecord::Decode(bytes + 8);
        if (size < TStandardIndexRecord::kSize || at + 8 + std::int64_t{size} > FFileSize || head.wLongsPerEntry < 2 ||
            head.bIndexType != TStandardIndexRecord::kIndexOfChunks || Overlaps(at, at + 8 + std::int64_t{size}))
            return;
        FReadIndexes[at] = at + 8 + std::int64_t{size};
        const std::size_t stride = std::size_t{4} * head.wLongsPerEntry;
        const std::uint64_t count = std::min<std::uint64_t>(head.nEntriesInUse, (size - TStandardIndexRecord::kSize) / stride);
        ReadEntries(at + static_cast<std::int64_t>(kHead), count, stride, head, head.dwChunkId ? head.dwChunkId : streamId);
    }

    void ReadEntries(std::int64_t from, std::uint64_t count, std::size_t stride, const TStandardIndexRecord& head,
                     std::uint32_t chunkId)
    {
        std::vector<std::uint8_t> block;
        for (std::uint64_t done = 0; done < count;) {
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kEntryBlock, count - done));
            block.resize(n * stride);
            if (!FFile.ReadAt(from + static_cast<std::int64_t>(done * stride), block.data(), block.size()))
                return;
            for (std::size_t k = 0; k < n; ++k)
                Add(TStandardIndexEntry::Decode(&block[k * stride]), head.qwBaseOffset, chunkId);
            done += n;
        }
    }

    void Add(const TStandardIndexEntry& entry, std::uint64_t base, std::uint32_t chunkId)
    {
        const std::uint64_t data = base + entry.dwOffset;
        if (data < 8 || data < base || data > static_cast<std::uint64_t>(FFileSize))
            return;
        IndexEntry e;
        e.ChunkId = chunkId;
        e.Flags = (entry.dwSize & TStandardIndexEntry::kNotKeyFrame) ? 0 : kKeyFrameFlag;
        e.Offset = data - 8;
        e.Length = entry.dwSize & ~TStandardIndexEntry::kNotKeyFrame;
        FIndex.Entries.push_back(e);
    }

    TByteSource& FFile;
    std::int64_t FFileSize;
    TOpenDmlIndex FIndex;
    std::map<std::int64_t, std::int64_t> FReadIndexes;  // begin → end of each standard index read
};

}  // namespace

bool IsStandardIndexId(std::uint32_t id)
{
    const auto low = static_cast<std::uint16_t>(id & 0xFFFF), high = static_cast<std::uint16_t>(id >> 16);
    constexpr std::uint16_t kIx = 'i' | ('x' << 8);
    return low == kIx || high == kIx;
}

std::vector<TExtendedRiff> FindExtendedRiffs(TByteSource& file, std::int64_t position)
{
    std::vector<TExtendedRiff> riffs;
    const std::int64_t fileSize = file.Size();
    std::uint8_t head[12];
    for (std::int64_t at = position; at + 12 <= fileSize && riffs.size() < kMaxExtendedRiffs;) {
        if (!file.ReadAt(at, head, sizeof head) || GetU32(head) != kRiff || GetU32(head + 8) != kAvix)
            break;
        TExtendedRiff riff;
        riff.Position = at;
        riff.Size = GetU32(head + 4);
        // A capture cut short ends inside its last RIFF: the part that is there counts.
        const std::int64_t end = std::min(at + 8 + std::int64_t{riff.Size}, fileSize);
        if (riff.Size >= 4)
            FindMovieList(file, at + 12, end, riff.Movie);
        riffs.push_back(riff);
        at += 8 + std::int64_t{riff.Size} + (riff.Size & 1);
    }
    return riffs;
}

TOpenDmlIndex ReadOpenDmlIndex(TByteSource& file, std::int64_t headerList, std::uint32_t headerListSize)
{
    return TOpenDmlReader(file).Read(headerList, headerListSize);
}

}  // namespace zendra
