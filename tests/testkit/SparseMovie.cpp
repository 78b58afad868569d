#include "tests/testkit/SparseMovie.h"

#include <algorithm>
#include <fstream>
#include <vector>

#include "tests/testkit/AviBuilder.h"

namespace zendra::test {

namespace {

constexpr std::uint32_t kSoundSize = 64;
constexpr std::size_t kSuperHead = 24, kSuperEntry = 16, kStandardHead = 24, kStandardEntry = 8;

struct TPlaced {
    std::uint64_t Position;  // of the chunk header
    std::uint32_t Size;
    bool Key;
};

class TSparseWriter {
public:
    TSparseWriter(const std::string& path, const TSparseMovie& movie) : FOut(path, std::ios::binary), FMovie(movie) {}

    bool Write()
    {
        const std::uint32_t riffs = (FMovie.Frames + FMovie.FramesPerRiff - 1) / FMovie.FramesPerRiff;
        TAviBuilder builder;
        builder.Video(64, 48, "ZNDR").Audio();
        builder.Streams()[0].Length = FMovie.Frames;
        builder.Streams()[1].Length = FMovie.Frames * kSoundSize / 4;
        for (TStreamSpec& stream : builder.Streams())
            stream.Extra.push_back({"indx", TBytes(kSuperHead + kSuperEntry * riffs, 0)});
        builder.TotalFrames(FMovie.Frames).NoIndex();
        TBytes head = builder.Build();
        const std::size_t moviType = builder.MovieDataPosition();
        head.resize(moviType + 4);
        FHead = head;
        Put(0, head);
        FEnd = head.size();
        std::uint64_t riffStart = 0;
        for (std::uint32_t r = 0; r < riffs; ++r) {
            if (r > 0) {
                riffStart = FEnd;
                PutText(FEnd, "RIFF");
                PutText(FEnd + 8, "AVIX");
                PutText(FEnd + 12, "LIST");
                PutText(FEnd + 20, "movi");
                FEnd += 24;
            }
            const std::uint64_t moviSizePos = r == 0 ? moviType - 4 : riffStart + 16;
            WriteRiffChunks(r, moviSizePos + 4, r == 0);
            PutU32At(moviSizePos, static_cast<std::uint32_t>(FEnd - moviSizePos - 4));
            if (r == 0)
                WriteLegacyIndex();
            PutU32At(riffStart + 4, static_cast<std::uint32_t>(FEnd - riffStart - 8));
        }
        for (std::size_t s = 0; s < 2; ++s)
            WriteSuperIndex(s);
        FOut.flush();
        return static_cast<bool>(FOut);
    }

private:
    void WriteRiffChunks(std::uint32_t r, std::uint64_t moviType, bool first)
    {
        std::vector<TPlaced> video, sound;
        const std::uint32_t from = r * FMovie.FramesPerRiff;
        const std::uint32_t to = std::min(FMovie.Frames, from + FMovie.FramesPerRiff);
        for (std::uint32_t f = from; f < to; ++f) {
            video.push_back({FEnd, FMovie.FrameSize, f % FMovie.Gop == 0});
            TBytes number(16, 0);
            const std::string text = "frame " + std::to_string(f);
            std::copy(text.begin(), text.end(), number.begin());
            PutChunk("00dc", FMovie.FrameSize, number);
            sound.push_back({FEnd, kSoundSize, true});
            TBytes samples(kSoundSize, static_cast<std::uint8_t>(f * 7));
            PutChunk("01wb", kSoundSize, samples);
            if (first) {
                FLegacy.push_back({MakeFourCC('0', '0', 'd', 'c'), video.back().Key ? kKeyFrameFlag : 0u, video.back().Position, FMovie.FrameSize});
                FLegacy.push_back({MakeFourCC('0', '1', 'w', 'b'), kKeyFrameFlag, sound.back().Position, kSoundSize});
            }
        }
        WriteStandardIndex(0, video, moviType);
        WriteStandardIndex(1, sound, moviType);
    }

    void WriteStandardIndex(std::size_t stream, const std::vector<TPlaced>& chunks, std::uint64_t base)
    {
        TBytes data(kStandardHead + kStandardEntry * chunks.size(), 0);
        PutU16(&data[0], 2);
        data[3] = 1;
        PutU32(&data[4], static_cast<std::uint32_t>(chunks.size()));
        PutU32(&data[8], stream == 0 ? MakeFourCC('0', '0', 'd', 'c') : MakeFourCC('0', '1', 'w', 'b'));
        PutU64(&data[12], base);
        for (std::size_t i = 0; i < chunks.size(); ++i) {
            PutU32(&data[kStandardHead + kStandardEntry * i], static_cast<std::uint32_t>(chunks[i].Position + 8 - base));
            PutU32(&data[kStandardHead + kStandardEntry * i + 4], chunks[i].Size | (chunks[i].Key ? 0u : 0x80000000u));
        }
        FSuper[stream].push_back({FEnd, static_cast<std::uint32_t>(8 + data.size()), static_cast<std::uint32_t>(chunks.size())});
        PutChunk(stream == 0 ? "ix00" : "ix01", static_cast<std::uint32_t>(data.size()), data);
    }

    void WriteLegacyIndex()
    {
        TBytes data(IndexEntry::kSize * FLegacy.size());
        for (std::size_t i = 0; i < FLegacy.size(); ++i)
            FLegacy[i].Encode(&data[IndexEntry::kSize * i]);
        PutChunk("idx1", static_cast<std::uint32_t>(data.size()), data);
    }

    void WriteSuperIndex(std::size_t stream)
    {
        const std::string text = "indx";
        std::size_t at = 0;
        for (std::size_t k = 0; k <= stream; ++k)
            at = static_cast<std::size_t>(std::search(FHead.begin() + static_cast<std::ptrdiff_t>(at), FHead.end(), text.begin(),
                                                      text.end()) - FHead.begin()) + (k < stream ? 4 : 0);
        TBytes data(kSuperHead + kSuperEntry * FSuper[stream].size(), 0);
        PutU16(&data[0], 4);
        PutU32(&data[4], static_cast<std::uint32_t>(FSuper[stream].size()));
        PutU32(&data[8], stream == 0 ? MakeFourCC('0', '0', 'd', 'c') : MakeFourCC('0', '1', 'w', 'b'));
        for (std::size_t i = 0; i < FSuper[stream].size(); ++i) {
            PutU64(&data[kSuperHead + kSuperEntry * i], FSuper[stream][i].Position);
            PutU32(&data[kSuperHead + kSuperEntry * i + 8], FSuper[stream][i].Size);
            PutU32(&data[kSuperHead + kSuperEntry * i + 12], FSuper[stream][i].Duration);
        }
        Put(at + 8, data);
    }

    // Writes the header and the given first bytes of a chunk; the rest stays a hole.
    void PutChunk(const char* id, std::uint32_t size, const TBytes& data)
    {
        PutText(FEnd, id);
        PutU32At(FEnd + 4, size);
        Put(FEnd + 8, data);
        FEnd += 8 + size + (size & 1);
    }

    void Put(std::uint64_t at, const TBytes& bytes)
    {
        FOut.seekp(static_cast<std::streamoff>(at));
        FOut.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    void PutText(std::uint64_t at, const std::string& text) { Put(at, TBytes(text.begin(), text.end())); }
    void PutU32At(std::uint64_t at, std::uint32_t value)
    {
        TBytes bytes(4);
        PutU32(bytes.data(), value);
        Put(at, bytes);
    }

    struct TSuperEntry {
        std::uint64_t Position;
        std::uint32_t Size, Duration;
    };

    std::ofstream FOut;
    TSparseMovie FMovie;
    TBytes FHead;
    std::uint64_t FEnd = 0;
    std::vector<IndexEntry> FLegacy;
    std::vector<TSuperEntry> FSuper[2];
};

}  // namespace

bool WriteSparseMovie(const std::string& path, const TSparseMovie& movie)
{
    return TSparseWriter(path, movie).Write();
}

}  // namespace zendra::test
