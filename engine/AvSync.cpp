#include "engine/AvSync.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace zendra {

namespace {

constexpr std::uint16_t kMp3FormatTag = 0x55;
constexpr std::uint16_t kMp3SamplesPerFrame = 1152;

bool IsAudioEntry(const IndexEntry& e)
{
    return ((e.ChunkId >> 16) & 0xFF) == 'w' && ((e.ChunkId >> 24) & 0xFF) == 'b';
}

// The stream number ("01") of the first audio chunk; 0 when there is none (00 is video in practice).
std::uint32_t AudioStreamOf(const TZendra& movie)
{
    for (const IndexEntry& e : movie.Index)
        if (IsAudioEntry(e))
            return e.ChunkId & 0xFFFF;
    return 0;
}

// Playing time of audio chunks: per byte for constant bit rates, per chunk for VBR.
struct TAudioClock {
    bool Known = false;
    bool PerChunk = false;
    double SecondsPerChunk = 0;
    double BytesPerSecond = 0;
    std::uint32_t Stream = 0;

    bool Counts(const IndexEntry& e) const { return IsAudioEntry(e) && (e.ChunkId & 0xFFFF) == Stream; }
    double Seconds(const IndexEntry& e) const
    {
        if (PerChunk)
            return e.Length > 0 ? SecondsPerChunk : 0;  // an empty chunk holds no frame
        return e.Length / BytesPerSecond;
    }
};

TAudioClock AudioClockOf(const TZendra& movie)
{
    TAudioClock clock;
    if (!movie.AudioFormat || !movie.AudioStreamHeader)
        return clock;
    clock.Stream = AudioStreamOf(movie);
    const TWaveFormatRecord wave = movie.AudioFormat->Format();
    const TStreamHeaderRecord& header = movie.AudioStreamHeader->Header;
    if (IsVbrAudio(movie)) {
        clock.PerChunk = true;
        if (header.dwScale > 0 && header.dwRate > 0)
            clock.SecondsPerChunk = double(header.dwScale) / header.dwRate;
        else if (wave.nSamplesPerSec > 0)
            clock.SecondsPerChunk = double(wave.nBlockAlign) / wave.nSamplesPerSec;
        clock.Known = clock.SecondsPerChunk > 0;
    } else {
        clock.BytesPerSecond = wave.nAvgBytesPerSec;
        clock.Known = clock.BytesPerSecond > 0;
    }
    return clock;
}

double AudioSeconds(const TZendra& movie, const TAudioClock& clock, std::int32_t from, std::int32_t to)
{
    double seconds = 0;
    for (std::int32_t i = from; i < to; ++i)
        if (clock.Counts(movie.Index[static_cast<std::size_t>(i)]))
            seconds += clock.Seconds(movie.Index[static_cast<std::size_t>(i)]);
    return seconds;
}

bool HasStartCode(const std::vector<std::uint8_t>& data, std::size_t from, std::uint8_t code, std::size_t* at = nullptr)
{
    for (std::size_t i = from; i + 3 < data.size(); ++i)
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1 && data[i + 3] == code) {
            if (at)
                *at = i;
            return true;
        }
    return false;
}

// DivX writes its version as user data ("DivX503b1393p"); the 'p' marks a packed bitstream.
bool HasPackedDivXUserData(const std::vector<std::uint8_t>& data)
{
    static const std::string kMark = "DivX";
    auto it = std::search(data.begin(), data.end(), kMark.begin(), kMark.end());
    for (; it != data.end(); it = std::search(it + 1, data.end(), kMark.begin(), kMark.end())) {
        auto last = it + static_cast<std::ptrdiff_t>(kMark.size());
        while (last != data.end() && *last >= 0x20 && *last < 0x7F)
            ++last;
        if (*(last - 1) == 'p')
            return true;
    }
    return false;
}

bool StartsAsMpeg4Part2(const std::vector<std::uint8_t>& data)
{
    if (data.size() < 4 || data[0] != 0 || data[1] != 0 || data[2] != 1)
        return false;
    const std::uint8_t code = data[3];
    return code <= 0x2F || code == 0xB0 || code == 0xB2 || code == 0xB3 || code == 0xB5 || code == 0xB6;
}

}  // namespace

bool IsVbrAudio(const TZendra& movie)
{
    if (!movie.AudioFormat || !movie.AudioStreamHeader)
        return false;
    return movie.AudioStreamHeader->Header.dwSampleSize == 0 || IsVbrMp3(movie);
}

bool IsVbrMp3(const TZendra& movie)
{
    if (!movie.AudioFormat || !movie.AudioStreamHeader)
        return false;
    const TWaveFormatRecord wave = movie.AudioFormat->Format();
    return wave.wFormatTag == kMp3FormatTag &&
           (wave.nBlockAlign == kMp3SamplesPerFrame || movie.AudioStreamHeader->Header.dwSampleSize == 0);
}

TPartSync PartSync(const TZendra& movie, std::int32_t start, std::int32_t end)
{
    TPartSync sync;
    const auto count = static_cast<std::int32_t>(movie.Index.size());
    if (end < 0 || end >= count)
        end = count - 1;
    start = std::max(start, 0);
    const std::int32_t framesBefore = movie.CountVideoFrames(0, start - 1);
    sync.FirstFrame = framesBefore + 1;
    sync.LastFrame = movie.CountVideoFrames(0, end);

    const TAudioClock clock = AudioClockOf(movie);
    if (!clock.Known || movie.FrameRate <= 0)
        return sync;
    std::int32_t firstAudio = start;
    while (firstAudio <= end && !clock.Counts(movie.Index[static_cast<std::size_t>(firstAudio)]))
        ++firstAudio;
    if (firstAudio > end)
        return sync;
    sync.HasAudio = true;

    // Later parts open with copies of the lead entries: their sound plays before the part's own.
    std::int32_t lead = 0;
    if (start > 0)
        while (lead < count && !IsVideoEntry(movie.Index[static_cast<std::size_t>(lead)]))
            ++lead;
    const double leadSeconds = AudioSeconds(movie, clock, 0, lead);
    const double belongs = AudioSeconds(movie, clock, 0, firstAudio) - framesBefore / static_cast<double>(movie.FrameRate);
    sync.OffsetSeconds = belongs - leadSeconds;
    sync.ChunkSeconds = clock.Seconds(movie.Index[static_cast<std::size_t>(firstAudio)]);
    // A microsecond of slack: times add up from rounded rates.
    sync.OffByMoreThanAChunk = std::fabs(sync.OffsetSeconds) > sync.ChunkSeconds + 1e-6;
    return sync;
}

namespace {

std::vector<std::uint8_t> ChunkData(TBinaryFile& file, const TZendra& movie, const IndexEntry& e)
{
    std::vector<std::uint8_t> data(e.Length);
    if (!file.Seek(movie.ChunkPosition(e) + 8) || file.Read(data.data(), data.size()) != data.size())
        data.clear();
    return data;
}

// Index entries alone repeat in regular movies: the first chunks' bytes decide.
bool SameChunks(const TZendra& part, std::size_t from, const TZendra& source, std::size_t at, std::size_t count)
{
    const auto partFile = TBinaryFile::OpenRead(part.MovieFile);
    const auto sourceFile = TBinaryFile::OpenRead(source.MovieFile);
    if (!partFile || !sourceFile)
        return false;
    for (std::size_t k = 0; k < count; ++k)
        if (ChunkData(*partFile, part, part.Index[from + k]) != ChunkData(*sourceFile, source, source.Index[at + k]))
            return false;
    return true;
}

}  // namespace

bool LocatePartInSource(const TZendra& part, const TZendra& source, std::int32_t& start, std::int32_t& end)
{
    const std::size_t own = part.IsPart ? part.PartRecord.LeadCount() : 0;
    if (own >= part.Index.size())
        return false;
    const std::size_t length = part.Index.size() - own;
    const auto same = [](const IndexEntry& a, const IndexEntry& b) {
        return a.ChunkId == b.ChunkId && a.Length == b.Length && (a.Flags & kKeyFrameFlag) == (b.Flags & kKeyFrameFlag);
    };
    for (std::size_t s = 0; s + length <= source.Index.size(); ++s) {
        if (!IsKeyEntry(source.Index[s]) && s != 0)
            continue;
        std::size_t k = 0;
        while (k < length && same(part.Index[own + k], source.Index[s + k]))
            ++k;
        if (k == length && SameChunks(part, own, source, s, std::min<std::size_t>(length, 4))) {
            start = static_cast<std::int32_t>(s);
            end = static_cast<std::int32_t>(s + length - 1);
            return true;
        }
    }
    return false;
}

bool HasPackedBitstream(const TZendra& movie, std::int32_t chunkLimit)
{
    // A handle of its own, so the engine's file position stays where its readers left it.
    const auto file = TBinaryFile::OpenRead(movie.MovieFile);
    if (!file)
        return false;
    constexpr std::uint32_t kLargestChunkRead = 4u << 20;
    std::vector<std::uint8_t> data;
    bool checkedFirst = false;
    std::int32_t read = 0;
    for (const IndexEntry& e : movie.Index) {
        if (!IsVideoEntry(e) || e.Length == 0 || e.Length > kLargestChunkRead)
            continue;
        if (read++ >= chunkLimit)
            break;
        data.resize(e.Length);
        const std::int64_t at = movie.ChunkPosition(e) + 8;
        if (!file->Seek(at) || file->Read(data.data(), data.size()) != data.size())
            return false;
        if (!checkedFirst) {
            if (!StartsAsMpeg4Part2(data))
                return false;
            checkedFirst = true;
        }
        std::size_t vop = 0;
        if (HasStartCode(data, 0, 0xB6, &vop) && HasStartCode(data, vop + 4, 0xB6))
            return true;
        if (HasStartCode(data, 0, 0xB2) && HasPackedDivXUserData(data))
            return true;
    }
    return false;
}

}  // namespace zendra
