// Reads the 8-byte headers of many chunks of one file through a window, so that
// checking every index entry costs a few large reads rather than one per entry.
#pragma once

#include <cstdint>
#include <vector>

#include "common/Bytes.h"
#include "engine/OpenDmlIndex.h"
#include "platform/BinaryFile.h"

namespace zendra {

struct TChunkHeader {
    std::uint32_t Id = 0;
    std::uint32_t Size = 0;
};

class TChunkHeaderReader {
public:
    explicit TChunkHeaderReader(TBinaryFile& file) : FFile(file), FSize(file.Size()) {}

    // The header at position; false when it lies (partly) outside the file or can not be read.
    // Inline for the common case, a header in the window: a dense index asks for one every
    // few hundred bytes.
    bool Read(std::int64_t position, TChunkHeader& header)
    {
        const std::int64_t offset = position - FWindowStart;
        if (FWindowStart < 0 || offset < 0 || offset + 8 > FWindowEnd - FWindowStart)
            return ReadOutsideWindow(position, header);
        FLast = position;
        const std::uint8_t* p = FWindow.data() + offset;
        header.Id = GetU32(p);
        header.Size = GetU32(p + 4);
        return true;
    }
    // count bytes at position, true only when all were read.
    bool ReadBytes(std::int64_t position, std::uint8_t* out, std::size_t count);

private:
    static constexpr std::size_t kWindow = 32 * 1024;
    // Headers farther apart than this are read one by one: a window would be copied for
    // one header only.
    static constexpr std::int64_t kNear = 8 * 1024;

    bool Fill(std::int64_t position);
    bool ReadOutsideWindow(std::int64_t position, TChunkHeader& header);

    TBinaryFile& FFile;
    std::int64_t FSize;
    std::vector<std::uint8_t> FWindow;
    std::int64_t FWindowStart = -1;
    std::int64_t FWindowEnd = -1;
    std::int64_t FLast = -1;  // the position of the previous request
};

// The engine's file behind the byte source that the OpenDML reading takes.
class TFileBytes : public TByteSource {
public:
    explicit TFileBytes(TBinaryFile& file) : FFile(file) {}
    std::int64_t Size() override { return FFile.Size(); }
    bool ReadAt(std::int64_t position, std::uint8_t* out, std::size_t count) override
    {
        return FFile.Seek(position) && FFile.Read(out, count) == count;
    }

private:
    TBinaryFile& FFile;
};

}  // namespace zendra
