// zendra-cli info against ffprobe on ffmpeg-made movies, and on files that must be refused.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "common/Bytes.h"
#include "engine/AviRecords.h"
#include "tests/testkit/AviBuilder.h"
#include "tests/testkit/Samples.h"

namespace zendra::test {
namespace {

namespace fs = std::filesystem;

// Run outside ctest too, the tests keep zendra-cli's trash away from the user's.
class TPrivateDataHome : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (std::getenv("XDG_DATA_HOME"))
            return;
        Folder = MakeTempDir("zendra-data-home");
        setenv("XDG_DATA_HOME", Folder.c_str(), 1);
    }
    void TearDown() override
    {
        if (!Folder.empty())
            fs::remove_all(Folder);
    }

private:
    std::string Folder;
};
[[maybe_unused]] const auto* const kPrivateDataHome = ::testing::AddGlobalTestEnvironment(new TPrivateDataHome);

using TRun = TCliRun;

class InfoTest : public ::testing::Test {
protected:
    void SetUp() override { Folder = MakeTempDir("zendra-cli"); }
    void TearDown() override { fs::remove_all(Folder); }

    TRun Run(const std::string& arguments) const
    {
        return RunCli(Folder, arguments);
    }
    TRun Info(const std::string& path, const std::string& options = "") const
    {
        return Run("info " + options + (options.empty() ? "" : " ") + ShellQuote(path));
    }

    std::string PathOf(const std::string& name) const { return Folder + "/" + name; }
    std::string Write(const TBytes& bytes, const std::string& name)
    {
        WriteFileBytes(PathOf(name), bytes);
        return PathOf(name);
    }

    // Refused with exit status 1, the message on stderr and nothing on stdout.
    void ExpectRefused(const std::string& path, const std::string& message) const
    {
        const TRun run = Info(path);
        EXPECT_EQ(1, run.Exit) << path << "\n" << run.Err;
        EXPECT_NE(std::string::npos, run.Err.find(message)) << "stderr: " << run.Err;
        EXPECT_EQ("", run.Out);
    }

    std::string Folder;
};

// The raw value of a key in the one-line JSON object; empty when the key is absent.
std::string JsonValue(const std::string& json, const std::string& key)
{
    const std::string tag = "\"" + key + "\": ";
    const auto at = json.find(tag);
    if (at == std::string::npos)
        return {};
    const auto start = at + tag.size();
    if (json[start] == '"')
        return json.substr(start + 1, json.find('"', start + 1) - start - 1);
    return json.substr(start, json.find_first_of(",}", start) - start);
}

struct TRawIndex {
    long Entries = 0;
    long VideoEntries = 0;
    long EmptyVideoEntries = 0;
    long KeyEntries = 0;
};

// Reads idx1 straight from the bytes, walking the top-level chunks: a reading of our own.
TRawIndex ReadRawIndex(const TBytes& file)
{
    TRawIndex raw;
    std::size_t at = 12;
    while (at + 8 <= file.size()) {
        const std::string id(file.begin() + static_cast<std::ptrdiff_t>(at), file.begin() + static_cast<std::ptrdiff_t>(at) + 4);
        const std::uint32_t size = GetU32(&file[at + 4]);
        if (id == "idx1") {
            for (std::size_t e = at + 8; e + 16 <= at + 8 + size; e += 16) {
                ++raw.Entries;
                if (file[e + 2] != 'd')
                    continue;
                ++raw.VideoEntries;
                raw.EmptyVideoEntries += GetU32(&file[e + 12]) == 0;
                raw.KeyEntries += (GetU32(&file[e + 4]) & 0x10) != 0;
            }
        }
        at += 8 + size + (size & 1);
    }
    return raw;
}

class AgreesWithFfprobe : public InfoTest, public ::testing::WithParamInterface<TSample> {};

TEST_P(AgreesWithFfprobe, FramesRateAndSize)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    const std::string path = SamplePath(GetParam());
    const TProbe probe = Probe(path);
    ASSERT_GT(probe.Frames, 0);
    const TRawIndex raw = ReadRawIndex(ReadFileBytes(path));

    const TRun run = Info(path, "--json");
    ASSERT_EQ(0, run.Exit) << run.Err;
    const std::string& json = run.Out;
    // ffmpeg indexes frames it wrote without data (a frame held back by the encoder);
    // ffprobe does not count those as packets, the engine counts every video entry.
    EXPECT_EQ(probe.Frames + raw.EmptyVideoEntries, std::stol(JsonValue(json, "frames"))) << json;
    EXPECT_EQ(raw.VideoEntries, std::stol(JsonValue(json, "frames")));
    EXPECT_NEAR(probe.Fps, std::stod(JsonValue(json, "fps")), 1e-6);
    EXPECT_EQ(probe.Width, std::stoi(JsonValue(json, "width")));
    EXPECT_EQ(probe.Height, std::stoi(JsonValue(json, "height")));
    EXPECT_EQ(raw.Entries, std::stol(JsonValue(json, "entries")));
    EXPECT_EQ(raw.KeyEntries, std::stol(JsonValue(json, "keyframes")));
    if (GetParam() == TSample::MjpegPcm) {
        EXPECT_EQ(raw.VideoEntries, raw.KeyEntries);
    }
    EXPECT_EQ("true", JsonValue(json, "relative_index"));
    EXPECT_EQ("false", JsonValue(json, "is_part"));
    EXPECT_EQ("", JsonValue(json, "part_index"));
    for (const char* key : {"codec", "duration"})
        EXPECT_NE("", JsonValue(json, key)) << key;

    const TRun text = Info(path);
    ASSERT_EQ(0, text.Exit);
    EXPECT_NE(std::string::npos, text.Out.find("Frames:         " + JsonValue(json, "frames") + "\n")) << text.Out;
    EXPECT_NE(std::string::npos, text.Out.find("Part:           no\n"));

    const TRun index = Info(path, "--index");
    ASSERT_EQ(0, index.Exit);
    // One line per index entry after the facts.
    auto lines = [](const std::string& out) { return std::count(out.begin(), out.end(), '\n'); };
    EXPECT_EQ(raw.Entries, lines(index.Out) - lines(text.Out));
}

INSTANTIATE_TEST_SUITE_P(Samples, AgreesWithFfprobe,
                         ::testing::Values(TSample::Mpeg4Mp3, TSample::Mpeg4Pcm, TSample::MjpegPcm,
                                           TSample::VideoOnly, TSample::Mpeg4BFrames),
                         [](const auto& info) {
                             std::string name = SampleName(info.param);
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

TEST_F(InfoTest, DurationAndAudioOfAKnownMovie)
{
    TAviBuilder builder;
    builder.Video(64, 48, "XVID").Audio(22050, 8, 1).Interleaved(250, 25);
    const TRun run = Info(Write(builder.Build(), "movie.avi"));
    ASSERT_EQ(0, run.Exit) << run.Err;
    EXPECT_NE(std::string::npos, run.Out.find("Duration:       0h:00m:10s:00ms\n")) << run.Out;
    EXPECT_NE(std::string::npos, run.Out.find("Codec:          XVID (XVID MPEG-4)\n"));
    EXPECT_NE(std::string::npos, run.Out.find("Audio:          PCM uncompressed, 22050, 8  bits Mono\n"));
    EXPECT_NE(std::string::npos, run.Out.find("Width x height: 64 x 48\n"));
    EXPECT_NE(std::string::npos, run.Out.find("Key frames:     10\n"));
}

TEST_F(InfoTest, PartRecordIsShown)
{
    TPartRecord record;
    record.SetPartIndex(2);
    record.SetLeadCount(3);
    record.SetSourceName("holiday \"summer\".avi");
    record.SetBatchIdentity("{0123ABCD-4567-89EF-0123-456789ABCDEF}");
    TAviBuilder builder;
    builder.Video().Audio().AudioChunk().AudioChunk().AudioChunk().Interleaved(6, 3).PartRecord(record);
    const std::string path = Write(builder.Build(), "part.avi");

    const TRun json = Info(path, "--json");
    ASSERT_EQ(0, json.Exit) << json.Err;
    EXPECT_EQ("true", JsonValue(json.Out, "is_part"));
    EXPECT_EQ("2", JsonValue(json.Out, "part_index"));
    EXPECT_EQ("3", JsonValue(json.Out, "lead_count"));
    EXPECT_EQ("{0123ABCD-4567-89EF-0123-456789ABCDEF}", JsonValue(json.Out, "batch_identity"));
    EXPECT_NE(std::string::npos, json.Out.find("\"source_name\": \"holiday \\\"summer\\\".avi\"")) << json.Out;

    const TRun text = Info(path);
    ASSERT_EQ(0, text.Exit);
    EXPECT_NE(std::string::npos, text.Out.find("Part:           2\n")) << text.Out;
    EXPECT_NE(std::string::npos, text.Out.find("Batch identity: {0123ABCD-4567-89EF-0123-456789ABCDEF}\n"));
    EXPECT_NE(std::string::npos, text.Out.find("Source name:    holiday \"summer\".avi\n"));
    EXPECT_NE(std::string::npos, text.Out.find("Lead count:     3\n"));
}

TEST_F(InfoTest, JsonStaysValidForLegacyNames)
{
    // A part written elsewhere may name its source in an 8-bit code page: \xE9 is not UTF-8.
    TPartRecord record;
    record.SetPartIndex(1);
    record.SetSourceName("caf\xE9-na\xC3\xAFve\x01.avi");
    const std::string path = Write(TAviBuilder().Video().Interleaved(2, 1).PartRecord(record).Build(), "legacy.avi");
    const TRun run = Info(path, "--json");
    ASSERT_EQ(0, run.Exit) << run.Err;
    EXPECT_NE(std::string::npos, run.Out.find("\"source_name\": \"caf\\u00e9-na\xC3\xAFve\\u0001.avi\"")) << run.Out;
}

TEST_F(InfoTest, UsageErrorsExitWithTwo)
{
    const std::string movie = Write(TAviBuilder().Video().Interleaved(2, 1).Build(), "movie.avi");
    const std::vector<std::string> usages = {"", "info", "info --bogus " + movie, "info " + movie + " " + movie, "nonsense"};
    for (const std::string& args : usages) {
        const TRun run = Run(args);
        EXPECT_EQ(2, run.Exit) << args;
        EXPECT_NE("", run.Err) << args;
    }
    EXPECT_EQ(0, Run("--help").Exit);
}

TEST_F(InfoTest, BadFilesAreRefusedWithTheirMessage)
{
    const std::string missing = PathOf("missing.avi");
    ExpectRefused(missing, missing);

    std::string path = Write({'n', 'o', 't', ' ', 'a', 'n', ' ', 'A', 'V', 'I'}, "text.avi");
    ExpectRefused(path, "Can not locate Video strh in " + path);
    path = Write({}, "empty.avi");
    ExpectRefused(path, "Can not locate Video strh in " + path);
    path = Write(TAviBuilder().Video().Interleaved(4, 2).RiffType("AVIX").Build(), "avix.avi");
    ExpectRefused(path, "Can not locate Video strh in " + path);
    ExpectRefused(Folder, Folder);
}

// The first place of text in bytes.
std::size_t Find(const TBytes& bytes, const std::string& text)
{
    return static_cast<std::size_t>(std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) - bytes.begin());
}

TEST_F(InfoTest, SizesAndOffsetsPastTheEndAreRefused)
{
    const TBytes good = TAviBuilder().Video().Audio().Interleaved(20, 5).Build();
    auto patched = [&](const std::string& id, std::ptrdiff_t offset, std::uint32_t value, const std::string& name) {
        TBytes bytes = good;
        PutU32(&bytes[static_cast<std::size_t>(static_cast<std::ptrdiff_t>(Find(bytes, id)) + offset)], value);
        return Write(bytes, name);
    };
    std::string path = patched("movi", -4, 0xFFFFFF00u, "movi.avi");
    // A movi or idx1 running past the end leaves no usable index: one is built from the chunks.
    for (const auto& [id, name] : {std::pair{"movi", "movi.avi"}, std::pair{"idx1", "idx1.avi"}}) {
        path = patched(id, std::string(id) == "movi" ? -4 : 4, std::string(id) == "movi" ? 0xFFFFFF00u : 0xFFFFFFF0u, name);
        const TRun rebuilt = Info(path, "--json");
        EXPECT_EQ(0, rebuilt.Exit) << rebuilt.Err;
        EXPECT_NE(std::string::npos, rebuilt.Err.find("Built an index for " + path + " from its contents: 40 entries"))
            << rebuilt.Err;
        EXPECT_NE(std::string::npos, rebuilt.Out.find("\"index_rebuilt\": true")) << rebuilt.Out;
    }
    path = patched("idx1", 8 + 16 * 3 + 8, 0x7FFFFF00u, "offset.avi");
    ExpectRefused(path, "Index entry 3 points outside " + path);
    path = patched("idx1", 8 + 16 * 5 + 12, 0x40000000u, "length.avi");
    ExpectRefused(path, "Index entry 5 points outside " + path);

    // Sizes of header chunks running past the end must not crash the reading.
    for (const std::string id : {"avih", "strh", "strf", "hdrl"}) {
        path = patched(id, id == "hdrl" ? -4 : 4, 0xFFFFFFF0u, id + ".avi");
        const TRun run = Info(path);
        EXPECT_TRUE(run.Exit == 0 || (run.Exit == 1 && !run.Err.empty())) << id << ": " << run.Exit << " " << run.Err;
    }
}

TEST_F(InfoTest, TruncatedMovieIsRefusedAtEveryCut)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    const TBytes whole = ReadFileBytes(SamplePath(TSample::Mpeg4Mp3));
    const std::size_t header = Find(whole, "movi") + 64;
    std::vector<std::size_t> cuts = {1, 4, 8, 11, 12, 20, 100, whole.size() - 16, whole.size() - 8, whole.size() - 1};
    for (std::size_t cut = 24; cut < header; cut += header / 25)
        cuts.push_back(cut);
    for (std::size_t cut = header; cut < whole.size(); cut += whole.size() / 25)
        cuts.push_back(cut);
    for (std::size_t cut : cuts) {
        const std::string path =
            Write(TBytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)), "cut.avi");
        const TRun run = Info(path);
        // Cut in its chunks or its index, a movie is indexed from the chunks that are whole, and says so.
        const bool rebuilt = run.Err.find("Built an index for " + path) != std::string::npos;
        EXPECT_EQ(rebuilt ? 0 : 1, run.Exit) << "cut at " << cut << "\n" << run.Err;
        EXPECT_TRUE(!rebuilt || cut >= header) << "cut at " << cut;
        EXPECT_NE("", run.Err) << "cut at " << cut;
    }
}

TEST_F(InfoTest, FilesOfTwoGiBOrMoreAreRead)
{
    const std::string path = Write(TAviBuilder().Video().Interleaved(10, 5).Build(), "huge.avi");
    for (const std::uintmax_t size : {std::uintmax_t{1} << 31, (std::uintmax_t{1} << 32) + 100}) {
        fs::resize_file(path, size);  // sparse: costs no disk
        const TCliRun run = Info(path);
        EXPECT_EQ(0, run.Exit) << run.Err;
        EXPECT_NE(run.Out.find("Frames:         10"), std::string::npos) << run.Out;
    }
}

}  // namespace
}  // namespace zendra::test
