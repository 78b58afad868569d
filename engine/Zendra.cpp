#include "engine/Zendra.h"

#include <algorithm>
#include <bit>
#include <climits>

#include "common/FileHelpers.h"
#include "engine/ChunkHeaderReader.h"
#include "platform/Platform.h"

namespace zendra {

TZendra::TZendra(const std::string& fileName, TProgressEvent onProgress, TIndexRebuild rebuild, TEntryProof proof)
    : TChunk(nullptr, nullptr, ctFile), MovieFile(fileName), OnProgress(std::move(onProgress)),
      IndexRebuildPolicy(rebuild), EntryProof(proof)
{
    FInput = TBinaryFile::OpenRead(fileName);
    if (!FInput)
        return;
    File = FInput.get();
    ReadTree();

    for (int i = 0; i < ChildCount(); ++i) {
        TChunk* child = Child(i);
        child->PositionInParent = i;
        if (child->Id == "LIST" && child->ListType == "hdrl")
            HeaderList = child;
        else if (child->Id == "LIST" && child->ListType == "movi")
            MovieList = child;
        else if (child->Id == "idx1")
            IndexChunk = child;
    }
    MainHeader = static_cast<TFileHeaderChunk*>(FindByType(ctMainHeader));
    VideoStreamHeader = static_cast<TStrhChunk*>(FindByType(ctVideoHeader));
    AudioStreamHeader = static_cast<TStrhChunk*>(FindByType(ctAudioHeader));
    VideoFormat = static_cast<TVidStrfChunk*>(FindByType(ctVideoFormat));
    AudioFormat = static_cast<TAudStrfChunk*>(FindByType(ctAudioFormat));
    PartRecordChunk = static_cast<TClipInfo*>(FindByType(ctPartRecord));

    if (!VideoStreamHeader)
        throw EZendraError("Can not locate Video strh in " + fileName);
    if (!VideoFormat)
        throw EZendraError("Can not locate Video strf in " + fileName);
    if (!HeaderList)
        throw EZendraError("File format unknown " + fileName);
    if (!MovieList)
        throw EZendraError("Invalid data segment " + fileName);
    LoadMovieIndex();
    if (PartRecordChunk) {
        PartRecord = PartRecordChunk->Record;
        IsPart = PartRecord.PartIndex() > 0;
    }
}

// idx1 describes the first RIFF only: a movie that goes on past it, or has no idx1, is
// read by its OpenDML index where it has one.
void TZendra::LoadMovieIndex()
{
    CheckExtendedRiff();
    MovieSpans = {{std::int64_t{MovieList->DataPosition}, std::int64_t{MovieList->DataPosition} + MovieList->Size}};
    TFileBytes bytes(*File);
    for (const TExtendedRiff& riff : FindExtendedRiffs(bytes, EndPosition()))
        if (riff.Movie.End > riff.Movie.Begin)
            MovieSpans.push_back(riff.Movie);
    TOpenDmlIndex openDml;
    if (HasExtendedRiff || !IndexChunk)
        openDml = ReadOpenDmlIndex(bytes, HeaderList->DataPosition, HeaderList->Size);
    const bool useOpenDml = !openDml.Entries.empty();
    if (!useOpenDml && !IndexChunk && IndexRebuildPolicy == TIndexRebuild::Refuse)
        throw EZendraError(MovieFile + " does not have index.");
    if (!ReadMainHeader())
        throw EZendraError("Can not read header contents of " + MovieFile);
    if (useOpenDml) {
        if (!UseOpenDmlIndex(std::move(openDml)))
            throw EZendraError("Error reading index");
        return;
    }
    const bool loaded = IndexChunk && (IndexRebuildPolicy == TIndexRebuild::Refuse || !IndexUnusable());
    if (loaded && !LoadIndex())
        throw EZendraError("Error reading index");
    if (!loaded && !RebuildIndex())
        throw EZendraError(IndexChunk ? "Error reading index" : MovieFile + " does not have index.");
    if (loaded && IndexRebuildPolicy != TIndexRebuild::Refuse && EntriesCutOffWithMovie())
        RebuildIndex();
}

bool TZendra::UseOpenDmlIndex(TOpenDmlIndex openDml)
{
    Index = std::move(openDml.Entries);
    FRelativeIndex = false;
    OpenDmlIndexUsed = true;
    LeaveOutUnresolvedEntries();
    MarkIntraOnlyKeyFrames();
    AddIndexStandIn();
    // The index covers every RIFF. The main header counts the first RIFF's frames, and some
    // muxers' dmlh does the same, so the larger count is the movie's claim; where the index
    // holds more frames than that, the index stands.
    const std::uint32_t claimed = std::max(static_cast<std::uint32_t>(FrameCount), openDml.TotalFrames);
    FrameCount = static_cast<std::int32_t>(std::min<std::uint32_t>(claimed, INT32_MAX));
    if (!IndexHoldsEveryFrame())
        return false;
    const auto videoCount = std::count_if(Index.begin(), Index.end(), IsVideoEntry);
    FrameCount = static_cast<std::int32_t>(std::clamp<std::int64_t>(videoCount, FrameCount, INT32_MAX));
    return true;
}

// An index with fewer frames than the header counts is told, and the count follows it.
bool TZendra::IndexHoldsEveryFrame()
{
    const std::int64_t videoCount = std::count_if(Index.begin(), Index.end(), IsVideoEntry);
    if (videoCount >= static_cast<std::uint32_t>(FrameCount))
        return true;
    ShowMessage("Index number (" + std::to_string(videoCount) + ") is different than frame number in header (" +
                std::to_string(static_cast<std::uint32_t>(FrameCount)) + ").");
    FrameCount = static_cast<std::int32_t>(videoCount);
    return false;
}

// Stands for the idx1 the writers write afresh where the input has none.
void TZendra::AddIndexStandIn()
{
    if (IndexChunk)
        return;
    IndexChunk = AddChild(ctIndex);
    IndexChunk->Id = "idx1";
    IndexChunk->PositionInParent = ChildCount() - 1;
}

TZendra::~TZendra() = default;

bool TZendra::ReadMainHeader()
{
    if (!HeaderList || HeaderList->ChildCount() == 0)
        return false;
    const TChunk* first = HeaderList->Child(0);
    // The header is taken into a 255-byte buffer; a larger one is read as far as that.
    std::uint8_t buffer[255] = {};
    const std::size_t count = std::min<std::size_t>(first->Size, sizeof buffer);
    constexpr std::size_t kThroughFrameCount = TMainHeaderRecord::kTotalFrames + sizeof(std::uint32_t);
    if (count < kThroughFrameCount || !File->Seek(first->DataPosition) || File->Read(buffer, count) != count)
        return false;
    // What a short header lacks reads as zero.
    const TMainHeaderRecord header = TMainHeaderRecord::Decode(buffer);
    if (header.dwMicroSecPerFrame == 0)
        throw EZendraError("Invalid frame rate (0 microseconds per frame) in " + MovieFile);
    FrameCount = static_cast<std::int32_t>(header.dwTotalFrames);
    FrameRate = 1000000.0L / header.dwMicroSecPerFrame;
    return true;
}

bool TZendra::LoadIndex()
{
    if (!IndexChunk || !MovieList)
        return false;
    Index.clear();
    // Whole 16-byte entries, the last one possibly running past a size that is no multiple of 16.
    const std::uint64_t count = (std::uint64_t{IndexChunk->Size} + 15) / 16;
    if (IndexChunk->DataPosition + count * 16 > static_cast<std::uint64_t>(File->Size()))
        return false;
    if (!ReadIndexEntries(count)) {
        Index.clear();
        return false;
    }
    FRelativeIndex = ResolveIndexBase();
    LeaveOutUnresolvedEntries();
    MarkIntraOnlyKeyFrames();
    return IndexHoldsEveryFrame();
}

bool TZendra::ReadIndexEntries(std::uint64_t count)
{
    // A long run of entries that name no stream (the zeros of a sparse or damaged file)
    // ends the index, so that memory follows the real entries.
    constexpr std::uint64_t kBlock = 4096;  // entries read at once: 64 KiB, reused
    constexpr std::uint64_t kNoEntryRun = 4096;
    constexpr std::uint64_t kReserveAtMost = std::uint64_t{1} << 22;
    const int streams = StreamCount();
    std::uint64_t run = 0;
    Index.reserve(static_cast<std::size_t>(std::min(count, kReserveAtMost)));
    std::vector<std::uint8_t> block(static_cast<std::size_t>(std::min(kBlock, count)) * IndexEntry::kSize);
    for (std::uint64_t done = 0; done < count;) {
        const auto n = static_cast<std::size_t>(std::min(kBlock, count - done));
        const std::size_t bytes = n * IndexEntry::kSize;
        if (!File->Seek(IndexChunk->DataPosition + static_cast<std::int64_t>(done * IndexEntry::kSize)) ||
            File->Read(block.data(), bytes) != bytes)
            return false;
        for (std::size_t k = 0; k < n; ++k) {
            Index.push_back(IndexEntry::Decode(&block[k * IndexEntry::kSize]));
            run = NamesStream(Index.back().ChunkId, streams) ? 0 : run + 1;
            if (run < kNoEntryRun)
                continue;
            Index.resize(static_cast<std::size_t>(done + k + 1 - run));
            Index.shrink_to_fit();
            LeftOutEntries = static_cast<std::int32_t>(std::min<std::uint64_t>(count - Index.size(), INT32_MAX));
            ShowMessage("The index of " + MovieFile + " ends after entry " + std::to_string(Index.size()) + ": the " +
                        std::to_string(count - Index.size()) + " entries from there on name no stream.");
            return true;
        }
        done += n;
    }
    return true;
}

void TZendra::CheckExtendedRiff()
{
    const std::int64_t next = EndPosition();
    std::uint8_t head[12];
    if (!File->Seek(next) || File->Read(head, sizeof head) != sizeof head)
        return;
    HasExtendedRiff = GetU32(head) == MakeFourCC('R', 'I', 'F', 'F') && GetU32(head + 8) == MakeFourCC('A', 'V', 'I', 'X');
}

std::int64_t TZendra::InputSize() const
{
    return FInput ? FInput->Size() : -1;
}

bool TZendra::IndexIsRelative() const
{
    return FRelativeIndex;
}

std::uint32_t TZendra::IndexBase() const
{
    return IndexIsRelative() ? MovieList->DataPosition : 0;
}

std::int32_t TZendra::FirstEntryOutsideFile() const
{
    const std::int64_t size = InputSize();
    for (std::size_t i = 0; i < Index.size(); ++i) {
        const IndexEntry& e = Index[i];
        if (ChunkPosition(e) + 8 + e.Length > size)
            return static_cast<std::int32_t>(i);
    }
    return -1;
}

std::int32_t TZendra::KeyEntryForFrame(std::int32_t n) const
{
    if (n == 0)
        return 0;
    if (n < 0)
        return -1;
    std::int32_t counted = 0;
    std::int32_t p = 0;
    for (std::size_t i = 0; i < Index.size(); ++i) {
        if (IsVideoEntry(Index[i]) && ++counted == n) {
            p = static_cast<std::int32_t>(i);
            break;
        }
    }
    // An empty index has no position 0 to search back from.
    for (std::int32_t i = Index.empty() ? -1 : p; i >= 0; --i)
        if (IsKeyEntry(Index[static_cast<std::size_t>(i)]))
            return i;
    return counted;
}

std::int32_t TZendra::EntryAfterFrame(std::int32_t n) const
{
    if (n == 0)
        return 0;
    if (n < 0)
        return -1;
    std::int32_t counted = 0;
    for (std::size_t i = 0; i < Index.size(); ++i)
        if (IsVideoEntry(Index[i]) && ++counted == n)
            return static_cast<std::int32_t>(i) + 1;
    return 0;
}

std::int32_t TZendra::CountVideoFrames(std::int32_t from, std::int32_t to) const
{
    if (to < from)
        return 0;
    const std::int32_t last = static_cast<std::int32_t>(Index.size()) - 1;
    from = std::max(from, 0);
    to = std::min(to, last);
    std::int32_t count = 0;
    for (std::int32_t i = from; i <= to; ++i)
        count += IsVideoEntry(Index[static_cast<std::size_t>(i)]);
    return count;
}

std::string NameWithoutExt(const std::string& text)
{
    const std::string ext = ExtractFileExt(text);
    if (ext.empty())
        return text;
    const std::string name = ExtractFileName(text);
    for (std::size_t i = name.size(); i-- > 0;)
        if (name.compare(i, ext.size(), ext) == 0)
            return name.substr(0, i);
    return name;
}

}  // namespace zendra
