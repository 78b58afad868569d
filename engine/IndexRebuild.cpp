#include "engine/IndexRebuild.h"

#include <algorithm>

#include "common/TextHelpers.h"
#include "engine/ChunkHeaderReader.h"
#include "engine/Zendra.h"
#include "platform/Platform.h"

namespace zendra {

namespace {

constexpr std::uint32_t kListId = MakeFourCC('L', 'I', 'S', 'T');
constexpr std::uint32_t kRecordList = MakeFourCC('r', 'e', 'c', ' ');
// "rec " lists hold chunks, not further lists; a little room for odd writers.
constexpr int kMaxRecordDepth = 4;
// The start of a frame tells its kind; its headers come first and are short.
constexpr std::size_t kProbeBytes = 16 * 1024;

struct TWalkBounds {
    std::int64_t Base;     // the movi list's type field: where entry offsets count from
    std::int64_t FileEnd;
    int Streams;
};

bool IsRecordList(TChunkHeaderReader& reader, std::int64_t at, const TChunkHeader& header)
{
    std::uint8_t type[4];
    return header.Id == kListId && header.Size >= 4 && reader.ReadBytes(at + 8, type, sizeof type) &&
           GetU32(type) == kRecordList;
}

void WalkChunks(TChunkHeaderReader& reader, std::int64_t from, std::int64_t to, const TWalkBounds& bounds,
                int depth, TMovieWalk& walk)
{
    for (std::int64_t at = from; at + 8 <= to;) {
        TChunkHeader header;
        if (!reader.Read(at, header)) {
            walk.CutOff = true;
            return;
        }
        const std::int64_t dataEnd = at + 8 + header.Size;
        if (IsRecordList(reader, at, header) && depth < kMaxRecordDepth) {
            WalkChunks(reader, at + 12, std::min(dataEnd, to), bounds, depth + 1, walk);
        } else if (NamesStream(header.Id, bounds.Streams)) {
            if (dataEnd > bounds.FileEnd) {
                walk.CutOff = true;
                return;
            }
            walk.Entries.push_back({header.Id, 0, static_cast<std::uint32_t>(at - bounds.Base), header.Size});
        }
        // JUNK, ix## and unknown chunks are stepped over.
        at = dataEnd + (header.Size & 1);
    }
}

// The byte after the next start code 00 00 01 at or after from, or size when there is none.
std::size_t AfterStartCode(const std::uint8_t* data, std::size_t size, std::size_t from)
{
    for (std::size_t i = from; i + 3 <= size; ++i)
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1)
            return i + 3;
    return size;
}

bool IsKeyVideoFrame(TKeyFrameCoding coding, const std::uint8_t* data, std::size_t size)
{
    switch (coding) {
    case TKeyFrameCoding::IntraOnly: return true;
    case TKeyFrameCoding::Mpeg4Part2: return IsMpeg4KeyFrame(data, size);
    case TKeyFrameCoding::H264: return IsH264KeyFrame(data, size);
    case TKeyFrameCoding::H264LengthPrefixed: return IsLengthPrefixedH264KeyFrame(data, size);
    case TKeyFrameCoding::Unknown: break;
    }
    return false;
}

}  // namespace

TMovieWalk WalkMovieList(TBinaryFile& file, const TChunk& movieList, int streams)
{
    TMovieWalk walk;
    TChunkHeaderReader reader(file);
    const std::int64_t fileEnd = file.Size();
    const std::int64_t declaredEnd = std::int64_t{movieList.DataPosition} + movieList.Size;
    const TWalkBounds bounds{movieList.DataPosition, fileEnd, streams};
    WalkChunks(reader, bounds.Base + 4, std::min(declaredEnd, fileEnd), bounds, 0, walk);
    walk.CutOff = walk.CutOff || declaredEnd > fileEnd;
    return walk;
}

bool IsMpeg4KeyFrame(const std::uint8_t* data, std::size_t size)
{
    // The first VOP of the chunk decides (a packed chunk holds a B-VOP after it).
    for (std::size_t at = AfterStartCode(data, size, 0); at < size; at = AfterStartCode(data, size, at))
        if (data[at] == 0xB6)
            return at + 1 < size && (data[at + 1] >> 6) == 0;  // vop_coding_type 0: intra
    return false;
}

bool IsH264KeyFrame(const std::uint8_t* data, std::size_t size)
{
    constexpr int kNonIdrSlice = 1;
    constexpr int kIdrSlice = 5;
    for (std::size_t at = AfterStartCode(data, size, 0); at < size; at = AfterStartCode(data, size, at)) {
        const int type = data[at] & 0x1F;
        if (type == kIdrSlice)
            return true;
        if (type == kNonIdrSlice)
            return false;
    }
    return false;
}

bool IsLengthPrefixedH264KeyFrame(const std::uint8_t* data, std::size_t size)
{
    constexpr int kNonIdrSlice = 1;
    constexpr int kIdrSlice = 5;
    for (std::size_t at = 0; at + 5 <= size;) {
        const std::uint32_t length = (std::uint32_t{data[at]} << 24) | (std::uint32_t{data[at + 1]} << 16) |
                                     (std::uint32_t{data[at + 2]} << 8) | data[at + 3];
        const int type = data[at + 4] & 0x1F;
        if (length == 0 || type == kNonIdrSlice)
            return false;
        if (type == kIdrSlice)
            return true;
        if (length > size - at - 4)
            break;
        at += 4 + std::size_t{length};
    }
    return false;
}

void MarkRebuiltKeyFrames(TBinaryFile& file, std::int64_t base, TKeyFrameCoding coding,
                          std::vector<IndexEntry>& entries)
{
    std::vector<std::uint8_t> probe;
    for (IndexEntry& e : entries) {
        if (!IsVideoEntry(e) || coding == TKeyFrameCoding::IntraOnly) {
            e.Flags = kKeyFrameFlag;
            continue;
        }
        probe.resize(std::min<std::size_t>(e.Length, kProbeBytes));
        const bool read = file.Seek(base + e.Offset + 8) && file.Read(probe.data(), probe.size()) == probe.size();
        e.Flags = read && IsKeyVideoFrame(coding, probe.data(), probe.size()) ? kKeyFrameFlag : 0;
    }
}

std::string RebuildQuestion(const std::string& movieName)
{
    return movieName + " has no index. Build one from its contents?";
}

std::string RebuiltIndexLine(const TZendra& movie)
{
    std::size_t keys = 0;
    for (const IndexEntry& e : movie.Index)
        keys += IsKeyEntry(e);
    std::string line = "Built an index for " + movie.MovieFile + " from its contents: " +
                       std::to_string(movie.Index.size()) + " entries, " + std::to_string(keys) + " key frames.";
    if (movie.RebuiltFromCutOffMovie)
        line += " The movie is cut off: only its complete chunks are kept.";
    return line;
}

bool TZendra::IndexUnusable() const
{
    return IndexChunk->Size < IndexEntry::kSize ||
           std::int64_t{IndexChunk->DataPosition} + IndexChunk->Size > File->Size();
}

bool TZendra::EntriesCutOffWithMovie() const
{
    return MovieList->EndPosition() > File->Size() && FirstEntryOutsideFile() >= 0;
}

TKeyFrameCoding TZendra::CheckedKeyFrameCoding() const
{
    TKeyFrameCoding coding =
        KeyFrameCodingOf(VideoStreamHeader->Header.fccHandler, VideoFormat->Format.biCompression);
    // An avcC record (version 1) after the bitmap header: NAL units behind their lengths.
    std::uint8_t version = 0;
    if (coding == TKeyFrameCoding::H264 && VideoFormat->Size > TBitmapInfoRecord::kSize &&
        File->Seek(std::int64_t{VideoFormat->DataPosition} + TBitmapInfoRecord::kSize) && File->Read(&version, 1) == 1 &&
        version == 1)
        coding = TKeyFrameCoding::H264LengthPrefixed;
    if (coding == TKeyFrameCoding::Unknown)
        throw EZendraError("No index can be built for " + MovieFile + ": the key frames of its video (" +
                           FourCCToText(VideoFormat->Format.biCompression) + ") can not be told from its data.");
    return coding;
}

bool TZendra::AgreesToRebuild() const
{
    if (IndexRebuildPolicy == TIndexRebuild::Ask)
        return Confirm(RebuildQuestion(MovieFile), TButtons::YesNo) == TAnswer::Yes;
    return IndexRebuildPolicy == TIndexRebuild::Rebuild;
}

bool TZendra::RebuildIndex()
{
    if (IndexRebuildPolicy == TIndexRebuild::Refuse)
        return false;
    const TKeyFrameCoding coding = CheckedKeyFrameCoding();
    if (!AgreesToRebuild())
        return false;
    TMovieWalk walk = WalkMovieList(*File, *MovieList, StreamCount());
    MarkRebuiltKeyFrames(*File, MovieList->DataPosition, coding, walk.Entries);
    Index = std::move(walk.Entries);
    FUnproven.clear();  // built from the chunks themselves
    FRelativeIndex = true;
    LeftOutEntries = 0;
    IndexRebuilt = true;
    RebuiltFromCutOffMovie = walk.CutOff;
    AddIndexStandIn();
    IndexChunk->Size = static_cast<std::uint32_t>(Index.size() * IndexEntry::kSize);
    const auto videoCount = static_cast<std::int32_t>(std::count_if(Index.begin(), Index.end(), IsVideoEntry));
    if (videoCount < FrameCount || FrameCount < 0)
        FrameCount = videoCount;
    if (IndexRebuildPolicy == TIndexRebuild::Ask && walk.CutOff)
        ShowMessage(MovieFile + " is cut off: only its complete chunks are kept.");
    return true;
}

}  // namespace zendra
