// The raw bytes around an index entry's chunk, one 256-byte page at a time, and the
// values of a clicked byte. Each read opens and closes the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zendra {

constexpr int kPageBytes = 256;

struct TRawPage {
    std::uint64_t TopLeft = 0;
    // Row by row; only as many cells as the file has bytes from TopLeft on.
    std::vector<std::string> Cells;
};

// The first byte of page `page`: the chunk position rounded down to 256, plus page × 256.
std::uint64_t PageTopLeft(std::uint64_t chunkPosition, std::int32_t page);
// The page that holds the chunk's last byte (its header counts): the scroll bar's maximum.
std::int32_t LastRawPage(std::uint64_t chunkPosition, std::uint32_t length);
// Cell text of one byte: two hex digits, or the character (two blanks below 32);
// bracketed when the byte lies outside the chunk.
std::string RawCellText(std::uint8_t byte, bool charMode, bool outsideChunk);
// False when the file cannot be opened or positioned.
bool ReadRawPage(const std::string& fileName, std::uint64_t chunkPosition, std::uint32_t length, std::int32_t page,
                 bool charMode, TRawPage& out);

struct TCellValues {
    std::uint8_t Byte = 0;
    std::uint16_t Word = 0;
    std::uint32_t DWord = 0;
};
// False when fewer than four bytes can be read at position.
bool ReadCellValues(const std::string& fileName, std::uint64_t position, TCellValues& out);
// "As  Byte:" and the like, followed by the value right-aligned in 12.
std::string ReadoutText(const std::string& caption, std::uint32_t value);

}  // namespace zendra
