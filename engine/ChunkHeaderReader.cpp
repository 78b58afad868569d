#include "engine/ChunkHeaderReader.h"

#include <algorithm>
#include <cstring>

#include "common/Bytes.h"

namespace zendra {

bool TChunkHeaderReader::Fill(std::int64_t position)
{
    const auto count = static_cast<std::size_t>(std::min<std::int64_t>(kWindow, FSize - position));
    FWindow.resize(count);
    FWindowStart = FWindowEnd = -1;
    if (!FFile.Seek(position) || FFile.Read(FWindow.data(), count) != count)
        return false;
    FWindowStart = position;
    FWindowEnd = position + static_cast<std::int64_t>(count);
    return true;
}

bool TChunkHeaderReader::ReadBytes(std::int64_t position, std::uint8_t* out, std::size_t count)
{
    if (position < 0 || count > kWindow || position + static_cast<std::int64_t>(count) > FSize)
        return false;
    const bool inWindow = FWindowStart >= 0 && position >= FWindowStart &&
                          position + static_cast<std::int64_t>(count) <= FWindowEnd;
    const bool far = FLast >= 0 && (position < FLast || position - FLast > kNear);
    FLast = position;
    if (inWindow) {
        std::memcpy(out, FWindow.data() + (position - FWindowStart), count);
        return true;
    }
    if (far)
        return FFile.Seek(position) && FFile.Read(out, count) == count;
    if (!Fill(position))
        return false;
    std::memcpy(out, FWindow.data(), count);
    return true;
}

bool TChunkHeaderReader::ReadOutsideWindow(std::int64_t position, TChunkHeader& header)
{
    std::uint8_t bytes[8];
    if (!ReadBytes(position, bytes, sizeof bytes))
        return false;
    header.Id = GetU32(bytes);
    header.Size = GetU32(bytes + 4);
    return true;
}

}  // namespace zendra
