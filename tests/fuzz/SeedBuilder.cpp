// Writes the fuzz targets' seed corpora: builder movies of the usual layouts, tiny
// ffmpeg movies, and parts of a split run, each behind a parameter block that picks
// the operation. Usage: fuzz_seeds FOLDER (one subfolder per target).
#include <algorithm>
#include <cstdio>
#include <functional>
#include <filesystem>
#include <string>
#include <vector>

#include "app/jobs/JobCore.h"
#include "app/jobs/ProjectFile.h"
#include "platform/ScriptedPlatform.h"
#include "tests/fuzz/harness/FuzzHarness.h"
#include "tests/testkit/AviBuilder.h"
#include "tests/testkit/OpenDmlBuilder.h"
#include "tests/testkit/Samples.h"

namespace fs = std::filesystem;
using namespace zendra;
using namespace zendra::test;

namespace {

struct TParams {
    std::uint8_t Op = 0, Flags = 0, CancelAt = 0, Mode = 0;
    std::uint32_t Budget = 0;
    std::int32_t A = 0, B = 0;
};

TBytes WithParams(const TParams& p, const TBytes& body)
{
    TBytes out = {p.Op, p.Flags, p.CancelAt, p.Mode};
    AppendU32(out, p.Budget);
    AppendU32(out, static_cast<std::uint32_t>(p.A));
    AppendU32(out, static_cast<std::uint32_t>(p.B));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

TBytes TwoFiles(const TBytes& first, const TBytes& second)
{
    TBytes out;
    AppendU32(out, static_cast<std::uint32_t>(first.size()));
    out.insert(out.end(), first.begin(), first.end());
    out.insert(out.end(), second.begin(), second.end());
    return out;
}

std::vector<std::pair<std::string, TAviBuilder>> BuilderMovies()
{
    std::vector<std::pair<std::string, TAviBuilder>> movies;
    TAviBuilder b;
    b.Video().Audio().Interleaved(30, 10, 60, 24);
    movies.push_back({"interleaved-relative", b});
    b.RelativeIndex(false);
    movies.push_back({"interleaved-absolute", b});

    TAviBuilder lead;
    lead.Video().Audio();
    for (int i = 0; i < 3; ++i)
        lead.AudioChunk(21 + i);
    lead.Interleaved(24, 8, 45, 17);
    movies.push_back({"lead-audio", lead});

    TAviBuilder videoOnly;
    videoOnly.Video(32, 24, "XVID", 30);
    for (int i = 0; i < 20; ++i)
        videoOnly.Frame(i % 5 == 0, 31 + static_cast<std::uint32_t>(i));
    movies.push_back({"video-only-odd-sizes", videoOnly});

    TAviBuilder dib;
    dib.Video(8, 8, "DIB ").Interleaved(6, 1, 192, 0);
    movies.push_back({"uncompressed", dib});
    dib.NoIndex();
    movies.push_back({"uncompressed-no-index", dib});

    TAviBuilder extras;
    extras.Video().Audio().Interleaved(12, 4, 50, 20);
    extras.LastStream().Name = "audio";
    extras.TopBeforeMovie({"JUNK", TBytes(36, 0)}).TopAfterIndex({"ISFT", Pattern(9, 7)});
    movies.push_back({"extra-chunks", extras});
    return movies;
}

// The movie as a download cut short just before its index: its RIFF size claims more.
TBytes WithoutIndex(const TBytes& movie)
{
    static const char kIndexId[] = "idx1";
    const auto at = std::find_end(movie.begin(), movie.end(), kIndexId, kIndexId + 4);
    return at == movie.end() ? movie : TBytes(movie.begin(), at);
}

// Tiny movies from ffmpeg: real codecs, real index layouts, a few KB each.
std::vector<std::pair<std::string, TBytes>> FfmpegMovies(const std::string& folder)
{
    const char* recipes[][2] = {
        {"mpeg4-pcm", "-f lavfi -i testsrc=size=32x24:rate=10:duration=1.2 -f lavfi -i "
                      "sine=sample_rate=8000:duration=1.2 -c:v mpeg4 -g 4 -c:a pcm_u8 -ac 1"},
        {"mjpeg", "-f lavfi -i testsrc=size=16x16:rate=5:duration=1 -c:v mjpeg"},
        {"mpeg4-mp3", "-f lavfi -i testsrc=size=32x24:rate=10:duration=1 -f lavfi -i "
                      "sine=sample_rate=22050:duration=1 -c:v mpeg4 -g 5 -bf 1 -c:a libmp3lame -b:a 32k"},
    };
    std::vector<std::pair<std::string, TBytes>> movies;
    if (!HaveFfmpeg())
        return movies;
    for (const auto& recipe : recipes) {
        const std::string path = folder + "/" + recipe[0] + ".avi";
        const std::string command = "ffmpeg -nostdin -v error -y " + std::string(recipe[1]) +
                                    " -fflags +bitexact -f avi " + ShellQuote(path) + " 2>&1";
        if (RunCommand(command) == 0) {
            movies.push_back({recipe[0], ReadFileBytes(path)});
            movies.push_back({std::string(recipe[0]) + "-cut-before-index", WithoutIndex(movies.back().second)});
        } else
            std::fprintf(stderr, "ffmpeg could not make %s\n", recipe[0]);
    }
    return movies;
}

// Parts of a split run of the movie at path, for the join seeds.
std::vector<TBytes> SplitParts(const std::string& path, const std::string& folder)
{
    std::vector<TBytes> parts;
    try {
        TZendra movie(path);
        std::vector<std::int32_t> starts;
        std::vector<std::int64_t> accumulators;
        if (!movie.PlanParts(starts, accumulators, movie.TargetPartSize(0)) || starts.size() < 2)
            return parts;
        const TSplitResult split =
            RunSplitParts(path, starts, static_cast<std::int32_t>(movie.Index.size()), folder + "/", "part", {});
        for (const std::string& name : split.Written)
            parts.push_back(ReadFileBytes(name));
    } catch (const EZendraError& e) {
        std::fprintf(stderr, "split of %s: %s\n", path.c_str(), e.what());
    }
    return parts;
}

using TPut = std::function<void(const char* target, const std::string& name, const TBytes& bytes)>;

// Seeds of every target that takes a movie: open, viewer, save (with a join of its parts
// where it splits) and compare.
int PutMovieSeeds(const TPut& put, const std::string& name, const TBytes& bytes, const std::string& scratch)
{
    const std::string path = scratch + "/" + name + ".avi";
    WriteFileBytes(path, bytes);
    put("open", name, WithParams({.A = 3, .B = 7}, bytes));
    put("viewer", name, WithParams({.Op = 0, .Flags = 1, .A = 1}, bytes));
    put("viewer", name + "-keys", WithParams({.Op = 3, .A = 0}, bytes));
    put("save", name + "-save", WithParams({.Op = 0, .Flags = 1, .A = 0, .B = -1}, TwoFiles(bytes, {})));
    put("save", name + "-clip", WithParams({.Op = 1, .A = 2, .B = 9}, TwoFiles(bytes, {})));
    put("save", name + "-split", WithParams({.Op = 2, .Mode = 1}, TwoFiles(bytes, {})));
    put("save", name + "-cancel", WithParams({.Op = 0, .CancelAt = 5, .B = -1}, TwoFiles(bytes, {})));
    put("save", name + "-full-disk", WithParams({.Op = 0, .Flags = 4, .Budget = 3000, .B = -1}, TwoFiles(bytes, {})));
    // Flag 64: a RIFF limit of a few hundred bytes, so the outputs are OpenDML ones.
    put("save", name + "-opendml-save", WithParams({.Op = 0, .Flags = 64 | 1, .A = 0, .B = -1}, TwoFiles(bytes, {})));
    put("save", name + "-opendml-split", WithParams({.Op = 2, .Flags = 64, .Mode = 1}, TwoFiles(bytes, {})));
    int count = 10;
    const auto parts = SplitParts(path, scratch + "/" + name + "-parts");
    if (parts.size() >= 2) {
        put("save", name + "-join", WithParams({.Op = 3}, TwoFiles(parts[0], parts[1])));
        put("save", name + "-opendml-join", WithParams({.Op = 3, .Flags = 64}, TwoFiles(parts[0], parts[1])));
        // Files that can no longer be opened after the first few opens.
        put("save", name + "-join-vanishing", WithParams({.Op = 3, .Flags = 32, .Mode = 1}, TwoFiles(parts[0], parts[1])));
        put("save", name + "-split-vanishing", WithParams({.Op = 2, .Flags = 32, .Mode = 5}, TwoFiles(bytes, {})));
        put("open", name + "-part", WithParams({.A = 1, .B = 2}, parts[1]));
        put("compare", name + "-part", WithParams({.Op = 2}, TwoFiles(parts[0], parts[1])));
        count += 6;
    }
    put("compare", name + "-same", WithParams({.Op = 3}, TwoFiles(bytes, bytes)));
    TBytes changed = bytes;
    changed[changed.size() / 2] ^= 0x5A;
    put("compare", name + "-changed", WithParams({.Op = 3}, TwoFiles(bytes, changed)));
    return count + 2;
}

// Arguments for each sub-command (info, split, join, clip, compare) on the movie m.avi.
int PutCommandLineSeeds(const TPut& put)
{
    const TBytes movie = BuilderMovies().front().second.Build();
    const char* const commandLines[][2] = {
        {"info", "m.avi|--index|--json"},
        {"split", "m.avi|-n|3|-o|parts|-b|p|-y"},
        {"join", "m.avi|m.avi|-o|j.avi|--force"},
        {"clip", "m.avi|--start|0.5s|--end|20|-o|c.avi|-y"},
        {"compare", "m.avi|m.avi"},
    };
    for (std::uint8_t op = 0; op < 5; ++op) {
        TBytes words;
        for (const char* c = commandLines[op][1]; *c; ++c)
            words.push_back(*c == '|' ? 0 : static_cast<std::uint8_t>(*c));
        // A frame rate of 25.000 for the times.
        put("cli", commandLines[op][0], WithParams({.Op = op, .Budget = 25000}, TwoFiles(movie, words)));
    }
    return 5;
}

// Clips of a movie with one index entry that names no chunk ahead of, inside and after the
// clip: a clip proves the entries it needs as it goes, and must still give the clip of an
// index proven whole.
int PutDamagedEntrySeeds(const TPut& put)
{
    TAviBuilder b;
    b.Video().Audio().Interleaved(30, 10, 60, 24).TotalFrames(29);
    const TBytes movie = b.Build();
    const auto index = static_cast<std::size_t>(std::search(movie.begin(), movie.end(), "idx1", "idx1" + 4) - movie.begin()) + 8;
    int count = 0;
    for (const std::size_t entry : {6, 30, 31, 56}) {  // frames 3 and 15, the sound after 15, frame 28
        TBytes damaged = movie;
        damaged[index + entry * IndexEntry::kSize + 3] ^= 1;  // 00dc -> 00db: no such chunk
        put("save", "damaged-entry-" + std::to_string(entry) + "-clip",
            WithParams({.Op = 1, .A = 14, .B = 24}, TwoFiles(damaged, {})));
        ++count;
    }
    return count;
}

int PutProjectSeeds(const TPut& put)
{
    TProjectData project;
    project.MovieFile = "/films/holiday.avi";
    project.ClipEnd = 150000;
    project.SplitBaseName = "holiday";
    project.Rows = {{"holiday00001.avi", "00001", "0h:00m:10s:00ms", "{A}", "/films/Output/holiday001/holiday00001.avi"}};
    put("project", "one-row", EncodeProject(project));
    project.MovieFile = "/home/j\xC3\xBCrgen/" + std::string(300, 'x') + ".avi";
    put("project", "long-utf8", EncodeProject(project));
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const fs::path root = argv[1];
    const std::string scratch = MakeTempDir("zendra-seeds");
    TScriptedPlatform platform(scratch + "/trash");
    platform.Install();

    std::vector<std::pair<std::string, TBytes>> movies;
    for (const auto& [name, builder] : BuilderMovies())
        movies.push_back({name, builder.Build()});
    movies.push_back({"opendml", BuildOpenDml(BuilderMovies().front().second, {17, false, true})});
    movies.push_back({"opendml-no-idx1", BuildOpenDml(BuilderMovies().front().second, {23, true, false})});
    for (auto& movie : FfmpegMovies(scratch))
        movies.push_back(std::move(movie));

    for (const fuzz::TFuzzTarget& target : fuzz::Targets())
        fs::create_directories(root / target.Name);
    const TPut put = [&root](const char* target, const std::string& name, const TBytes& bytes) {
        WriteFileBytes((root / target / name).string(), bytes);
    };
    int count = 0;
    for (const auto& [name, bytes] : movies)
        count += PutMovieSeeds(put, name, bytes, scratch);
    count += PutCommandLineSeeds(put);
    count += PutDamagedEntrySeeds(put);
    count += PutProjectSeeds(put);
    fs::remove_all(scratch);
    std::printf("%d seeds from %zu movies in %s\n", count, movies.size(), root.c_str());
    return 0;
}
