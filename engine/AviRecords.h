// On-disk records of the AVI files the engine reads and writes, as plain value types.
// Every record is decoded and encoded explicitly little-endian.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "common/Bytes.h"

namespace zendra {

// Failures that make an operation impossible; the message is shown to the user as it is.
class EZendraError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

constexpr std::uint32_t MakeFourCC(char a, char b, char c, char d)
{
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(a)) |
           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(b)) << 8) |
           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(c)) << 16) |
           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(d)) << 24);
}

// The chunk, list and stream codes the readers and writers look for.
constexpr std::uint32_t kRiff = MakeFourCC('R', 'I', 'F', 'F');
constexpr std::uint32_t kAvi = MakeFourCC('A', 'V', 'I', ' ');
constexpr std::uint32_t kAvix = MakeFourCC('A', 'V', 'I', 'X');
constexpr std::uint32_t kList = MakeFourCC('L', 'I', 'S', 'T');
constexpr std::uint32_t kMovi = MakeFourCC('m', 'o', 'v', 'i');
constexpr std::uint32_t kHdrl = MakeFourCC('h', 'd', 'r', 'l');
constexpr std::uint32_t kStrl = MakeFourCC('s', 't', 'r', 'l');
constexpr std::uint32_t kOdml = MakeFourCC('o', 'd', 'm', 'l');
constexpr std::uint32_t kIdx1 = MakeFourCC('i', 'd', 'x', '1');
constexpr std::uint32_t kAvih = MakeFourCC('a', 'v', 'i', 'h');
constexpr std::uint32_t kStrh = MakeFourCC('s', 't', 'r', 'h');
constexpr std::uint32_t kDmlh = MakeFourCC('d', 'm', 'l', 'h');
constexpr std::uint32_t kIndx = MakeFourCC('i', 'n', 'd', 'x');
constexpr std::uint32_t kJunk = MakeFourCC('J', 'U', 'N', 'K');
constexpr std::uint32_t kTag = MakeFourCC('T', 'A', 'G', ' ');
constexpr std::uint32_t kVids = MakeFourCC('v', 'i', 'd', 's');
constexpr std::uint32_t kIavs = MakeFourCC('i', 'a', 'v', 's');
constexpr std::uint32_t kAuds = MakeFourCC('a', 'u', 'd', 's');

// Type codes of the chunk records.
enum TChunkType : std::uint8_t {
    ctFile = 1,
    ctList = 2,
    ctHeaderList = 3,
    ctMainHeader = 4,
    ctStreamHeader = 5,
    ctStreamFormat = 6,
    ctStreamName = 7,
    ctJunk = 8,
    ctIndex = 9,
    ctPartRecord = 11,
    ctVideoHeader = 12,
    ctAudioHeader = 13,
    ctVideoFormat = 14,
    ctAudioFormat = 15,
};

constexpr std::uint32_t kKeyFrameFlag = 0x10;

// Each record lists its fields once, with their offsets, in Fields(record, io); Decode
// reads and Encode writes them all through that one list.
struct TFieldReader {
    const std::uint8_t* P;
    void operator()(std::size_t at, std::uint8_t& v) const { v = P[at]; }
    void operator()(std::size_t at, std::uint16_t& v) const { v = GetU16(P + at); }
    void operator()(std::size_t at, std::uint32_t& v) const { v = GetU32(P + at); }
    void operator()(std::size_t at, std::int32_t& v) const { v = static_cast<std::int32_t>(GetU32(P + at)); }
    void operator()(std::size_t at, std::uint64_t& v) const { v = GetU64(P + at); }
};

struct TFieldWriter {
    std::uint8_t* P;
    void operator()(std::size_t at, std::uint8_t v) const { P[at] = v; }
    void operator()(std::size_t at, std::uint16_t v) const { PutU16(P + at, v); }
    void operator()(std::size_t at, std::uint32_t v) const { PutU32(P + at, v); }
    void operator()(std::size_t at, std::int32_t v) const { PutU32(P + at, static_cast<std::uint32_t>(v)); }
    void operator()(std::size_t at, std::uint64_t v) const { PutU64(P + at, v); }
};

template <class TRecord>
TRecord DecodeFields(const std::uint8_t* p)
{
    TRecord r{};
    TRecord::Fields(r, TFieldReader{p});
    return r;
}

template <class TRecord>
void EncodeFields(const TRecord& r, std::uint8_t* p)
{
    TRecord::Fields(r, TFieldWriter{p});
}

// Decode and Encode of a record that lists its Fields.
template <class TRecord>
struct TRecordCodec {
    static TRecord Decode(const std::uint8_t* p) { return DecodeFields<TRecord>(p); }
    void Encode(std::uint8_t* p) const { EncodeFields(static_cast<const TRecord&>(*this), p); }
};

// A run of 32-bit fields: reserved words and the like.
template <class Io, class TWord, std::size_t N>
void WordFields(Io& io, std::size_t at, TWord (&words)[N])
{
    for (std::size_t i = 0; i < N; ++i)
        io(at + 4 * i, words[i]);
}

// One index entry: on disk the 16 bytes of an idx1 entry; in memory its offset is 64 bits
// wide, so that an entry of an OpenDML index, whose chunk may lie past 4 GiB, fits too.
struct IndexEntry {
    std::uint32_t ChunkId = 0;
    std::uint32_t Flags = 0;
    std::uint64_t Offset = 0;
    std::uint32_t Length = 0;

    static constexpr std::size_t kSize = 16;
    static constexpr std::size_t kChunkId = 0, kFlags = 4, kOffset = 8, kLength = 12;

    static IndexEntry Decode(const std::uint8_t* p)
    {
        return {GetU32(p + kChunkId), GetU32(p + kFlags), GetU32(p + kOffset), GetU32(p + kLength)};
    }
    // The offset is written as its low 32 bits: an idx1 offset.
    void Encode(std::uint8_t* p) const
    {
        PutU32(p + kChunkId, ChunkId); PutU32(p + kFlags, Flags);
        PutU32(p + kOffset, static_cast<std::uint32_t>(Offset)); PutU32(p + kLength, Length);
    }
};
static_assert(sizeof(IndexEntry) <= 24, "an index entry costs at most 24 bytes of memory");

// A video chunk has "d" as the third character of its id ("00dc", "00db"); DV type-1
// chunks, whole frames with their sound, are written "00__" by some capture tools.
inline bool IsVideoChunkId(std::uint32_t id)
{
    const std::uint32_t kind = (id >> 16) & 0xFFFF;
    return (kind & 0xFF) == 'd' || kind == ('_' | ('_' << 8));
}

// The third character of a chunk id: 'd' in "00dc", 'w' in "01wb".
inline char StreamKindChar(std::uint32_t id)
{
    return static_cast<char>((id >> 16) & 0xFF);
}

// The stream an id's two leading digits name, or -1 ("ix00", "rec ", "JUNK").
int StreamNumber(std::uint32_t chunkId);
// The id names one of a file's streams.
bool NamesStream(std::uint32_t chunkId, int streams);

inline bool IsVideoEntry(const IndexEntry& e)
{
    return IsVideoChunkId(e.ChunkId);
}

inline bool HasKeyFlag(const IndexEntry& e)
{
    return (e.Flags & kKeyFrameFlag) != 0;
}

inline bool IsKeyEntry(const IndexEntry& e)
{
    return IsVideoEntry(e) && HasKeyFlag(e);
}

// avih: the main header, first 56 bytes.
struct TMainHeaderRecord : TRecordCodec<TMainHeaderRecord> {
    static constexpr std::size_t kSize = 56;
    static constexpr std::size_t kMicroSecPerFrame = 0, kMaxBytesPerSec = 4, kPaddingGranularity = 8, kFlags = 12,
                                 kTotalFrames = 16, kInitialFrames = 20, kStreams = 24, kSuggestedBufferSize = 28,
                                 kWidth = 32, kHeight = 36, kReserved = 40;

    std::uint32_t dwMicroSecPerFrame = 0, dwMaxBytesPerSec = 0, dwPaddingGranularity = 0, dwFlags = 0,
                  dwTotalFrames = 0, dwInitialFrames = 0, dwStreams = 0, dwSuggestedBufferSize = 0,
                  dwWidth = 0, dwHeight = 0;
    std::uint32_t dwReserved[4] = {0, 0, 0, 0};

    template <class R, class Io>
    static void Fields(R& r, Io io)
    {
        io(kMicroSecPerFrame, r.dwMicroSecPerFrame); io(kMaxBytesPerSec, r.dwMaxBytesPerSec);
        io(kPaddingGranularity, r.dwPaddingGranularity); io(kFlags, r.dwFlags); io(kTotalFrames, r.dwTotalFrames);
        io(kInitialFrames, r.dwInitialFrames); io(kStreams, r.dwStreams);
        io(kSuggestedBufferSize, r.dwSuggestedBufferSize); io(kWidth, r.dwWidth); io(kHeight, r.dwHeight);
        WordFields(io, kReserved, r.dwReserved);
    }
};

// strh: the stream header, first 48 bytes (the frame rectangle after it is not held).
struct TStreamHeaderRecord : TRecordCodec<TStreamHeaderRecord> {
    static constexpr std::size_t kSize = 48;
    static constexpr std::size_t kType = 0, kHandler = 4, kFlags = 8, kPriority = 12, kLanguage = 14,
                                 kInitialFrames = 16, kScale = 20, kRate = 24, kStart = 28, kLength = 32,
                                 kSuggestedBufferSize = 36, kQuality = 40, kSampleSize = 44;

    std::uint32_t fccType = 0, fccHandler = 0, dwFlags = 0;
    std::uint16_t wPriority = 0, wLanguage = 0;
    std::uint32_t dwInitialFrames = 0, dwScale = 0, dwRate = 0, dwStart = 0, dwLength = 0,
                  dwSuggestedBufferSize = 0, dwQuality = 0, dwSampleSize = 0;

    template <class R, class Io>
    static void Fields(R& r, Io io)
    {
        io(kType, r.fccType); io(kHandler, r.fccHandler); io(kFlags, r.dwFlags); io(kPriority, r.wPriority);
        io(kLanguage, r.wLanguage); io(kInitialFrames, r.dwInitialFrames); io(kScale, r.dwScale); io(kRate, r.dwRate);
        io(kStart, r.dwStart); io(kLength, r.dwLength); io(kSuggestedBufferSize, r.dwSuggestedBufferSize);
        io(kQuality, r.dwQuality); io(kSampleSize, r.dwSampleSize);
    }
};

// strf of a video stream: the bitmap info header, first 40 bytes.
struct TBitmapInfoRecord : TRecordCodec<TBitmapInfoRecord> {
    static constexpr std::size_t kSize = 40;
    static constexpr std::size_t kHeaderSize = 0, kWidth = 4, kHeight = 8, kPlanes = 12, kBitCount = 14,
                                 kCompression = 16, kSizeImage = 20, kXPelsPerMeter = 24, kYPelsPerMeter = 28,
                                 kClrUsed = 32, kClrImportant = 36;

    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0, biHeight = 0;
    std::uint16_t biPlanes = 0, biBitCount = 0;
    std::uint32_t biCompression = 0, biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0, biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0, biClrImportant = 0;

    template <class R, class Io>
    static void Fields(R& r, Io io)
    {
        io(kHeaderSize, r.biSize); io(kWidth, r.biWidth); io(kHeight, r.biHeight); io(kPlanes, r.biPlanes);
        io(kBitCount, r.biBitCount); io(kCompression, r.biCompression); io(kSizeImage, r.biSizeImage);
        io(kXPelsPerMeter, r.biXPelsPerMeter); io(kYPelsPerMeter, r.biYPelsPerMeter); io(kClrUsed, r.biClrUsed);
        io(kClrImportant, r.biClrImportant);
    }
};

// strf of an audio stream: the wave format header; the caller holds the 128-byte buffer.
struct TWaveFormatRecord : TRecordCodec<TWaveFormatRecord> {
    static constexpr std::size_t kSize = 18;
    static constexpr std::size_t kFormatTag = 0, kChannels = 2, kSamplesPerSec = 4, kAvgBytesPerSec = 8,
                                 kBlockAlign = 12, kBitsPerSample = 14, kExtraSize = 16;
    // The extra fields of an MPEG layer-3 format, which only the structure viewer lists.
    static constexpr std::size_t kMp3Id = 18, kMp3Flags = 20, kMp3BlockSize = 24, kMp3FramesPerBlock = 26,
                                 kMp3CodecDelay = 28, kMp3End = 30;

    std::uint16_t wFormatTag = 0, nChannels = 0;
    std::uint32_t nSamplesPerSec = 0, nAvgBytesPerSec = 0;
    std::uint16_t nBlockAlign = 0, wBitsPerSample = 0, cbSize = 0;

    template <class R, class Io>
    static void Fields(R& r, Io io)
    {
        io(kFormatTag, r.wFormatTag); io(kChannels, r.nChannels); io(kSamplesPerSec, r.nSamplesPerSec);
        io(kAvgBytesPerSec, r.nAvgBytesPerSec); io(kBlockAlign, r.nBlockAlign); io(kBitsPerSample, r.wBitsPerSample);
        io(kExtraSize, r.cbSize);
    }
};

// dmlh: the OpenDML extended header, the movie's whole frame count and reserved space.
struct TOpenDmlHeaderRecord : TRecordCodec<TOpenDmlHeaderRecord> {
    static constexpr std::size_t kSize = 248;
    static constexpr std::size_t kTotalFrames = 0, kReserved = 4;

    std::uint32_t dwTotalFrames = 0;
    std::uint32_t dwFuture[61] = {};

    template <class R, class Io>
    static void Fields(R& r, Io io)
    {
        io(kTotalFrames, r.dwTotalFrames); WordFields(io, kReserved, r.dwFuture);
    }
};

// indx: the head of an OpenDML super index; its entries follow it.
struct TSuperIndexRecord : TRecordCodec<TSuperIndexRecord> {
    static constexpr std::size_t kSize = 24;
    static constexpr std::size_t kLongsPerEntry = 0, kIndexSubType = 2, kIndexType = 3, kEntriesInUse = 4,
                                 kChunkId = 8, kReserved = 12;

    std::uint16_t wLongsPerEntry = 0;
    std::uint8_t bIndexSubType = 0, bIndexType = 0;
    std::uint32_t nEntriesInUse = 0, dwChunkId = 0;
    std::uint32_t dwReserved[3] = {0, 0, 0};

    template <class R, class Io>
    static void Fields(R& r, Io io)
    {
        io(kLongsPerEntry, r.wLongsPerEntry); io(kIndexSubType, r.bIndexSubType); io(kIndexType, r.bIndexType);
        io(kEntriesInUse, r.nEntriesInUse); io(kChunkId, r.dwChunkId); WordFields(io, kReserved, r.dwReserved);
    }
};

// One entry of a super index: where a standard index chunk lies and how much it covers.
struct TSuperIndexEntry : TRecordCodec<TSuperIndexEntry> {
    static constexpr std::size_t kSize = 16;
    static constexpr std::size_t kOffset = 0, kIndexSize = 8, kDuration = 12;

    std::uint64_t qwOffset = 0;
    std::uint32_t dwSize = 0, dwDuration = 0;

    template <class R, class Io>
    static void Fields(R& r, Io io)
    {
        io(kOffset, r.qwOffset); io(kIndexSize, r.dwSize); io(kDuration, r.dwDuration);
    }
};

// The head of an OpenDML standard index chunk (ix## or ##ix); its 8-byte entries follow.
struct TStandardIndexRecord : TRecordCodec<TStandardIndexRecord> {
    static constexpr std::size_t kSize = 24;
    static constexpr std::size_t kLongsPerEntry = 0, kIndexSubType = 2, kIndexType = 3, kEntriesInUse = 4,
                                 kChunkId = 8, kBaseOffset = 12, kReserved = 20;
    static constexpr std::uint8_t kIndexOfIndexes = 0, kIndexOfChunks = 1;

    std::uint16_t wLongsPerEntry = 0;
    std::uint8_t bIndexSubType = 0, bIndexType = 0;
    std::uint32_t nEntriesInUse = 0, dwChunkId = 0;
    std::uint64_t qwBaseOffset = 0;
    std::uint32_t dwReserved = 0;

    template <class R, class Io>
    static void Fields(R& r, Io io)
    {
        io(kLongsPerEntry, r.wLongsPerEntry); io(kIndexSubType, r.bIndexSubType); io(kIndexType, r.bIndexType);
        io(kEntriesInUse, r.nEntriesInUse); io(kChunkId, r.dwChunkId); io(kBaseOffset, r.qwBaseOffset);
        io(kReserved, r.dwReserved);
    }
};

// One entry of a standard index: the chunk's data (past its 8-byte header) at the base
// offset plus dwOffset; bit 31 of dwSize set marks a frame that is not a key frame.
struct TStandardIndexEntry : TRecordCodec<TStandardIndexEntry> {
    static constexpr std::size_t kSize = 8;
    static constexpr std::size_t kOffset = 0, kChunkSize = 4;
    static constexpr std::uint32_t kNotKeyFrame = 0x80000000u;

    std::uint32_t dwOffset = 0, dwSize = 0;

    template <class R, class Io>
    static void Fields(R& r, Io io)
    {
        io(kOffset, r.dwOffset); io(kChunkSize, r.dwSize);
    }
};

// The 560-byte record of the "TAG " chunk that every split part carries.
class TPartRecord {
public:
    static constexpr std::size_t kSize = 560;
    static constexpr std::size_t kCreatedAt = 424, kSourceName = 432, kBatchIdentity = 496,
                                 kLeadCount = 546, kPartIndex = 548, kRelativeIndex = 550, kFlag = 551,
                                 kSourceTime = 552;
    static constexpr std::size_t kSourceNameField = 64, kBatchIdentityField = 50;

    std::array<std::uint8_t, kSize> Bytes{};

    void Clear() { Bytes.fill(0); }
    bool IsZero() const
    {
        for (auto b : Bytes)
            if (b != 0)
                return false;
        return true;
    }

    double CreatedAt() const { return GetF64(&Bytes[kCreatedAt]); }
    void SetCreatedAt(double v) { PutF64(&Bytes[kCreatedAt], v); }
    double SourceTime() const { return GetF64(&Bytes[kSourceTime]); }
    void SetSourceTime(double v) { PutF64(&Bytes[kSourceTime], v); }
    std::uint16_t LeadCount() const { return GetU16(&Bytes[kLeadCount]); }
    void SetLeadCount(std::uint16_t v) { PutU16(&Bytes[kLeadCount], v); }
    std::uint16_t PartIndex() const { return GetU16(&Bytes[kPartIndex]); }
    void SetPartIndex(std::uint16_t v) { PutU16(&Bytes[kPartIndex], v); }
    std::uint8_t RelativeIndex() const { return Bytes[kRelativeIndex]; }
    void SetRelativeIndex(std::uint8_t v) { Bytes[kRelativeIndex] = v; }
    std::uint8_t Flag() const { return Bytes[kFlag]; }
    void SetFlag(std::uint8_t v) { Bytes[kFlag] = v; }

    // Zero-terminated texts; readers stop at the terminator or the field's end.
    std::string SourceName() const { return Text(kSourceName, kSourceNameField - 1); }
    void SetSourceName(const std::string& name) { SetText(kSourceName, kSourceNameField, name); }
    std::string BatchIdentity() const { return Text(kBatchIdentity, kBatchIdentityField - 1); }
    void SetBatchIdentity(const std::string& id) { SetText(kBatchIdentity, kBatchIdentityField, id); }

private:
    std::string Text(std::size_t offset, std::size_t maxChars) const
    {
        std::string text;
        for (std::size_t i = 0; i < maxChars && Bytes[offset + i] != 0; ++i)
            text.push_back(static_cast<char>(Bytes[offset + i]));
        return text;
    }
    // Long texts are cut, on a UTF-8 character boundary, so that the terminator still fits;
    // the field is never overrun.
    void SetText(std::size_t offset, std::size_t field, const std::string& text)
    {
        std::size_t count = text.size() < field - 1 ? text.size() : field - 1;
        while (count > 0 && count < text.size() && (static_cast<std::uint8_t>(text[count]) & 0xC0) == 0x80)
            --count;
        for (std::size_t i = 0; i < field; ++i)
            Bytes[offset + i] = i < count ? static_cast<std::uint8_t>(text[i]) : 0;
    }
};

}  // namespace zendra
