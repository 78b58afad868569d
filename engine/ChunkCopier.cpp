#include "engine/ChunkCopier.h"

namespace zendra {

bool TChunkCopier::Add(std::int64_t sourcePos, std::uint32_t count)
{
    if (FRunLength > 0 && (sourcePos != FRunStart + FRunLength || FRunLength >= kMaxRun) && !Flush())
        return false;
    if (FRunLength == 0)
        FRunStart = sourcePos;
    FRunLength += count;
    return true;
}

bool TChunkCopier::AddZero()
{
    if (!Flush())
        return false;
    const std::uint8_t zero = 0;
    return FOutput.Write(&zero, 1) == 1;
}

bool TChunkCopier::Flush()
{
    if (FRunLength == 0)
        return true;
    const auto count = static_cast<std::size_t>(FRunLength);
    FRunLength = 0;
    return FOutput.CopyFrom(FInput, FRunStart, count) == count;
}

}  // namespace zendra
