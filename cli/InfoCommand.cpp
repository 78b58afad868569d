// zendra-cli info: what the engine sees in a movie.
#include <cstdio>
#include <iostream>
#include <sstream>

#include "cli/Commands.h"
#include "cli/InputFile.h"
#include "common/MediaNames.h"
#include "common/TextHelpers.h"
#include "engine/Zendra.h"

namespace zendra::cli {

namespace {

struct TMovieFacts {
    std::int32_t Frames = 0;
    long double Fps = 0;
    std::string Codec;
    std::string CodecName;
    std::string Audio;
    std::uint32_t Width = 0, Height = 0;
    std::string Duration;
    std::size_t Entries = 0;
    std::size_t KeyFrames = 0;
    bool Relative = false;
};

TMovieFacts GatherFacts(const TZendra& movie)
{
    TMovieFacts f;
    f.Frames = movie.FrameCount;
    f.Fps = movie.FrameRate;
    f.Codec = FourCCToText(movie.VideoStreamHeader->Header.fccHandler);
    f.CodecName = VideoCodecName(f.Codec);
    if (movie.AudioFormat) {
        const auto wave = movie.AudioFormat->Format();
        f.Audio = AudioCodecName(wave.wFormatTag) + ", " + AudioFormatText(movie.AudioFormat->Buffer.data());
    }
    if (movie.MainHeader) {
        f.Width = movie.MainHeader->Header.dwWidth;
        f.Height = movie.MainHeader->Header.dwHeight;
    }
    f.Duration = SecondsToTimeText(movie.FrameRate > 0 ? movie.FrameCount / movie.FrameRate : 0);
    f.Entries = movie.Index.size();
    for (const IndexEntry& e : movie.Index)
        f.KeyFrames += IsKeyEntry(e);
    f.Relative = movie.IndexIsRelative();
    return f;
}

// Length of the well-formed UTF-8 sequence at text[i], or 0 when there is none.
std::size_t Utf8SequenceAt(const std::string& text, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    const std::size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
    // Overlong forms, surrogates and code points past U+10FFFF.
    const unsigned char second = byte(i + 1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second >= 0x90))
        return 0;
    return length;
}

// Names in part records written elsewhere may be in a legacy 8-bit code page; bytes that
// are not UTF-8 are escaped as Latin-1 so that the output stays valid JSON.
std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x80) {
            out += static_cast<char>(c);
        } else if (const std::size_t length = c >= 0x80 ? Utf8SequenceAt(text, i) : 0) {
            out.append(text, i, length);
            i += length - 1;
        } else {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        }
    }
    return out + "\"";
}

std::string FpsText(long double fps)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6Lg", fps);
    return text;
}

void PrintJson(const TZendra& movie, const TMovieFacts& f)
{
    const TPartRecord& r = movie.PartRecord;
    std::cout << "{\"file\": " << JsonString(movie.MovieFile) << ", \"frames\": " << f.Frames
              << ", \"fps\": " << FpsText(f.Fps) << ", \"codec\": " << JsonString(f.Codec)
              << ", \"codec_name\": " << JsonString(f.CodecName) << ", \"audio\": " << JsonString(f.Audio)
              << ", \"width\": " << f.Width << ", \"height\": " << f.Height
              << ", \"duration\": " << JsonString(f.Duration) << ", \"entries\": " << f.Entries
              << ", \"keyframes\": " << f.KeyFrames << ", \"relative_index\": " << (f.Relative ? "true" : "false")
              << ", \"continues_past_first_riff\": " << (movie.HasExtendedRiff ? "true" : "false")
              << ", \"is_part\": " << (movie.IsPart ? "true" : "false");
    if (movie.IsPart)
        std::cout << ", \"part_index\": " << r.PartIndex() << ", \"batch_identity\": " << JsonString(r.BatchIdentity())
                  << ", \"source_name\": " << JsonString(r.SourceName()) << ", \"lead_count\": " << r.LeadCount();
    std::cout << "}" << std::endl;
}

void PrintText(const TZendra& movie, const TMovieFacts& f)
{
    std::cout << "File:           " << movie.MovieFile << "\n"
              << "Frames:         " << f.Frames << "\n"
              << "Frame rate:     " << FpsText(f.Fps) << " fps\n"
              << "Codec:          " << f.Codec << (f.CodecName.empty() ? "" : " (" + f.CodecName + ")") << "\n"
              << "Audio:          " << (f.Audio.empty() ? "none" : f.Audio) << "\n"
              << "Width x height: " << f.Width << " x " << f.Height << "\n"
              << "Duration:       " << f.Duration << "\n"
              << "Index entries:  " << f.Entries << "\n"
              << "Key frames:     " << f.KeyFrames << "\n"
              << "Index offsets:  " << (f.Relative ? "relative" : "absolute") << "\n";
    if (movie.HasExtendedRiff)
        std::cout << "Note:           the movie continues past its first RIFF chunk (OpenDML); only the first is used\n";
    if (movie.IsPart) {
        const TPartRecord& r = movie.PartRecord;
        std::cout << "Part:           " << r.PartIndex() << "\n"
                  << "Batch identity: " << r.BatchIdentity() << "\n"
                  << "Source name:    " << r.SourceName() << "\n"
                  << "Lead count:     " << r.LeadCount() << "\n";
    } else {
        std::cout << "Part:           no\n";
    }
}

}  // namespace

// Lists the index entries, one line each (the structure viewer's frame-list format).
void PrintIndexLines(const TZendra& movie);

int RunInfo(const TArgs& args)
{
    std::string movieName;
    bool json = false;
    bool index = false;
    for (const std::string& a : args) {
        if (a == "--json")
            json = true;
        else if (a == "--index")
            index = true;
        else if (!a.empty() && a[0] == '-')
            return UsageError("info: unknown option '" + a + "'");
        else if (movieName.empty())
            movieName = a;
        else
            return UsageError("info: only one movie may be named");
    }
    if (movieName.empty())
        return UsageError("info: name a movie");
    if (!CheckInputFile(movieName))
        return kExitFailed;

    TZendra movie(movieName);
    if (!movie.IsOpen()) {
        std::cerr << "Can not open " << movieName << std::endl;
        return kExitFailed;
    }
    const std::int32_t outside = movie.FirstEntryOutsideFile();
    if (outside >= 0) {
        const IndexEntry& e = movie.Index[static_cast<std::size_t>(outside)];
        std::cerr << "Index entry " << outside << " points outside " << movieName << ": Offset="
                  << (std::uint64_t{movie.IndexBase()} + e.Offset) << " Size=" << e.Length << std::endl;
        return kExitFailed;
    }
    const TMovieFacts facts = GatherFacts(movie);
    if (json)
        PrintJson(movie, facts);
    else
        PrintText(movie, facts);
    if (index)
        PrintIndexLines(movie);
    return kExitOk;
}

}  // namespace zendra::cli
