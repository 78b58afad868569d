#include "engine/CodecTraits.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace zendra {

namespace {

// Four-character codes, upper case; the one list of intra-only codings.
constexpr std::array<const char*, 30> kIntraOnly = {
    "MJPG", "AVRN", "DMB1", "JPEG", "MJLS", "LJPG", "AVDJ",                  // motion JPEG
    "DVSD", "DVHD", "DVSL", "DV25", "DV50", "DVH1", "CDVC", "CDVH", "DVCP",  // DV
    "DIB ", "RGB ", "RAW ", "Y800", "YUY2", "UYVY", "YV12", "I420", "IYUV",  // uncompressed
    "HFYU", "FFVH", "FFV1", "MPNG", "PNG1"};                               // lossless intra

std::string UpperCode(std::uint32_t code)
{
    std::string text;
    for (int i = 0; i < 4; ++i)
        text.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>((code >> (8 * i)) & 0xFF))));
    return text;
}

bool Listed(std::uint32_t code)
{
    const std::string text = UpperCode(code);
    return std::any_of(kIntraOnly.begin(), kIntraOnly.end(), [&](const char* c) { return text == c; });
}

}  // namespace

bool IsIntraOnlyCoding(std::uint32_t handler, std::uint32_t compression)
{
    // BI_RGB (0) and BI_BITFIELDS (3) are uncompressed bitmaps whatever the handler says.
    if (compression == 0 || compression == 3)
        return true;
    return Listed(compression) || Listed(handler);
}

}  // namespace zendra
