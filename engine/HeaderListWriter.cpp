// The header list of an output: the input's, byte for byte, with the frame counts set.
#include <algorithm>

#include "engine/Zendra.h"

namespace zendra {

namespace {

// Lists nested deeper than this inside the header list are copied as they are.
constexpr int kMaxPatchDepth = 8;

class THeaderListCopier {
public:
    THeaderListCopier(TBinaryFile& input, TBinaryFile& output, std::uint32_t frameCount)
        : FInput(input), FOutput(output), FFrames(frameCount)
    {
    }

    // Copies [from, to) of the input chunk by chunk. The main header, the first video
    // stream header and an OpenDML dmlh get the frame count; an OpenDML indx points at
    // index chunks the output does not have, so it becomes JUNK of the same size.
    bool CopyRegion(std::int64_t from, std::int64_t to, int depth)
    {
        std::int64_t at = from;
        while (at + 8 <= to) {
            std::uint8_t head[12];
            if (!FInput.Seek(at) || FInput.Read(head, 8) != 8)
                return false;
            const std::uint32_t id = GetU32(head);
            const std::uint32_t size = GetU32(head + 4);
            const std::int64_t data = at + 8;
            if (data + size > to)
                break;  // a chunk that does not fit its list: the rest goes as it is
            // Some muxers size a list without the pad byte of its odd last child: that byte
            // is the list's own pad, written by the parent, so a child stops at its list's end.
            const std::int64_t end = std::min(data + size + (size & 1), to);
            if (id == MakeFourCC('L', 'I', 'S', 'T') && size >= 4 && depth < kMaxPatchDepth) {
                if (!Raw(at, 12) || !CopyRegion(data + 4, data + size, depth + 1) || !Raw(data + size, end - data - size))
                    return false;
            } else if (id == MakeFourCC('i', 'n', 'd', 'x')) {
                std::uint8_t junk[8];
                PutU32(junk, MakeFourCC('J', 'U', 'N', 'K'));
                PutU32(junk + 4, size);
                if (FOutput.Write(junk, 8) != 8 || !Raw(data, end - data))
                    return false;
            } else if (!CopyPatched(at, id, size, end)) {
                return false;
            }
            at = end;
        }
        return Raw(at, to - at);
    }

private:
    // The offset of the frame count in a chunk's data, or -1 when it has none.
    int FrameCountOffset(std::uint32_t id, std::int64_t data, std::uint32_t size)
    {
        if (id == MakeFourCC('a', 'v', 'i', 'h') && !FMainHeaderDone && size >= 20) {
            FMainHeaderDone = true;
            return 16;
        }
        if (id == MakeFourCC('d', 'm', 'l', 'h') && size >= 4)
            return 0;
        if (id == MakeFourCC('s', 't', 'r', 'h') && !FVideoHeaderDone && size >= 36) {
            std::uint8_t type[4];
            if (FInput.Seek(data) && FInput.Read(type, 4) == 4 &&
                (GetU32(type) == MakeFourCC('v', 'i', 'd', 's') || GetU32(type) == MakeFourCC('i', 'a', 'v', 's'))) {
                FVideoHeaderDone = true;
                return 32;
            }
        }
        return -1;
    }

    bool CopyPatched(std::int64_t at, std::uint32_t id, std::uint32_t size, std::int64_t end)
    {
        const int offset = FrameCountOffset(id, at + 8, size);
        if (offset < 0)
            return Raw(at, end - at);
        std::uint8_t head[8 + 40];
        const std::size_t count = 8 + static_cast<std::size_t>(offset) + 4;
        if (!FInput.Seek(at) || FInput.Read(head, count) != count)
            return false;
        PutU32(head + 8 + offset, FFrames);
        return FOutput.Write(head, count) == count && Raw(at + static_cast<std::int64_t>(count), end - at - static_cast<std::int64_t>(count));
    }

    bool Raw(std::int64_t from, std::int64_t count)
    {
        if (count <= 0)
            return true;
        return FOutput.CopyFrom(FInput, from, static_cast<std::size_t>(count)) == static_cast<std::size_t>(count);
    }

    TBinaryFile& FInput;
    TBinaryFile& FOutput;
    std::uint32_t FFrames;
    bool FMainHeaderDone = false;
    bool FVideoHeaderDone = false;
};

}  // namespace

bool TZendra::WriteHeaderList(TBinaryFile& output, std::uint32_t frameCount)
{
    if (!HeaderList || !File)
        return false;
    const std::int64_t data = HeaderList->DataPosition;
    const std::int64_t end = data + HeaderList->Size;
    if (end > File->Size())
        return false;
    if (!WriteFourCC(output, "LIST") || !WriteSize(output, HeaderList->Size) || !WriteFourCC(output, "hdrl"))
        return false;
    THeaderListCopier copier(*File, output, frameCount);
    if (!copier.CopyRegion(data + 4, end, 0))
        return false;
    if (HeaderList->Size & 1) {
        const std::uint8_t pad = 0;
        return output.Write(&pad, 1) == 1;
    }
    return true;
}

void TZendra::WritePartRecord(TBinaryFile& output, const TPartRecord& record)
{
    WriteFourCC(output, "TAG ");
    WriteSize(output, TPartRecord::kSize);
    output.Write(record.Bytes.data(), TPartRecord::kSize);
}

}  // namespace zendra
