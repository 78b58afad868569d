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

// One 16-byte idx1 entry.
struct IndexEntry {
    std::uint32_t ChunkId = 0;
    std::uint32_t Flags = 0;
    std::uint32_t Offset = 0;
    std::uint32_t Length = 0;

    static constexpr std::size_t kSize = 16;

    static IndexEntry Decode(const std::uint8_t* p)
    {
        return {GetU32(p), GetU32(p + 4), GetU32(p + 8), GetU32(p + 12)};
    }
    void Encode(std::uint8_t* p) const
    {
        PutU32(p, ChunkId);
        PutU32(p + 4, Flags);
        PutU32(p + 8, Offset);
        PutU32(p + 12, Length);
    }
};
static_assert(sizeof(IndexEntry) == 16, "index entries are held as 16-byte blocks");

// A video chunk has "d" as the third character of its id ("00dc", "00db"); DV type-1
// chunks, whole frames with their sound, are written "00__" by some capture tools.
inline bool IsVideoChunkId(std::uint32_t id)
{
    const std::uint32_t kind = (id >> 16) & 0xFFFF;
    return (kind & 0xFF) == 'd' || kind == ('_' | ('_' << 8));
}

// The stream an id's two leading digits name, or -1 ("ix00", "rec ", "JUNK").
int StreamNumber(std::uint32_t chunkId);
// The id names one of a file's streams.
bool NamesStream(std::uint32_t chunkId, int streams);

inline bool IsVideoEntry(const IndexEntry& e)
{
    return IsVideoChunkId(e.ChunkId);
}

inline bool IsKeyEntry(const IndexEntry& e)
{
    return IsVideoEntry(e) && (e.Flags & kKeyFrameFlag) != 0;
}

// avih: the main header, first 56 bytes.
struct TMainHeaderRecord {
    static constexpr std::size_t kSize = 56;
    std::uint32_t dwMicroSecPerFrame = 0, dwMaxBytesPerSec = 0, dwPaddingGranularity = 0, dwFlags = 0,
                  dwTotalFrames = 0, dwInitialFrames = 0, dwStreams = 0, dwSuggestedBufferSize = 0,
                  dwWidth = 0, dwHeight = 0;
    std::uint32_t dwReserved[4] = {0, 0, 0, 0};

    static TMainHeaderRecord Decode(const std::uint8_t* p)
    {
        TMainHeaderRecord r;
        std::uint32_t* fields[] = {&r.dwMicroSecPerFrame, &r.dwMaxBytesPerSec, &r.dwPaddingGranularity,
                                   &r.dwFlags, &r.dwTotalFrames, &r.dwInitialFrames, &r.dwStreams,
                                   &r.dwSuggestedBufferSize, &r.dwWidth, &r.dwHeight,
                                   &r.dwReserved[0], &r.dwReserved[1], &r.dwReserved[2], &r.dwReserved[3]};
        for (std::size_t i = 0; i < 14; ++i)
            *fields[i] = GetU32(p + 4 * i);
        return r;
    }
};

// strh: the stream header, first 48 bytes (the frame rectangle after it is not held).
struct TStreamHeaderRecord {
    static constexpr std::size_t kSize = 48;
    std::uint32_t fccType = 0, fccHandler = 0, dwFlags = 0;
    std::uint16_t wPriority = 0, wLanguage = 0;
    std::uint32_t dwInitialFrames = 0, dwScale = 0, dwRate = 0, dwStart = 0, dwLength = 0,
                  dwSuggestedBufferSize = 0, dwQuality = 0, dwSampleSize = 0;

    static TStreamHeaderRecord Decode(const std::uint8_t* p)
    {
        TStreamHeaderRecord r;
        r.fccType = GetU32(p);
        r.fccHandler = GetU32(p + 4);
        r.dwFlags = GetU32(p + 8);
        r.wPriority = GetU16(p + 12);
        r.wLanguage = GetU16(p + 14);
        r.dwInitialFrames = GetU32(p + 16);
        r.dwScale = GetU32(p + 20);
        r.dwRate = GetU32(p + 24);
        r.dwStart = GetU32(p + 28);
        r.dwLength = GetU32(p + 32);
        r.dwSuggestedBufferSize = GetU32(p + 36);
        r.dwQuality = GetU32(p + 40);
        r.dwSampleSize = GetU32(p + 44);
        return r;
    }
};

// strf of a video stream: the bitmap info header, first 40 bytes.
struct TBitmapInfoRecord {
    static constexpr std::size_t kSize = 40;
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0, biHeight = 0;
    std::uint16_t biPlanes = 0, biBitCount = 0;
    std::uint32_t biCompression = 0, biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0, biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0, biClrImportant = 0;

    static TBitmapInfoRecord Decode(const std::uint8_t* p)
    {
        TBitmapInfoRecord r;
        r.biSize = GetU32(p);
        r.biWidth = static_cast<std::int32_t>(GetU32(p + 4));
        r.biHeight = static_cast<std::int32_t>(GetU32(p + 8));
        r.biPlanes = GetU16(p + 12);
        r.biBitCount = GetU16(p + 14);
        r.biCompression = GetU32(p + 16);
        r.biSizeImage = GetU32(p + 20);
        r.biXPelsPerMeter = static_cast<std::int32_t>(GetU32(p + 24));
        r.biYPelsPerMeter = static_cast<std::int32_t>(GetU32(p + 28));
        r.biClrUsed = GetU32(p + 32);
        r.biClrImportant = GetU32(p + 36);
        return r;
    }
};

// strf of an audio stream: the wave format header; the caller holds the 128-byte buffer.
struct TWaveFormatRecord {
    std::uint16_t wFormatTag = 0, nChannels = 0;
    std::uint32_t nSamplesPerSec = 0, nAvgBytesPerSec = 0;
    std::uint16_t nBlockAlign = 0, wBitsPerSample = 0, cbSize = 0;

    static TWaveFormatRecord Decode(const std::uint8_t* p)
    {
        TWaveFormatRecord r;
        r.wFormatTag = GetU16(p);
        r.nChannels = GetU16(p + 2);
        r.nSamplesPerSec = GetU32(p + 4);
        r.nAvgBytesPerSec = GetU32(p + 8);
        r.nBlockAlign = GetU16(p + 12);
        r.wBitsPerSample = GetU16(p + 14);
        r.cbSize = GetU16(p + 16);
        return r;
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
