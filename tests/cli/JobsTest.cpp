// zendra-cli split, join and clip: the command-line contract, checked with ffmpeg.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "engine/Zendra.h"
#include "tests/testkit/AviBuilder.h"
#include "tests/testkit/Samples.h"

namespace zendra::test {
namespace {

namespace fs = std::filesystem;

using TJobRun = TCliRun;

class CliJobsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HaveFfmpeg())
            GTEST_SKIP() << "ffmpeg is not installed";
        Folder = MakeTempDir("zendra-cli-jobs");
        Movie = SamplePath(TSample::Mpeg4Mp3);
    }
    void TearDown() override
    {
        if (!Folder.empty())
            fs::remove_all(Folder);
    }

    // Runs in the test's folder with stdin not a terminal.
    TJobRun Run(const std::string& arguments) const
    {
        return RunCli(Folder, arguments);
    }
    std::string PathOf(const std::string& name) const { return Folder + "/" + name; }

    std::vector<std::string> Lines(const std::string& text) const
    {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    // Takes the file that came from path out of the trash; false when no trash holds it.
    // The trash is below XDG_DATA_HOME, or on the file's own file system when that is
    // another one (a temporary folder in memory, say).
    static bool TakeFromTrash(const std::string& path)
    {
        std::vector<fs::path> trashes;
        if (const char* dataHome = std::getenv("XDG_DATA_HOME"))
            trashes.push_back(fs::path(dataHome) / "Trash");
        const std::string userTrash = ".Trash-" + std::to_string(getuid());
        for (fs::path folder = fs::path(path).parent_path(); folder.has_relative_path(); folder = folder.parent_path())
            trashes.push_back(folder / userTrash);
        trashes.push_back(fs::path("/") / userTrash);
        for (const auto& trash : trashes) {
            std::error_code error;
            for (const auto& entry : fs::directory_iterator(trash / "info", error)) {
                std::ifstream in(entry.path());
                bool found = false;
                for (std::string line; std::getline(in, line);)
                    found = found || line == "Path=" + path;
                if (found) {
                    fs::remove(trash / "files" / entry.path().stem(), error);
                    fs::remove(entry.path(), error);
                    return true;
                }
            }
        }
        return false;
    }

    std::string Folder;
    std::string Movie;
};

TEST_F(CliJobsTest, SplitIntoTheNextNumberedFolderAndJoinBack)
{
    const TJobRun split = Run("split " + ShellQuote(Movie) + " -n 4 -y");
    ASSERT_EQ(split.Exit, 0) << split.Err;
    const auto parts = Lines(split.Out);
    ASSERT_GE(parts.size(), 3u);
    EXPECT_EQ(parts[0], "Output/mpeg4-mp3001/mpeg4-mp300001.avi");
    std::string batch;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        TZendra part(PathOf(parts[i]));
        EXPECT_EQ(part.PartRecord.PartIndex(), i + 1);
        if (i == 0)
            batch = part.PartRecord.BatchIdentity();
        EXPECT_EQ(part.PartRecord.BatchIdentity(), batch);
        EXPECT_EQ(part.PartRecord.SourceName(), "mpeg4-mp3.avi");
        EXPECT_TRUE(Probe(PathOf(parts[i])).Clean);
    }
    EXPECT_EQ(batch.size(), 38u);

    // A second run gets the next folder; join takes the parts in any order.
    EXPECT_EQ(Lines(Run("split " + ShellQuote(Movie) + " -m smallest -y").Out)[0],
              "Output/mpeg4-mp3002/mpeg4-mp300001.avi");
    std::string shuffled;
    for (auto it = parts.rbegin(); it != parts.rend(); ++it)
        shuffled += " " + ShellQuote(*it);
    const TJobRun join = Run("join" + shuffled + " -o joined.avi");
    ASSERT_EQ(join.Exit, 0) << join.Err;
    EXPECT_EQ(Md5OfFile(PathOf("joined.avi")), Md5OfFile(Movie));
}

TEST_F(CliJobsTest, QuestionsWithoutATerminalAreDeclinedAndNameTheYesOption)
{
    const TJobRun split = Run("split " + ShellQuote(Movie) + " -m median");
    EXPECT_EQ(split.Exit, 1);
    EXPECT_NE(split.Err.find("Splitting results will be put in a new folder"), std::string::npos) << split.Err;
    EXPECT_NE(split.Err.find("-y"), std::string::npos);
    EXPECT_FALSE(fs::exists(PathOf("Output/mpeg4-mp3001")));
}

TEST_F(CliJobsTest, JoinRefusesNonPartsAndMixedRuns)
{
    ASSERT_EQ(Run("split " + ShellQuote(Movie) + " -n 3 -o a -y").Exit, 0);
    ASSERT_EQ(Run("split " + ShellQuote(Movie) + " -n 3 -o b -y").Exit, 0);
    const TJobRun plain = Run("join a/mpeg4-mp300001.avi " + ShellQuote(Movie) + " -o x.avi");
    EXPECT_EQ(plain.Exit, 1);
    EXPECT_NE(plain.Err.find(Movie + " is not a part"), std::string::npos) << plain.Err;

    const TJobRun mixed = Run("join a/mpeg4-mp300001.avi b/mpeg4-mp300002.avi -o x.avi");
    EXPECT_EQ(mixed.Exit, 1);
    EXPECT_NE(mixed.Err.find("You are about to combine files from different origin."), std::string::npos);
    EXPECT_FALSE(fs::exists(PathOf("x.avi")));
    EXPECT_EQ(Run("join a/mpeg4-mp300001.avi b/mpeg4-mp300002.avi -o x.avi --force").Exit, 0);

    EXPECT_EQ(Run("join a/mpeg4-mp300001.avi -o x.avi").Exit, 1);
    EXPECT_EQ(Run("join a/mpeg4-mp300001.avi a/mpeg4-mp300002.avi").Exit, 2);
}

TEST_F(CliJobsTest, ClipByFramesAndByTime)
{
    TJobRun byTime = Run("clip " + ShellQuote(Movie) + " --start 2s --end 4s -o t.avi");
    ASSERT_EQ(byTime.Exit, 0) << byTime.Err;
    TJobRun byFrame = Run("clip " + ShellQuote(Movie) + " --start 50 --end 100 -o f.avi");
    ASSERT_EQ(byFrame.Exit, 0) << byFrame.Err;
    EXPECT_EQ(Md5OfFile(PathOf("t.avi")), Md5OfFile(PathOf("f.avi")));

    const TJobRun backwards = Run("clip " + ShellQuote(Movie) + " --start 100 --end 50 -o b.avi");
    EXPECT_EQ(backwards.Exit, 1);
    EXPECT_NE(backwards.Err.find("The starting position is located behind the ending position."), std::string::npos);

    // An existing output is replaced only when the question is answered yes, and the old
    // one goes to the trash.
    EXPECT_EQ(Run("clip " + ShellQuote(Movie) + " --start 0 --end 10 -o f.avi").Exit, 1);
    EXPECT_FALSE(TakeFromTrash(PathOf("f.avi")));
    EXPECT_EQ(Run("clip " + ShellQuote(Movie) + " --start 0 --end 10 -o f.avi -y").Exit, 0);
    EXPECT_TRUE(TakeFromTrash(PathOf("f.avi")));

    EXPECT_EQ(Run("clip " + ShellQuote(Movie) + " --start x --end 10 -o g.avi").Exit, 2);
    EXPECT_EQ(Run("clip " + ShellQuote(Movie) + " --end 10 -o g.avi").Exit, 2);
    EXPECT_EQ(Run("clip " + ShellQuote(Movie) + " --start 0 --end 10 -o " + ShellQuote(Movie) + " -y").Exit, 1);
}

// An account without its data folder yet still gets a real trash, never a "files"
// folder where the program runs.
TEST_F(CliJobsTest, ReplacedOutputGoesToTheTrashWithoutADataFolder)
{
    ASSERT_EQ(Run("clip " + ShellQuote(Movie) + " --start 0 --end 10 -o f.avi").Exit, 0);
    const char* saved = std::getenv("XDG_DATA_HOME");
    const std::string savedDataHome = saved ? saved : "";
    ASSERT_EQ(setenv("XDG_DATA_HOME", PathOf("no-data-yet/share").c_str(), 1), 0);
    EXPECT_EQ(Run("clip " + ShellQuote(Movie) + " --start 0 --end 10 -o f.avi -y").Exit, 0);
    EXPECT_TRUE(TakeFromTrash(PathOf("f.avi")));
    if (saved)
        setenv("XDG_DATA_HOME", savedDataHome.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    EXPECT_FALSE(fs::exists(PathOf("files")));
}

// The trash and GUID services are loaded only when needed: without them a clip still
// works, and a split says what is missing instead of failing some other way.
TEST_F(CliJobsTest, RunsThatNeedNoDesktopServicesWorkWithoutThem)
{
    const std::string lonely = PathOf("zendra-cli");
    fs::copy_file(ZENDRA_CLI_PATH, lonely);
    auto run = [&](const std::string& arguments) {
        std::string out;
        return RunCommand("cd " + ShellQuote(Folder) + " && ./zendra-cli " + arguments + " </dev/null 2>err.txt", &out);
    };
    EXPECT_EQ(run("clip " + ShellQuote(Movie) + " --start 0 --end 10 -o c.avi"), 0);
    EXPECT_EQ(run("split " + ShellQuote(Movie) + " -n 2 -o parts -y"), 1);
    std::ifstream in(PathOf("err.txt"));
    std::stringstream err;
    err << in.rdbuf();
    EXPECT_NE(err.str().find("Can not load the desktop services"), std::string::npos) << err.str();
}

TEST_F(CliJobsTest, UnusableMoviesAreRefused)
{
    TAviBuilder raw;
    raw.Video(32, 32, "DIB ").Interleaved(10, 1, 3072, 0);
    raw.Write(PathOf("raw.avi"));
    const TJobRun split = Run("split raw.avi -y");
    EXPECT_EQ(split.Exit, 1);
    EXPECT_NE(split.Err.find("Video part in raw.avi is not compressed and can not be processed"), std::string::npos);
    EXPECT_EQ(Run("split missing.avi -y").Exit, 1);
    EXPECT_EQ(Run("split " + ShellQuote(Movie) + " -m fastest").Exit, 2);
    EXPECT_EQ(Run("frobnicate").Exit, 2);
}


TEST_F(CliJobsTest, VerifyProvesOutputsAndNamesWhatIsWrongWithDamagedOnes)
{
    ASSERT_EQ(Run("clip " + ShellQuote(Movie) + " --start 30 --end 80 -o c.avi --verify").Exit, 0);
    const TJobRun good = Run("verify c.avi --source " + ShellQuote(Movie));
    EXPECT_EQ(good.Exit, 0) << good.Err;
    EXPECT_NE(good.Out.find("c.avi: verified"), std::string::npos);

    const TBytes bytes = ReadFileBytes(PathOf("c.avi"));
    TZendra clip(PathOf("c.avi"));
    const IndexEntry& e = clip.Index[clip.Index.size() / 2];
    auto expectFailure = [&](TBytes damaged, const std::string& name, const std::string& arguments) {
        WriteFileBytes(PathOf(name), damaged);
        const TJobRun run = Run("verify " + name + arguments);
        EXPECT_EQ(run.Exit, 1) << name;
        EXPECT_EQ(run.Err.rfind("Verification failed for " + name + ": ", 0), 0u) << run.Err;
    };
    TBytes flipped = bytes;
    flipped[clip.IndexBase() + e.Offset + 8 + e.Length / 2] ^= 0x01;
    expectFailure(flipped, "flipped.avi", " --source " + ShellQuote(Movie));
    TBytes resized = bytes;
    PutU32(&resized[4], GetU32(&bytes[4]) - 16);
    expectFailure(resized, "resized.avi", "");
    TBytes moved = bytes;
    const std::size_t index = clip.IndexChunk->DataPosition;
    PutU32(&moved[index + 16 * 5 + 8], GetU32(&moved[index + 16 * 6 + 8]));
    expectFailure(moved, "moved.avi", "");
}

TEST_F(CliJobsTest, FramesPastTheMovieAreRefusedBeforeAnythingIsMade)
{
    const long last = TZendra(Movie).VideoFrameCount();
    const TJobRun past = Run("clip " + ShellQuote(Movie) + " --start " + std::to_string(last + 1) + " --end " +
                             std::to_string(last + 9) + " -o c.avi");
    EXPECT_EQ(past.Exit, 1);
    EXPECT_NE(past.Err.find("is beyond the last frame " + std::to_string(last)), std::string::npos) << past.Err;
    EXPECT_FALSE(fs::exists(PathOf("c.avi")));
    EXPECT_EQ(Run("clip " + ShellQuote(Movie) + " --start 0 --end 1e30s -o c.avi").Exit, 2);
    EXPECT_FALSE(fs::exists(PathOf("c.avi")));
}

TEST_F(CliJobsTest, ASplitKilledMidwayLeavesNoBrokenPartAndRunsAgain)
{
    const std::string movie = SamplePath(TSample::Gop250);
    for (const char* delay : {"0.002", "0.01", "0.03", "0.06"}) {
        const std::string folder = PathOf(std::string("parts-") + delay);
        RunCommand("(" + ShellQuote(ZENDRA_CLI_PATH) + " split " + ShellQuote(movie) + " -n 6 -o " +
                   ShellQuote(folder) + " -b p -y </dev/null >/dev/null 2>&1 & pid=$!; sleep " + delay +
                   "; kill -9 $pid 2>/dev/null; wait $pid) 2>/dev/null");
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(folder, error))
            if (entry.path().extension() == ".avi") {
                const TJobRun run = Run("verify " + ShellQuote(entry.path().string()));
                EXPECT_EQ(run.Exit, 0) << run.Err;
            }
        const TJobRun again = Run("split " + ShellQuote(movie) + " -n 6 -o " + ShellQuote(folder) + " -b p -y");
        EXPECT_EQ(again.Exit, 0) << again.Err;
    }
}

}  // namespace
}  // namespace zendra::test
