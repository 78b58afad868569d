// zendra-cli info: what the engine sees in a movie.
#include <cstdio>
#include <iostream>
#include <sstream>

#include "app/jobs/JobCore.h"
#include "cli/Commands.h"
#include "cli/SplitPlan.h"
#include "common/FileHelpers.h"
#include "cli/InputFile.h"
#include "cli/RebuiltIndex.h"
#include "common/TextHelpers.h"
#include "engine/AvSync.h"
#include "engine/MediaNames.h"
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
    bool VbrMp3 = false;
    bool Packed = false;
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
        f.Audio = AudioCodecName(wave.wFormatTag) + ", " + AudioFormatText(wave);
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
    f.VbrMp3 = IsVbrMp3(movie);
    f.Packed = HasPackedBitstream(movie);
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
              << ", \"opendml_index\": " << (movie.OpenDmlIndexUsed ? "true" : "false")
              << ", \"left_out_entries\": " << movie.LeftOutEntries
              << ", \"index_rebuilt\": " << (movie.IndexRebuilt ? "true" : "false")
              << ", \"vbr_mp3\": " << (f.VbrMp3 ? "true" : "false")
              << ", \"packed_bitstream\": " << (f.Packed ? "true" : "false")
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
    if (movie.IndexRebuilt)
        std::cout << "Index:          built from the movie's contents (the file has none that can be used)"
                  << (movie.RebuiltFromCutOffMovie ? "; the movie is cut off, only its complete chunks are kept" : "")
                  << "\n";
    if (movie.LeftOutEntries > 0)
        std::cout << "Left out:       " << movie.LeftOutEntries << " index entries that name no chunk of the movie\n";
    if (movie.OpenDmlIndexUsed)
        std::cout << "Index:          OpenDML, over " << movie.MovieSpans.size() << " RIFF chunks\n";
    else if (movie.HasExtendedRiff)
        std::cout << "Note:           the movie continues past its first RIFF chunk (OpenDML) without an OpenDML "
                     "index; it can not be cut\n";
    if (f.VbrMp3)
        std::cout << "Warning:        VBR MP3 audio (one frame per chunk); some players lose sync after a cut\n";
    if (f.Packed)
        std::cout << "Warning:        packed bitstream video (a B-frame packed with the frame before it); "
                     "many players handle it badly after a cut\n";
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

// The movie a part was cut from, looked for by its recorded name beside the part and in
// the folders above (a split writes into a run folder of its own).
std::string FindSourceOf(const TZendra& part)
{
    const std::string name = part.PartRecord.SourceName();
    // The record holds a bare file name; anything with a folder in it is not followed.
    if (name.empty() || name.find('/') != std::string::npos || name.find('\\') != std::string::npos || name == "..")
        return {};
    std::string folder = ExtractFileDir(part.MovieFile);
    for (int up = 0; up < 3; ++up) {
        const std::string candidate = (folder.empty() ? std::string() : folder + "/") + name;
        if (FileExists(candidate) && !SameFile(candidate, part.MovieFile))
            return candidate;
        if (folder.empty() || folder == "/")
            break;
        folder = ExtractFileDir(folder);
    }
    return {};
}

void PrintPartOfSource(const TZendra& part)
{
    const std::string sourceName = FindSourceOf(part);
    const std::size_t number = part.PartRecord.PartIndex();
    if (!sourceName.empty()) {
        try {
            const TZendra source(sourceName);
            std::int32_t start = 0, end = 0;
            if (LocatePartInSource(part, source, start, end)) {
                std::cout << "Source:         " << sourceName << "\n" << PartSyncLine(number, PartSync(source, start, end)) << "\n";
                return;
            }
        } catch (const EZendraError&) {
            // Not a movie the part could come from: reported below like a missing one.
        }
    }
    std::cout << "Part " << number << ": the source " << part.PartRecord.SourceName()
              << " was not found beside the part; the audio offset needs it\n";
}

// One line per part: of the plan for a movie, of the file itself for a part.
int PrintParts(const TZendra& movie, const TPlanOptions& plan)
{
    if (movie.IsPart) {
        PrintPartOfSource(movie);
        return kExitOk;
    }
    std::vector<std::int32_t> starts;
    if (!PlanOrSay(movie, plan, starts))
        return kExitFailed;
    for (const std::string& line : PartSyncLines(movie, starts))
        std::cout << line << "\n";
    return kExitOk;
}

}  // namespace

// Lists the index entries, one line each (the structure viewer's frame-list format).
void PrintIndexLines(const TZendra& movie);

int RunInfo(const TArgs& args)
{
    std::string movieName;
    bool json = false;
    bool index = false;
    bool parts = false;
    TPlanOptions plan;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::optional<int> status;
        if (a == "--json") {
            json = true;
        } else if (a == "--index") {
            index = true;
        } else if (a == "--parts") {
            parts = true;
        } else if (TakePlanOption(args, i, "info", plan, status)) {
            if (status)
                return *status;
        } else if (!a.empty() && a[0] == '-') {
            return UsageError("info: unknown option '" + a + "'");
        } else if (movieName.empty()) {
            movieName = a;
        } else {
            return UsageError("info: only one movie may be named");
        }
    }
    if (movieName.empty())
        return UsageError("info: name a movie");
    if (auto status = CheckPlanOptions("info", plan))
        return *status;
    if (parts && json)
        return UsageError("info: --parts is a text report, give it without --json");
    if (!CheckInputFile(movieName))
        return kExitFailed;

    TZendra movie(movieName, {}, kIndexRebuild);
    TellRebuiltIndex(movie);
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
    if (parts)
        return PrintParts(movie, plan);
    return kExitOk;
}

}  // namespace zendra::cli
