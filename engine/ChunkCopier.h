// Copies movie chunks from an input to an output, joining chunks that lie back to
// back in the input into one large copy. The bytes written are exactly those of
// chunk-by-chunk copying; only the number of system calls changes.
#pragma once

#include <cstdint>

#include "platform/BinaryFile.h"

namespace zendra {

class TChunkCopier {
public:
    TChunkCopier(TBinaryFile& input, TBinaryFile& output) : FInput(input), FOutput(output) {}
    ~TChunkCopier() = default;

    // Where the next chunk lands in the output.
    std::int64_t Position() const { return FOutput.Position() + FRunLength; }
    // Queues count bytes of the input from sourcePos; false when a copy fell short.
    bool Add(std::int64_t sourcePos, std::uint32_t count);
    // Queues one zero byte (the pad byte of a chunk whose input pad is not copied).
    bool AddZero();
    bool Flush();

private:
    // Keeps the window responsive: a run is copied at the latest after this many bytes.
    static constexpr std::int64_t kMaxRun = std::int64_t{8} << 20;

    TBinaryFile& FInput;
    TBinaryFile& FOutput;
    std::int64_t FRunStart = 0;
    std::int64_t FRunLength = 0;
};

}  // namespace zendra
