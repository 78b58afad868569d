#include "viewer/StructWalk.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <sys/stat.h>

#include "common/TextHelpers.h"
#include "engine/MediaNames.h"
#include "engine/OpenDmlIndex.h"
#include "viewer/FrameList.h"

namespace zendra {

namespace {

// Sequential reads with a position and a buffer of our own; every read that falls short
// reports false. Steps within the buffer neither seek nor read, so walking over many small
// chunks (a run of zero padding is one every 8 bytes) costs no system call each.
class TPlainReader {
public:
    explicit TPlainReader(std::FILE* file) : FFile(file), FBuffer(kBufferSize) { Seek(0); }

    std::uint64_t Position() const { return FPosition; }

    bool Seek(std::uint64_t position)
    {
        FPosition = position;
        if (position >= FBufferStart && position <= FBufferStart + FBufferFill)
            return !FBad;
        // Never beyond the file size plus one 32-bit skip, so off_t always holds it.
        FBufferStart = position;
        FBufferFill = 0;
        FBad = fseeko(FFile, static_cast<off_t>(position), SEEK_SET) != 0;
        return !FBad;
    }

    void Skip(std::uint32_t count) { Seek(FPosition + count); }

    std::uint64_t FileSize() const
    {
        struct stat st {};
        return fstat(fileno(FFile), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    }

    bool Block(std::uint8_t* target, std::size_t count)
    {
        std::size_t done = 0;
        while (done < count) {
            if (FPosition == FBufferStart + FBufferFill && !Refill())
                break;
            const std::size_t at = static_cast<std::size_t>(FPosition - FBufferStart);
            const std::size_t n = std::min(count - done, FBufferFill - at);
            std::memcpy(target + done, FBuffer.data() + at, n);
            done += n;
            FPosition += n;
        }
        return done == count;
    }

    bool U32(std::uint32_t& value)
    {
        std::uint8_t bytes[4];
        if (!Block(bytes, 4))
            return false;
        value = GetU32(bytes);
        return true;
    }

    bool Chars(char (&text)[5])
    {
        std::uint8_t bytes[4];
        if (!Block(bytes, 4))
            return false;
        std::memcpy(text, bytes, 4);
        text[4] = 0;
        return true;
    }

    // Reads the expected number of characters and compares them ignoring case.
    bool Tag(const char* expected)
    {
        const std::size_t n = std::strlen(expected);
        std::uint8_t bytes[8];
        if (n > sizeof bytes || !Block(bytes, n))
            return false;
        for (std::size_t i = 0; i < n; ++i)
            if (std::toupper(bytes[i]) != std::toupper(static_cast<unsigned char>(expected[i])))
                return false;
        return true;
    }

private:
    static constexpr std::size_t kBufferSize = 16 * 1024;

    // The file stands at the buffer's end whenever the position reaches it.
    bool Refill()
    {
        if (FBad)
            return false;
        FBufferStart = FPosition;
        FBufferFill = std::fread(FBuffer.data(), 1, FBuffer.size(), FFile);
        return FBufferFill > 0;
    }

    std::FILE* FFile;
    std::vector<std::uint8_t> FBuffer;
    std::uint64_t FBufferStart = 0;
    std::size_t FBufferFill = 0;
    std::uint64_t FPosition = 0;
    bool FBad = false;  // the last seek failed: nothing read now would be where it claims
};

// The OpenDML reading goes through the walk's own reader, which keeps the file's position.
class TReaderBytes : public TByteSource {
public:
    explicit TReaderBytes(TPlainReader& reader) : FReader(reader) {}
    std::int64_t Size() override { return static_cast<std::int64_t>(FReader.FileSize()); }
    bool ReadAt(std::int64_t position, std::uint8_t* out, std::size_t count) override
    {
        return FReader.Seek(static_cast<std::uint64_t>(position)) && FReader.Block(out, count);
    }

private:
    TPlainReader& FReader;
};

struct TFieldSpec {
    const char* Name;
    std::size_t Offset;  // in the record
    int Width;           // 2 WORD, 4 DWORD, 0 FourCC (4 bytes)
};

using TMain = TMainHeaderRecord;
using TStream = TStreamHeaderRecord;
using TBitmap = TBitmapInfoRecord;
using TWave = TWaveFormatRecord;

const TFieldSpec kMainHeaderFields[] = {
    {"dwMicroSecPerFrame", TMain::kMicroSecPerFrame, 4}, {"dwMaxBytesPerSec", TMain::kMaxBytesPerSec, 4},
    {"dwPaddingGranularity", TMain::kPaddingGranularity, 4}, {"dwFlags", TMain::kFlags, 4},
    {"dwTotalFrames", TMain::kTotalFrames, 4}, {"dwInitialFrames", TMain::kInitialFrames, 4},
    {"dwStreams", TMain::kStreams, 4}, {"dwSuggestedBufferSize", TMain::kSuggestedBufferSize, 4},
    {"dwWidth", TMain::kWidth, 4}, {"dwHeight", TMain::kHeight, 4}, {"dwReserved 0", TMain::kReserved, 4},
    {"dwReserved 1", TMain::kReserved + 4, 4}, {"dwReserved 2", TMain::kReserved + 8, 4},
    {"dwReserved 3", TMain::kReserved + 12, 4}};

const TFieldSpec kStreamHeaderFields[] = {
    {"fccType", TStream::kType, 0}, {"fccHandler", TStream::kHandler, 0}, {"dwFlags", TStream::kFlags, 4},
    {"wPriority", TStream::kPriority, 2}, {"wLanguage", TStream::kLanguage, 2},
    {"dwInitialFrames", TStream::kInitialFrames, 4}, {"dwScale", TStream::kScale, 4}, {"dwRate", TStream::kRate, 4},
    {"dwStart", TStream::kStart, 4}, {"dwLength", TStream::kLength, 4},
    {"dwSuggestedBufferSize", TStream::kSuggestedBufferSize, 4}, {"dwQuality", TStream::kQuality, 4},
    {"dwSampleSize", TStream::kSampleSize, 4}};

const TFieldSpec kBitmapFields[] = {
    {"biSize", TBitmap::kHeaderSize, 4}, {"biWidth", TBitmap::kWidth, 4}, {"biHeight", TBitmap::kHeight, 4},
    {"biPlanes", TBitmap::kPlanes, 2}, {"biBitCount", TBitmap::kBitCount, 2},
    {"biCompression", TBitmap::kCompression, 4}, {"biSizeImage", TBitmap::kSizeImage, 4},
    {"biXPelsPerMeter", TBitmap::kXPelsPerMeter, 4}, {"biYPelsPerMeter", TBitmap::kYPelsPerMeter, 4},
    {"biClrUsed", TBitmap::kClrUsed, 4}, {"biClrImportant", TBitmap::kClrImportant, 4}};

const TFieldSpec kWaveFields[] = {
    {"WF.wFormatTag", TWave::kFormatTag, 2}, {"WF.nChannels", TWave::kChannels, 2},
    {"WF.nSamplesPerSec", TWave::kSamplesPerSec, 4}, {"WF.nAvgBytesPerSec", TWave::kAvgBytesPerSec, 4},
    {"WF.nBlockAlign", TWave::kBlockAlign, 2}, {"WF.wBitsPerSample", TWave::kBitsPerSample, 2},
    {"WF.cbSize", TWave::kExtraSize, 2}, {"wID", TWave::kMp3Id, 2}, {"fdwFlags", TWave::kMp3Flags, 4},
    {"nBlockSize", TWave::kMp3BlockSize, 2}, {"nFramesPerBlock", TWave::kMp3FramesPerBlock, 2},
    {"nCodecDelay", TWave::kMp3CodecDelay, 2}};

class TStructWalker {
public:
    TStructWalker(std::FILE* file, TStructState& state, int frameMode, IStructWalkSink& sink)
        : FReader(file), FState(state), FRecords(state.Records), FFrameMode(frameMode), FSink(sink)
    {
    }

    bool Run()
    {
        FState.VideoEntries.Clear();
        FState.AudioEntries.Clear();
        FState.HeaderInfos.clear();
        const bool done = ReadFileHeader() && ReadMainHeader() && ReadVideoStream() && ReadAudioStream() &&
                          FindMovieList() && (ReadOpenDml() || (FHasIdx1 && ReadIndex()));
        FSink.WalkEnded();
        return done;
    }

private:
    void AddRow(THeaderList list, const std::string& name, int width, std::uint32_t value)
    {
        auto info = std::make_unique<HeaderInfo>();
        info->Offset = FRunningOffset;
        info->Width = width == 2 ? 2 : 4;
        info->Value = value;
        info->Plain = name.find("...") == std::string::npos;
        FRunningOffset += static_cast<std::uint64_t>(info->Width);
        const char* type = width == 0 ? "FourCC" : width == 2 ? "WORD" : "DWORD";
        const std::string valueText = width == 0 ? FourCCToText(value) : std::to_string(value);
        FSink.HeaderRowAdded({list, name, type, valueText, info.get()});
        FState.HeaderInfos.push_back(std::move(info));
    }

    // The rows of one record, each at its field's file position.
    template <std::size_t N>
    void AddRows(THeaderList list, const TFieldSpec (&fields)[N], const std::uint8_t* record)
    {
        for (const TFieldSpec& f : fields) {
            const std::uint32_t value = f.Width == 2 ? GetU16(record + f.Offset) : GetU32(record + f.Offset);
            FRunningOffset = FGroupStart + f.Offset;
            AddRow(list, f.Name, f.Width, value);
        }
    }

    void StartGroup() { FGroupStart = FRunningOffset = FReader.Position(); }

    bool ReadFileHeader()
    {
        if (!FReader.Tag("RIFF") || !FReader.U32(FRecords.RiffSize))
            return false;
        FRunningOffset = 4;
        AddRow(THeaderList::MainHeader, "File size", 4, FRecords.RiffSize);
        return true;
    }

    bool ReadMainHeader()
    {
        std::uint32_t size = 0;
        if (!FReader.Tag("AVI ") || !FReader.Tag("LIST") || !FReader.U32(FHeaderListSize))
            return false;
        FHeaderListData = FReader.Position();
        if (!FReader.Tag("hdrl") || !FReader.Tag("avih") || !FReader.U32(size) || size != TMainHeaderRecord::kSize)
            return false;
        StartGroup();
        if (!FReader.Block(FRecords.MainHeader.data(), TMainHeaderRecord::kSize))
            return false;
        AddRows(THeaderList::MainHeader, kMainHeaderFields, FRecords.MainHeader.data());
        return true;
    }

    // "LIST" size "strl" "strh" size, then the header record; listEnd and formatAt tell
    // where the stream list ends and where its strf begins.
    bool ReadStreamHeader(std::array<std::uint8_t, TStreamHeaderRecord::kSize>& record, std::uint64_t& listEnd,
                          std::uint64_t& formatAt)
    {
        std::uint32_t listSize = 0, headerSize = 0;
        if (!FReader.Tag("LIST") || !FReader.U32(listSize))
            return false;
        listEnd = FReader.Position() + listSize;
        if (!FReader.Tag("strl") || !FReader.Tag("strh") || !FReader.U32(headerSize) ||
            headerSize < TStreamHeaderRecord::kSize)
            return false;
        formatAt = FReader.Position() + headerSize;
        StartGroup();
        return FReader.Block(record.data(), record.size());
    }

    bool ReadVideoStream()
    {
        std::uint64_t listEnd = 0, formatAt = 0;
        if (!ReadStreamHeader(FRecords.VideoHeader, listEnd, formatAt))
            return false;
        FRecords.CodecText = FourCCToText(TStreamHeaderRecord::Decode(FRecords.VideoHeader.data()).fccHandler);
        AddRows(THeaderList::VidHeader, kStreamHeaderFields, FRecords.VideoHeader.data());

        std::uint32_t formatSize = 0;
        FReader.Seek(formatAt);
        if (!FReader.Tag("strf") || !FReader.U32(formatSize))
            return false;
        StartGroup();
        // A longer format (a palette) is passed over.
        const std::size_t held = FRecords.VideoFormat.size();
        if (!FReader.Block(FRecords.VideoFormat.data(), formatSize < held ? formatSize : held))
            return false;
        AddRows(THeaderList::VidStruct, kBitmapFields, FRecords.VideoFormat.data());
        FReader.Seek(listEnd);
        return true;
    }

    // Only a list spelled exactly "LIST" ... "strl" counts as the second stream.
    bool SecondStreamFollows(bool& follows)
    {
        const std::uint64_t start = FReader.Position();
        char id[5], type[5];
        std::uint32_t size = 0;
        if (!FReader.Chars(id) || !FReader.U32(size) || !FReader.Chars(type))
            return false;
        FReader.Seek(start);
        follows = std::strcmp(id, "LIST") == 0 && std::strcmp(type, "strl") == 0;
        return true;
    }

    bool ReadAudioStream()
    {
        bool follows = false;
        if (!SecondStreamFollows(follows))
            return false;
        if (!follows)
            return true;
        std::uint64_t listEnd = 0, formatAt = 0;
        if (!ReadStreamHeader(FRecords.AudioHeader, listEnd, formatAt))
            return false;
        AddRows(THeaderList::AudHeader, kStreamHeaderFields, FRecords.AudioHeader.data());

        std::uint32_t formatSize = 0;
        FReader.Seek(formatAt);
        if (!FReader.Tag("strf") || !FReader.U32(formatSize) || formatSize > FRecords.AudioFormat.size())
            return false;
        StartGroup();
        if (!FReader.Block(FRecords.AudioFormat.data(), formatSize))
            return false;
        AddRows(THeaderList::AudStruct, kWaveFields, FRecords.AudioFormat.data());
        AddRow(THeaderList::AudStruct, "Reserved ...", 4, FRecords.AudioFormat[TWaveFormatRecord::kMp3End]);
        FRecords.HasAudio = FRecords.HasAudioTrack = true;
        FReader.Seek(listEnd);
        return true;
    }

    static std::string Upper(const char* text)
    {
        std::string s = text;
        for (char& c : s)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return s;
    }

    // Chunk by chunk, passing over the rest of hdrl like any other chunk. Every step moves
    // forward by at least eight bytes, so the search ends at the end of the file.
    bool FindMovieList()
    {
        for (std::uint32_t step = 1;; ++step) {
            // Megabytes of padding are many chunks: let the window run and hear Break.
            if (step % kChunksPerMessage == 0 && !FSink.SearchStep())
                return false;
            const std::uint64_t start = FReader.Position();
            char id[5], type[5];
            std::uint32_t size = 0;
            if (!FReader.Chars(id) || !FReader.U32(size))
                return false;
            if (Upper(id) != "LIST") {
                FReader.Skip(size);
                continue;
            }
            if (!FReader.Chars(type))
                return false;
            if (Upper(type) != "MOVI") {
                FReader.Skip(size - 4);
                continue;
            }
            FReader.Seek(start);
            if (!FReader.Tag("LIST") || !FReader.U32(FRecords.MovieListSize))
                return false;
            FRunningOffset = start + 4;
            AddRow(THeaderList::MainHeader, "Data size", 4, FRecords.MovieListSize);
            FRecords.MovieDataPosition = static_cast<std::uint32_t>(FReader.Position());
            if (!FReader.Tag("movi"))
                return false;
            FReader.Skip(FRecords.MovieListSize - 4);
            FHasIdx1 = FReader.Tag("idx1") && FReader.U32(FIndexSize);
            FIndexData = FReader.Position();
            return true;
        }
    }

    // The RIFF AVIX chunks after the first RIFF, a row for each; where there are any and the
    // header list holds an OpenDML index, its entries are the movie's. False when the idx1
    // entries are the movie's.
    bool ReadOpenDml()
    {
        TReaderBytes bytes(FReader);
        const std::int64_t firstEnd = 8 + std::int64_t{FRecords.RiffSize} + (FRecords.RiffSize & 1);
        for (const TExtendedRiff& riff : FindExtendedRiffs(bytes, firstEnd)) {
            ++FRecords.ExtendedRiffs;
            FRunningOffset = static_cast<std::uint64_t>(riff.Position) + 4;
            AddRow(THeaderList::MainHeader, "RIFF AVIX " + std::to_string(FRecords.ExtendedRiffs) + " size", 4,
                   riff.Size);
        }
        FReader.Seek(FIndexData);
        if (FRecords.ExtendedRiffs == 0 && FHasIdx1)
            return false;
        TOpenDmlIndex index = ReadOpenDmlIndex(bytes, static_cast<std::int64_t>(FHeaderListData), FHeaderListSize);
        FReader.Seek(FIndexData);
        if (index.Entries.empty())
            return false;
        FRecords.OpenDmlIndex = true;
        FRecords.RelativeIndex = false;
        FRecords.OpenDmlFrames = FRecords.ExtendedRiffs > 0 ? index.TotalFrames : 0;
        FSink.IndexWalkStarting();
        const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(index.Entries.size(), UINT32_MAX));
        for (std::uint32_t i = 0; i < count; ++i) {
            if (!FSink.IndexStep(i, count))
                return true;
            AddEntry(index.Entries[i]);
        }
        return true;
    }

    void AddEntry(const IndexEntry& entry)
    {
        const IndexEntry* stored = nullptr;
        if (IsVideoLine(entry))
            stored = FState.VideoEntries.Add(entry);
        else if (IsAudioLine(entry))
            stored = FState.AudioEntries.Add(entry);
        if (stored && FrameLineWanted(FFrameMode, *stored))
            FSink.AddFrameLine(*stored, IsVideoLine(*stored));
    }

    // Entries are read one at a time, so an absurd index size costs nothing but a short read.
    bool ReadIndex()
    {
        const std::uint32_t count = FIndexSize / IndexEntry::kSize;
        FSink.IndexWalkStarting();
        for (std::uint32_t i = 0; i < count; ++i) {
            if (!FSink.IndexStep(i, count))
                return true;
            std::uint8_t bytes[IndexEntry::kSize];
            if (!FReader.Block(bytes, sizeof bytes))
                return false;
            const IndexEntry entry = IndexEntry::Decode(bytes);
            if (i == 0)
                FRecords.RelativeIndex = entry.Offset < FRecords.MovieDataPosition;
            AddEntry(entry);
        }
        return true;
    }

    static constexpr std::uint32_t kChunksPerMessage = 4096;

    TPlainReader FReader;
    TStructState& FState;
    TStructRecords& FRecords;
    int FFrameMode;
    IStructWalkSink& FSink;
    std::uint64_t FGroupStart = 0;
    std::uint64_t FRunningOffset = 0;
    std::uint32_t FIndexSize = 0;
    std::uint64_t FIndexData = 0;
    bool FHasIdx1 = false;
    std::uint32_t FHeaderListSize = 0;
    std::uint64_t FHeaderListData = 0;
};

}  // namespace

long double TStructRecords::Fps() const
{
    return MicroSecPerFrame() == 0 ? 0.0L : 1000000.0L / MicroSecPerFrame();
}

long double TStructRecords::Duration() const
{
    return TotalFrames() * (MicroSecPerFrame() / 1000000.0L);
}

void TStructState::Reset()
{
    Records = TStructRecords{};
    VideoEntries.Clear();
    AudioEntries.Clear();
    HeaderInfos.clear();
}

bool WalkStructure(std::FILE* file, TStructState& state, int frameMode, IStructWalkSink& sink)
{
    return TStructWalker(file, state, frameMode, sink).Run();
}

std::string IndexPercentText(std::uint32_t i, std::uint32_t count)
{
    if (count == 0)
        return "0%";
    const double percent = std::nearbyint(static_cast<double>(i) * 100.0 / count);
    return std::to_string(static_cast<long long>(percent)) + "%";
}

std::string FpsText(long double fps)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.5Lg", fps);
    return text;
}

std::string KbpsText(const TStructRecords& r)
{
    const TWaveFormatRecord wave = r.Wave();
    // The product wraps like the 32-bit field it was taken from.
    const std::uint32_t bits = static_cast<std::uint32_t>(wave.wBitsPerSample) * wave.nSamplesPerSec * wave.nChannels;
    if (bits != 0)
        return std::to_string((std::uint64_t{bits} + 999) / 1000);
    // dwRate is the byte rate only when dwScale is 1; a frame-counting stream header
    // (variable-rate MP3: scale 1152 or the like, rate = frames) leaves the format's byte rate.
    if (r.AudioStreamScale() > 1)
        return std::to_string(std::uint64_t{wave.nAvgBytesPerSec} * 8 / 1000);
    return std::to_string(std::uint64_t{r.AudioStreamRate()} * 8 / 1000);
}

std::vector<std::pair<std::string, std::string>> CalculatedValues(const TStructRecords& r)
{
    const std::string codecName = VideoCodecName(r.CodecText);
    return {
        {"Video codec", codecName.empty() ? r.CodecText : r.CodecText + " (" + codecName + ")"},
        {"Audio codec", AudioCodecName(r.AudioFormatTag())},
        {"Kbps", KbpsText(r)},
        {"Frame per second (FPS)", FpsText(r.Fps())},
        {"Frame width x height", std::to_string(r.Width()) + " x " + std::to_string(r.Height())},
        {"Number of frames", std::to_string(r.TotalFrames())},
        {"Duration", SecondsToTimeText(r.Duration())},
        {"Audio quality", AudioFormatText(r.Wave())},
    };
}

}  // namespace zendra
