#include "tests/testkit/AviBuilder.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace zendra::test {

void AppendFourCC(TBytes& out, const std::string& id)
{
    for (std::size_t i = 0; i < 4; ++i)
        out.push_back(i < id.size() ? static_cast<std::uint8_t>(id[i]) : 0);
}

void AppendU16(TBytes& out, std::uint16_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void AppendU32(TBytes& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void AppendChunk(TBytes& out, const std::string& id, const TBytes& data)
{
    AppendFourCC(out, id);
    AppendU32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() & 1)
        out.push_back(0);
}

TBytes ListChunk(const std::string& listType, const TBytes& children)
{
    TBytes data;
    AppendFourCC(data, listType);
    data.insert(data.end(), children.begin(), children.end());
    TBytes out;
    AppendChunk(out, "LIST", data);
    return out;
}

TBytes Pattern(std::uint32_t size, std::uint32_t seed)
{
    TBytes data(size);
    std::uint32_t x = seed * 2654435761u + 12345;
    for (auto& b : data) {
        x = x * 1103515245u + 12345;
        b = static_cast<std::uint8_t>(x >> 16);
    }
    return data;
}

TBytes ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return TBytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string& path, const TBytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

TAviBuilder::TAviBuilder() = default;

TAviBuilder& TAviBuilder::Video(std::uint32_t width, std::uint32_t height, const std::string& handler,
                                std::uint32_t fps)
{
    TStreamSpec s;
    s.Type = "vids";
    s.Handler = handler;
    s.Rate = fps;
    AppendU32(s.Format, 40);
    AppendU32(s.Format, width);
    AppendU32(s.Format, height);
    AppendU16(s.Format, 1);
    AppendU16(s.Format, 24);
    AppendFourCC(s.Format, handler == "DIB " ? std::string("\0\0\0\0", 4) : handler);
    AppendU32(s.Format, width * height * 3);
    for (int i = 0; i < 4; ++i)
        AppendU32(s.Format, 0);
    FMicroSecPerFrame = fps ? 1000000 / fps : 0;
    return Stream(s);
}

TAviBuilder& TAviBuilder::Audio(std::uint32_t samplesPerSec, std::uint16_t bits, std::uint16_t channels)
{
    TStreamSpec s;
    s.Type = "auds";
    s.Handler = std::string("\0\0\0\0", 4);
    const std::uint16_t blockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    s.Scale = blockAlign;
    s.Rate = samplesPerSec * blockAlign;
    AppendU16(s.Format, 1);
    AppendU16(s.Format, channels);
    AppendU32(s.Format, samplesPerSec);
    AppendU32(s.Format, samplesPerSec * blockAlign);
    AppendU16(s.Format, blockAlign);
    AppendU16(s.Format, bits);
    AppendU16(s.Format, 0);
    return Stream(s);
}

TAviBuilder& TAviBuilder::Stream(const TStreamSpec& stream)
{
    FStreams.push_back(stream);
    return *this;
}

TAviBuilder& TAviBuilder::Frame(bool key, std::uint32_t size, int stream)
{
    const std::string id = (stream < 10 ? "0" : "") + std::to_string(stream) + "dc";
    return Chunk({id, key ? kKeyFrameFlag : 0u, Pattern(size, static_cast<std::uint32_t>(FChunks.size()))});
}

TAviBuilder& TAviBuilder::AudioChunk(std::uint32_t size, int stream)
{
    const std::string id = (stream < 10 ? "0" : "") + std::to_string(stream) + "wb";
    return Chunk({id, kKeyFrameFlag, Pattern(size, static_cast<std::uint32_t>(FChunks.size()))});
}

TAviBuilder& TAviBuilder::Chunk(const TMovieChunk& chunk)
{
    FChunks.push_back(chunk);
    return *this;
}

TAviBuilder& TAviBuilder::Interleaved(int count, int gop, std::uint32_t frameSize, std::uint32_t audioSize)
{
    for (int i = 0; i < count; ++i) {
        Frame(i % gop == 0, frameSize);
        AudioChunk(audioSize);
    }
    return *this;
}

std::uint32_t TAviBuilder::CountFrames() const
{
    std::uint32_t frames = 0;
    for (const auto& c : FChunks)
        frames += c.Id.size() == 4 && c.Id[2] == 'd' && c.Indexed;
    return frames;
}

TBytes TAviBuilder::HeaderList() const
{
    TBytes avih;
    AppendU32(avih, FMicroSecPerFrame);
    AppendU32(avih, 1000000);
    AppendU32(avih, 0);
    AppendU32(avih, FWithIndex ? 0x10 : 0);
    AppendU32(avih, FTotalFrames.value_or(CountFrames()));
    AppendU32(avih, 0);
    AppendU32(avih, static_cast<std::uint32_t>(FStreams.size()));
    AppendU32(avih, 1 << 20);
    std::uint32_t width = 0, height = 0;
    if (!FStreams.empty() && FStreams[0].Type == "vids" && FStreams[0].Format.size() >= 12) {
        width = GetU32(&FStreams[0].Format[4]);
        height = GetU32(&FStreams[0].Format[8]);
    }
    AppendU32(avih, width);
    AppendU32(avih, height);
    for (int i = 0; i < 4; ++i)
        AppendU32(avih, 0);

    TBytes children;
    AppendChunk(children, "avih", avih);
    for (std::size_t n = 0; n < FStreams.size(); ++n) {
        const TStreamSpec& s = FStreams[n];
        std::uint32_t length = s.Length;
        if (length == 0) {
            const std::string prefix = (n < 10 ? "0" : "") + std::to_string(n);
            for (const auto& c : FChunks)
                length += c.Id.compare(0, 2, prefix) == 0;
        }
        TBytes strh;
        AppendFourCC(strh, s.Type);
        AppendFourCC(strh, s.Handler);
        AppendU32(strh, 0);   // dwFlags
        AppendU16(strh, 0);   // wPriority
        AppendU16(strh, 0);   // wLanguage
        AppendU32(strh, 0);   // dwInitialFrames
        AppendU32(strh, s.Scale);
        AppendU32(strh, s.Rate);
        AppendU32(strh, 0);   // dwStart
        AppendU32(strh, length);
        AppendU32(strh, 1 << 16);
        AppendU32(strh, 0xFFFFFFFF);
        AppendU32(strh, s.Type == "auds" ? s.Scale : 0);
        for (int i = 0; i < 4; ++i)
            AppendU16(strh, 0);  // frame rectangle
        TBytes strl;
        AppendChunk(strl, "strh", strh);
        AppendChunk(strl, "strf", s.Format);
        if (s.Name) {
            TBytes text(s.Name->begin(), s.Name->end());
            text.push_back(0);
            AppendChunk(strl, "strn", text);
        }
        for (const auto& extra : s.Extra)
            AppendChunk(strl, extra.Id, extra.Data);
        const TBytes list = ListChunk("strl", strl);
        children.insert(children.end(), list.begin(), list.end());
    }
    return ListChunk("hdrl", children);
}

std::uint32_t TAviBuilder::MovieDataPosition() const
{
    std::size_t pos = 12 + HeaderList().size();
    if (FPartRecord)
        pos += 8 + TPartRecord::kSize;
    for (const auto& c : FBeforeMovie)
        pos += 8 + c.Data.size() + (c.Data.size() & 1);
    return static_cast<std::uint32_t>(pos + 8);
}

TBytes TAviBuilder::Build() const
{
    TBytes body;
    AppendFourCC(body, FRiffType);
    const TBytes header = HeaderList();
    body.insert(body.end(), header.begin(), header.end());
    if (FPartRecord)
        AppendChunk(body, "TAG ", TBytes(FPartRecord->Bytes.begin(), FPartRecord->Bytes.end()));
    for (const auto& c : FBeforeMovie)
        AppendChunk(body, c.Id, c.Data);

    std::uint32_t moviePos = static_cast<std::uint32_t>(8 + body.size() + 8);  // offset of "movi"
    if (FWithIndex && FIndexFirst)
        moviePos += 8 + IndexSize();
    TBytes index;
    const TBytes movieList = MovieAndIndex(moviePos, index);
    if (FWithIndex && FIndexFirst)
        AppendChunk(body, "idx1", index);
    body.insert(body.end(), movieList.begin(), movieList.end());
    if (FWithIndex && !FIndexFirst)
        AppendChunk(body, "idx1", index);
    for (const auto& c : FAfterIndex)
        AppendChunk(body, c.Id, c.Data);

    TBytes file;
    AppendFourCC(file, "RIFF");
    AppendU32(file, static_cast<std::uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

std::uint32_t TAviBuilder::IndexSize() const
{
    std::uint32_t entries = static_cast<std::uint32_t>(FLeadingEntries.size());
    for (std::size_t i = 0; i < FChunks.size(); ++i) {
        entries += FChunks[i].Indexed;
        entries += FRecGroup > 0 && i % static_cast<std::size_t>(FRecGroup) == 0;
    }
    return 16 * entries;
}

// The movi list, and the index of its chunks for a movi list whose "movi" stands at moviePos.
TBytes TAviBuilder::MovieAndIndex(std::uint32_t moviePos, TBytes& index) const
{
    auto addEntry = [&](const std::string& id, std::uint32_t flags, std::uint32_t at, std::uint32_t size) {
        AppendFourCC(index, id);
        AppendU32(index, flags);
        AppendU32(index, FRelative ? at - moviePos : at);
        AppendU32(index, size);
    };
    for (const IndexEntry& e : FLeadingEntries) {
        index.resize(index.size() + IndexEntry::kSize);
        e.Encode(&index[index.size() - IndexEntry::kSize]);
    }
    TBytes movie;
    for (std::size_t i = 0; i < FChunks.size();) {
        const std::size_t groupEnd = FRecGroup > 0 ? std::min(FChunks.size(), i + static_cast<std::size_t>(FRecGroup)) : i + 1;
        const std::uint32_t groupAt = moviePos + 4 + static_cast<std::uint32_t>(movie.size());
        TBytes group;
        const std::uint32_t inner = FRecGroup > 0 ? 12 : 0;  // chunks of a group follow its LIST header and type
        if (FRecGroup > 0)
            addEntry("rec ", 0x1, groupAt, 0);  // the size is set below, once the group is known
        const std::size_t groupEntry = index.size() - IndexEntry::kSize;
        for (; i < groupEnd; ++i) {
            const TMovieChunk& c = FChunks[i];
            const std::uint32_t at = groupAt + inner + static_cast<std::uint32_t>(group.size());
            AppendChunk(group, c.Id, c.Data);
            if (c.Indexed)
                addEntry(c.Id, c.Flags, at, static_cast<std::uint32_t>(c.Data.size()));
        }
        if (FRecGroup > 0) {
            const TBytes list = ListChunk("rec ", group);
            PutU32(&index[groupEntry + 12], static_cast<std::uint32_t>(list.size() - 8));
            movie.insert(movie.end(), list.begin(), list.end());
        } else {
            movie.insert(movie.end(), group.begin(), group.end());
        }
    }
    return ListChunk("movi", movie);
}

void TAviBuilder::Write(const std::string& path) const
{
    WriteFileBytes(path, Build());
}

}  // namespace zendra::test
