// The header list of an output: the input's, byte for byte, with the frame counts set.
#include <algorithm>
#include <vector>

#include "engine/Zendra.h"

namespace zendra {

namespace {

// Lists nested deeper than this inside the header list are copied as they are.
constexpr int kMaxPatchDepth = 8;
// A header list is a few kilobytes; one this large is not read into memory.
constexpr std::uint32_t kMaxHeaderListSize = 16u << 20;

// Finds, in a copy of the header list's bytes, what an output changes: the main header,
// the first video stream header and an OpenDML dmlh get the frame count; an OpenDML indx
// points at index chunks the output does not have, so it becomes JUNK of the same size.
class THeaderListPatcher {
public:
    THeaderListPatcher(std::vector<std::uint8_t>& bytes, std::uint32_t frameCount)
        : FBytes(bytes), FFrames(frameCount)
    {
    }

    // Walks [from, to) of the copy. Some muxers size a list without the pad byte of an odd
    // child, so a last child may run one byte past its list: it is still looked at.
    void Patch(std::size_t from, std::size_t to, int depth)
    {
        std::size_t at = from;
        while (at + 8 <= to && at + 8 <= FBytes.size()) {
            const std::uint32_t id = GetU32(&FBytes[at]);
            const std::uint32_t size = GetU32(&FBytes[at + 4]);
            const std::size_t data = at + 8;
            if (std::uint64_t{data} + size > std::min<std::uint64_t>(to + 1, FBytes.size()))
                return;  // a chunk that does not fit its list stays as it is
            if (id == MakeFourCC('L', 'I', 'S', 'T') && size >= 4 && depth < kMaxPatchDepth)
                Patch(data + 4, data + size, depth + 1);
            else if (id == MakeFourCC('i', 'n', 'd', 'x'))
                PutU32(&FBytes[at], MakeFourCC('J', 'U', 'N', 'K'));
            else
                SetFrameCount(id, data, size);
            at = data + size + (size & 1);
        }
    }

private:
    void SetFrameCount(std::uint32_t id, std::size_t data, std::uint32_t size)
    {
        if (id == MakeFourCC('a', 'v', 'i', 'h') && !FMainHeaderDone && Holds(size, TMainHeaderRecord::kTotalFrames)) {
            FMainHeaderDone = true;
            PutU32(&FBytes[data + TMainHeaderRecord::kTotalFrames], FFrames);
        } else if (id == MakeFourCC('d', 'm', 'l', 'h') && Holds(size, TOpenDmlHeaderRecord::kTotalFrames)) {
            PutU32(&FBytes[data + TOpenDmlHeaderRecord::kTotalFrames], FFrames);
        } else if (id == MakeFourCC('s', 't', 'r', 'h') && !FVideoHeaderDone && Holds(size, TStreamHeaderRecord::kLength)) {
            const std::uint32_t type = GetU32(&FBytes[data + TStreamHeaderRecord::kType]);
            if (type == MakeFourCC('v', 'i', 'd', 's') || type == MakeFourCC('i', 'a', 'v', 's')) {
                FVideoHeaderDone = true;
                PutU32(&FBytes[data + TStreamHeaderRecord::kLength], FFrames);
            }
        }
    }

    // A record of this size reaches through the 32-bit field at that offset.
    static bool Holds(std::uint32_t size, std::size_t field) { return size >= field + sizeof(std::uint32_t); }

    std::vector<std::uint8_t>& FBytes;
    std::uint32_t FFrames;
    bool FMainHeaderDone = false;
    bool FVideoHeaderDone = false;
};

}  // namespace

std::vector<std::uint8_t> TZendra::PatchedHeaderList(std::uint32_t frameCount) const
{
    if (!HeaderList || !File)
        return {};
    const std::int64_t head = std::int64_t{HeaderList->DataPosition} - 8;
    const std::uint64_t span = 8 + std::uint64_t{HeaderList->Size} + (HeaderList->Size & 1);
    if (HeaderList->Size > kMaxHeaderListSize || head + static_cast<std::int64_t>(span) > File->Size())
        throw EZendraError("The header list of " + MovieFile + " is larger than its file or than any movie needs.");
    // The list and its pad byte as the input has them: a pad byte that some muxers count
    // in a child rather than in the list is then copied once, with its own value.
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(span));
    if (!File->Seek(head) || File->Read(bytes.data(), bytes.size()) != bytes.size())
        return {};
    THeaderListPatcher(bytes, frameCount).Patch(12, 8 + std::size_t{HeaderList->Size}, 0);
    return bytes;
}

bool TZendra::WriteHeaderList(TBinaryFile& output, std::uint32_t frameCount)
{
    const std::vector<std::uint8_t> bytes = PatchedHeaderList(frameCount);
    return !bytes.empty() && output.Write(bytes.data(), bytes.size()) == bytes.size();
}

void TZendra::WritePartRecord(TBinaryFile& output, const TPartRecord& record)
{
    WriteFourCC(output, "TAG ");
    WriteSize(output, TPartRecord::kSize);
    output.Write(record.Bytes.data(), TPartRecord::kSize);
}

}  // namespace zendra
