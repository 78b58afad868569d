#include "engine/Chunk.h"

#include <algorithm>

#include "common/TextHelpers.h"

namespace zendra {

namespace {

// Chunks nested deeper than this are left unread: no real AVI comes near it, and
// it keeps a hostile file from exhausting the stack. Every recognised chunk is
// scanned for children, not only lists, so the limit holds for all of them.
constexpr std::int32_t kMaxDepth = 32;

std::string IdText(const std::uint8_t* bytes)
{
    std::string text;
    for (int i = 0; i < 4 && bytes[i] != 0; ++i)
        text.push_back(static_cast<char>(bytes[i]));
    return text;
}

// The type code an id is recognised as, or 0 for an unknown chunk.
std::uint8_t CodeForId(const std::uint8_t* id)
{
    const std::uint32_t code = GetU32(id);
    switch (code) {
    case MakeFourCC('L', 'I', 'S', 'T'): return ctList;
    case MakeFourCC('h', 'd', 'r', 'l'): return ctHeaderList;
    case MakeFourCC('a', 'v', 'i', 'h'): return ctMainHeader;
    case MakeFourCC('s', 't', 'r', 'h'): return ctStreamHeader;
    case MakeFourCC('s', 't', 'r', 'f'): return ctStreamFormat;
    case MakeFourCC('s', 't', 'r', 'n'): return ctStreamName;
    case MakeFourCC('i', 'd', 'x', '1'): return ctIndex;
    case MakeFourCC('T', 'A', 'G', ' '): return ctPartRecord;
    default: break;
    }
    if (id[0] == 'J' && id[1] == 'U' && id[2] == 'N')
        return ctJunk;
    return 0;
}

}  // namespace

TChunk::TChunk(TBinaryFile* file, TChunk* parent, std::uint8_t type)
    : Type(type), Parent(parent), File(file)
{
    Depth = parent ? parent->Depth + 1 : 0;
}

TChunk::~TChunk() = default;

bool TChunk::ReadRecord(TBinaryFile&)
{
    return true;
}

TChunk* TChunk::AddChild(std::uint8_t code)
{
    std::unique_ptr<TChunk> child;
    switch (code) {
    case ctMainHeader: child = std::make_unique<TFileHeaderChunk>(File, this, code); break;
    case ctStreamHeader: child = std::make_unique<TStrhChunk>(File, this, code); break;
    case ctPartRecord: child = std::make_unique<TClipInfo>(File, this, code); break;
    case ctStreamFormat: {
        const TChunk* first = FChildren.empty() ? nullptr : FChildren.front().get();
        if (first && first->Type == ctVideoHeader)
            child = std::make_unique<TVidStrfChunk>(File, this, code);
        else if (first && first->Type == ctAudioHeader)
            child = std::make_unique<TAudStrfChunk>(File, this, code);
        else
            child = std::make_unique<TChunk>(File, this, code);
        break;
    }
    default: child = std::make_unique<TChunk>(File, this, code); break;
    }
    FChildren.push_back(std::move(child));
    return FChildren.back().get();
}

bool TChunk::ReadTree(std::int64_t limit)
{
    if (!File)
        return false;
    std::uint8_t head[8];
    if (File->Read(head, 8) != 8)
        return false;
    Id = IdText(head);
    Size = GetU32(head + 4);
    DataPosition = static_cast<std::uint32_t>(File->Position());
    if (Type == ctFile || Type == ctList) {
        std::uint8_t listType[4];
        if (File->Read(listType, 4) != 4)
            return false;
        ListType = IdText(listType);
        if (Type == ctFile && ListType != "AVI ")
            return false;
    }
    HeaderPending = false;

    const bool opaque = ListType == "movi" || Id.rfind("JUN", 0) == 0;
    if (!opaque) {
        if (!ReadRecord(*File))
            return false;
        bool lastChild = false;
        std::uint8_t next[4];
        const std::int64_t end = std::min(std::int64_t{DataPosition} + Size, limit);
        while (File->Position() < end) {
            const std::int64_t at = File->Position();
            if (File->Read(next, 4) != 4)
                return lastChild;
            File->Seek(at);
            const std::uint8_t code = CodeForId(next);
            if (code == 0 || Depth >= kMaxDepth)
                break;  // an unknown chunk ends the walk of this list
            lastChild = AddChild(code)->ReadTree(end);
        }
    }
    File->Seek(EndPosition());
    return true;
}

TChunk* TChunk::FindByType(std::uint8_t code)
{
    for (const auto& child : FChildren) {
        if (child->Type == code)
            return child.get();
        if (TChunk* found = child->FindByType(code))
            return found;
    }
    return nullptr;
}

bool TChunk::WriteFourCC(TBinaryFile& output, const std::string& text)
{
    if (text.empty())
        return true;
    // A code cut short by a zero byte is written back with its zeros, always 4 bytes.
    std::uint8_t bytes[4] = {0, 0, 0, 0};
    for (std::size_t i = 0; i < 4 && i < text.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(text[i]);
    return output.Write(bytes, 4) == 4;
}

bool TChunk::WriteSize(TBinaryFile& output, std::uint32_t value)
{
    std::uint8_t bytes[4];
    PutU32(bytes, value);
    return output.Write(bytes, 4) == 4;
}

bool TChunk::CopyData(TBinaryFile& output)
{
    if (!File || std::int64_t{DataPosition} + Size > File->Size())
        return false;
    if (output.CopyFrom(*File, DataPosition, Size) != Size)
        return false;
    if (Size & 1) {
        const std::uint8_t pad = 0;
        return output.Write(&pad, 1) == 1;
    }
    return true;
}

bool TChunk::WriteChunk(TBinaryFile& output, bool withData)
{
    if (!WriteFourCC(output, Id) || !WriteSize(output, Size))
        return false;
    return !withData || CopyData(output);
}

bool TFileHeaderChunk::ReadRecord(TBinaryFile& file)
{
    std::uint8_t bytes[TMainHeaderRecord::kSize];
    if (file.Read(bytes, sizeof bytes) != sizeof bytes)
        return false;
    Header = TMainHeaderRecord::Decode(bytes);
    return true;
}

bool TStrhChunk::ReadRecord(TBinaryFile& file)
{
    std::uint8_t bytes[TStreamHeaderRecord::kSize];
    if (file.Read(bytes, sizeof bytes) != sizeof bytes)
        return false;
    Header = TStreamHeaderRecord::Decode(bytes);
    const std::string kind = FourCCToText(Header.fccType);
    if (kind == "auds")
        Type = ctAudioHeader;
    // DV type-1 ("iavs") interleaves picture and sound in one stream of whole DV frames:
    // it is cut as video.
    else if (kind == "vids" || kind == "iavs")
        Type = ctVideoHeader;
    return true;
}

bool TVidStrfChunk::ReadRecord(TBinaryFile& file)
{
    // A DV type-1 format is shorter than a bitmap info header; what it lacks reads as zero.
    std::uint8_t bytes[TBitmapInfoRecord::kSize] = {};
    const std::size_t count = Size < sizeof bytes ? Size : sizeof bytes;
    if (file.Read(bytes, count) != count)
        return false;
    Format = TBitmapInfoRecord::Decode(bytes);
    Type = ctVideoFormat;
    return true;
}

bool TAudStrfChunk::ReadRecord(TBinaryFile& file)
{
    const std::size_t count = Size < Buffer.size() ? Size : Buffer.size();
    Buffer.fill(0);
    if (file.Read(Buffer.data(), count) != count)
        return false;
    Type = ctAudioFormat;
    return true;
}

TClipInfo::TClipInfo(TBinaryFile* file, TChunk* parent, std::uint8_t type) : TChunk(file, parent, type)
{
    Id = "TAG ";
}

bool TClipInfo::ReadRecord(TBinaryFile& file)
{
    if (file.Read(Record.Bytes.data(), TPartRecord::kSize) != TPartRecord::kSize)
        return false;
    return true;
}

}  // namespace zendra
