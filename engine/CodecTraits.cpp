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

constexpr std::array<const char*, 20> kMpeg4Part2 = {
    "XVID", "DIVX", "DX50", "FMP4", "MP4V", "MP4S", "M4S2", "3IV2", "DM4V", "BLZ0",
    "RMP4", "SEDG", "UMP4", "XVIX", "DIGI", "EPHV", "HDX4", "SMP4", "WV1F", "FFDS"};
constexpr std::array<const char*, 6> kH264 = {"H264", "X264", "AVC1", "DAVC", "VSSH", "VSSW"};

std::string UpperCode(std::uint32_t code)
{
    std::string text;
    for (int i = 0; i < 4; ++i)
        text.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>((code >> (8 * i)) & 0xFF))));
    return text;
}

template <std::size_t N>
bool ListedIn(const std::array<const char*, N>& list, std::uint32_t code)
{
    const std::string text = UpperCode(code);
    return std::any_of(list.begin(), list.end(), [&](const char* c) { return text == c; });
}

bool Listed(std::uint32_t code)
{
    return ListedIn(kIntraOnly, code);
}

}  // namespace

bool IsIntraOnlyCoding(std::uint32_t handler, std::uint32_t compression)
{
    // BI_RGB (0) and BI_BITFIELDS (3) are uncompressed bitmaps whatever the handler says.
    if (compression == 0 || compression == 3)
        return true;
    return Listed(compression) || Listed(handler);
}

TKeyFrameCoding KeyFrameCodingOf(std::uint32_t handler, std::uint32_t compression)
{
    if (IsIntraOnlyCoding(handler, compression))
        return TKeyFrameCoding::IntraOnly;
    // The compression code names the bitstream; the handler only the codec that wrote it.
    for (const std::uint32_t code : {compression, handler}) {
        if (ListedIn(kMpeg4Part2, code))
            return TKeyFrameCoding::Mpeg4Part2;
        if (ListedIn(kH264, code))
            return TKeyFrameCoding::H264;
    }
    return TKeyFrameCoding::Unknown;
}

}  // namespace zendra
