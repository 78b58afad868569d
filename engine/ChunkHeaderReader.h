// Reads the 8-byte headers of many chunks of one file through a window, so that
// checking every index entry costs a few large reads rather than one per entry.
#pragma once

#include <cstdint>
#include <vector>

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
    bool Read(std::int64_t position, TChunkHeader& header);
    // count bytes at position, true only when all were read.
    bool ReadBytes(std::int64_t position, std::uint8_t* out, std::size_t count);

private:
    static constexpr std::size_t kWindow = 32 * 1024;
    // Headers farther apart than this are read one by one: a window would be copied for
    // one header only.
    static constexpr std::int64_t kNear = 8 * 1024;

    bool Fill(std::int64_t position);

    TBinaryFile& FFile;
    std::int64_t FSize;
    std::vector<std::uint8_t> FWindow;
    std::int64_t FWindowStart = -1;
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
