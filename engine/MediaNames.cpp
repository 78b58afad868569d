#include "engine/MediaNames.h"

#include <algorithm>
#include <utility>

namespace zendra {

std::string VideoCodecName(const std::string& codecText)
{
    std::string upper = codecText;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
    static const std::pair<const char*, const char*> exact[] = {
        {"DIB ", "Uncompressed"},      {"ADVJ", "Avid M-JPEG"},     {"CDVC", "Canopus DV Codec"},
        {"CVID", "Cinepak"},           {"D261", "Intel H.261"},     {"D263", "Intel H.263"},
        {"DSVD", "DV Codec"},          {"MJPG", "Motion JPEG"},     {"MPG4", "Microsoft MPEG-4"},
        {"MRLE", "Microsoft Run length encoded RGB"},               {"MSVC", "Microsoft Video 1"},
        {"RLE ", "Run Length Encoder"}, {"XVID", "XVID MPEG-4"}};
    for (const auto& [code, name] : exact)
        if (upper == code)
            return name;
    static const std::pair<const char*, const char*> prefixes[] = {
        {"DIV", "DivX codec"}, {"VP", "On2 codec"}, {"WMV", "Windows Media Video"}};
    for (const auto& [prefix, name] : prefixes)
        if (upper.rfind(prefix, 0) == 0)
            return name;
    return {};
}

std::string AudioCodecName(std::uint16_t formatTag)
{
    switch (formatTag) {
    case 1: return "PCM uncompressed";
    case 2: return "MS-ADPCM";
    case 6: return "CCITT A-Law";
    case 7: return "CCITT u-Law";
    case 17: return "IMA ADPCM";
    case 34: return "DSP Group TrueSpeech(TM)";
    case 49: return "GSM 6.10";
    case 66: return "Microsoft G.723.1";
    case 85: return "MPEG Layer-3";
    case 304: return "ACELP.net";
    case 352: return "Windows Media Audio V1";
    case 353: return "Windows Media Audio V2";
    case 1026: return "IAC2 Indeo";
    case 26447: return "Ogg Vorbis (mode1)";
    case 26448: return "Ogg Vorbis (mode2)";
    case 26449: return "Ogg Vorbis (mode3)";
    case 26479: return "Ogg Vorbis (mode1+)";
    case 26480: return "Ogg Vorbis (mode2+)";
    case 26481: return "Ogg Vorbis (mode3+)";
    default: return "Not in the database";
    }
}

std::string AudioFormatText(const TWaveFormatRecord& wave)
{
    std::string text;
    // 11025, 22050 and 44100 are the classic rates; any other rate is named just the same.
    if (wave.nSamplesPerSec != 0)
        text += std::to_string(wave.nSamplesPerSec) + ", ";
    if (wave.wBitsPerSample == 8)
        text += "8  bits ";
    else if (wave.wBitsPerSample == 16 || wave.wBitsPerSample == 0)
        text += "16 bits ";
    if (wave.nChannels == 1)
        text += "Mono";
    else if (wave.nChannels == 2)
        text += "Stereo";
    return text;
}

}  // namespace zendra
