#include "viewer/RawPage.h"

#include <cstdio>
#include <memory>

#include "common/Bytes.h"
#include "common/TextHelpers.h"

namespace zendra {

namespace {

struct TFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using TFilePtr = std::unique_ptr<std::FILE, TFileCloser>;

TFilePtr OpenAt(const std::string& fileName, std::uint64_t position)
{
    TFilePtr file(std::fopen(fileName.c_str(), "rb"));
    if (file && fseeko(file.get(), static_cast<off_t>(position), SEEK_SET) != 0)
        file.reset();
    return file;
}

// Windows-1252, the code page these files' texts were written in; 0x80 to 0x9F.
const char16_t kHighControls[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

std::string Utf8(char32_t c)
{
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

}  // namespace

std::uint64_t PageTopLeft(std::uint64_t chunkPosition, std::int32_t page)
{
    return (chunkPosition & ~std::uint64_t{0xFF}) + static_cast<std::uint64_t>(page < 0 ? 0 : page) * kPageBytes;
}

std::int32_t LastRawPage(std::uint64_t chunkPosition, std::uint32_t length)
{
    // The page count runs from the chunk's page on; 8 header bytes come before the data.
    const std::uint64_t lastByte = (chunkPosition & 0xFFu) + std::uint64_t{8} + length - 1;
    return static_cast<std::int32_t>(lastByte / kPageBytes);
}

std::string RawCellText(std::uint8_t byte, bool charMode, bool outsideChunk)
{
    std::string text;
    if (!charMode) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", byte);
        text = hex;
    } else if (byte < 32) {
        text = "  ";
    } else if (byte >= 0x80 && byte < 0xA0) {
        text = Utf8(kHighControls[byte - 0x80]);
    } else {
        text = Utf8(byte);
    }
    return outsideChunk ? "[" + text + "]" : text;
}

bool ReadRawPage(const std::string& fileName, std::uint64_t chunkPosition, std::uint32_t length, std::int32_t page,
                 bool charMode, TRawPage& out)
{
    out = TRawPage{};
    out.TopLeft = PageTopLeft(chunkPosition, page);
    TFilePtr file = OpenAt(fileName, out.TopLeft);
    if (!file)
        return false;
    // The chunk spans its 8-byte header and its data; 64 bits so the end never wraps.
    const std::uint64_t chunkEnd = chunkPosition + 8 + length;
    std::uint8_t bytes[kPageBytes];
    const std::size_t got = std::fread(bytes, 1, sizeof bytes, file.get());
    out.Cells.reserve(got);
    for (std::size_t i = 0; i < got; ++i) {
        const std::uint64_t at = out.TopLeft + i;
        out.Cells.push_back(RawCellText(bytes[i], charMode, at < chunkPosition || at >= chunkEnd));
    }
    return true;
}

bool ReadCellValues(const std::string& fileName, std::uint64_t position, TCellValues& out)
{
    TFilePtr file = OpenAt(fileName, position);
    std::uint8_t bytes[4];
    if (!file || std::fread(bytes, 1, 4, file.get()) != 4)
        return false;
    out.Byte = bytes[0];
    out.Word = GetU16(bytes);
    out.DWord = GetU32(bytes);
    return true;
}

std::string ReadoutText(const std::string& caption, std::uint32_t value)
{
    return caption + FitText(std::to_string(value), 12, true);
}

}  // namespace zendra
