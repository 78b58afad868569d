// zendra-cli when the world around a job misbehaves: the job killed midway, an output
// folder it may not write, a member that grows while it is read, a folder holding files
// named like the libraries the program loads.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/testkit/AviBuilder.h"
#include "tests/testkit/Samples.h"

namespace zendra::test {
namespace {

namespace fs = std::filesystem;

class CliOutsideFaultsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Folder = MakeTempDir("zendra-cli-outside");
        fs::permissions(Folder, fs::perms::all);  // nobody writes here when the test drops root
    }
    void TearDown() override
    {
        if (!Mounted.empty())
            RunCommand("umount " + ShellQuote(Mounted) + " 2>/dev/null");
        std::error_code ec;
        fs::permissions(Folder, fs::perms::all, ec);
        for (const auto& entry : fs::recursive_directory_iterator(Folder, ec))
            if (entry.is_directory(ec))
                fs::permissions(entry.path(), fs::perms::all, ec);
        fs::remove_all(Folder, ec);
    }
    std::string PathOf(const std::string& name) const { return Folder + "/" + name; }
    TCliRun Run(const std::string& arguments, const std::string& prefix = {}) const
    {
        return RunCli(Folder, arguments, "timeout 60 " + prefix);
    }

    // Big enough that a join takes a while: 1,500 frames of 40 kB, each with its sound.
    std::string MakeLongMovie() const
    {
        TAviBuilder movie;
        movie.Video().Audio().Interleaved(1500, 25, 40000, 4000);
        const std::string path = PathOf("long.avi");
        movie.Write(path);
        return path;
    }
    std::vector<std::string> SplitIntoParts(const std::string& movie, int parts) const
    {
        const TCliRun split = Run("split " + ShellQuote(movie) + " -n " + std::to_string(parts) + " -o parts -b p -y");
        EXPECT_EQ(split.Exit, 0) << split.Err;
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(PathOf("parts")))
            names.push_back(entry.path().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static std::string Quoted(const std::vector<std::string>& names)
    {
        std::string text;
        for (const std::string& name : names)
            text += ShellQuote(name) + " ";
        return text;
    }
    static std::string Contents(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }

    // Permission bits do not stop root: the commands then run as nobody.
    std::string UnprivilegedPrefix() const
    {
        if (geteuid() != 0)
            return {};
        const std::string prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
        return RunCommand(prefix + "true") == 0 ? prefix : std::string("-");
    }

    std::string Folder;
    std::string Mounted;  // a tmpfs the test mounted
};

TEST_F(CliOutsideFaultsTest, AJoinKilledMidwayLeavesNoBrokenOutputAndRunsAgain)
{
    const std::vector<std::string> parts = SplitIntoParts(MakeLongMovie(), 6);
    ASSERT_GE(parts.size(), 3u);
    for (const char* delay : {"0.005", "0.02", "0.06", "0.15"}) {
        SCOPED_TRACE(delay);
        const std::string output = PathOf(std::string("joined-") + delay + ".avi");
        RunCommand("(" + ShellQuote(ZENDRA_CLI_PATH) + " join " + Quoted(parts) + "-o " + ShellQuote(output) +
                   " -y </dev/null >/dev/null 2>&1 & pid=$!; sleep " + delay +
                   "; kill -9 $pid 2>/dev/null; wait $pid) 2>/dev/null");
        if (fs::exists(output)) {
            const TCliRun check = Run("verify " + ShellQuote(output));
            EXPECT_EQ(check.Exit, 0) << check.Err;
        }
        const TCliRun again = Run("join " + Quoted(parts) + "-o " + ShellQuote(output) + " -y --verify");
        EXPECT_EQ(again.Exit, 0) << again.Err;
        EXPECT_EQ(Run("verify " + ShellQuote(output)).Exit, 0);
    }
}

TEST_F(CliOutsideFaultsTest, AReadOnlyOutputFolderFailsEveryWriterAndMakesNothing)
{
    const std::string prefix = UnprivilegedPrefix();
    if (prefix == "-")
        GTEST_SKIP() << "running as root and setpriv cannot drop privileges: a folder stays writable";
    TAviBuilder built;
    built.Video().Audio().Interleaved(60, 10);
    const std::string movie = PathOf("movie.avi");
    built.Write(movie);
    const std::vector<std::string> parts = SplitIntoParts(movie, 3);
    ASSERT_GE(parts.size(), 2u);
    const std::string before = Contents(movie);
    fs::create_directory(PathOf("locked"));
    fs::permissions(PathOf("locked"), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                          fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    if (RunCommand(prefix + "touch " + ShellQuote(PathOf("locked/probe")) + " 2>/dev/null") == 0)
        GTEST_SKIP() << "the folder stays writable to this user: permissions are not enforced here";
    const struct {
        std::string Command, Message;
    } writers[] = {
        {"split " + ShellQuote(movie) + " -n 2 -o locked -b p -y", "Can not create file locked/p00001.avi"},
        {"split " + ShellQuote(movie) + " -n 2 -o locked/new -b p -y", "Can not create folder locked/new"},
        {"clip " + ShellQuote(movie) + " --start 0 --end 20 -o locked/c.avi -y", "Can not create file locked/c.avi"},
        {"join " + Quoted(parts) + "-o locked/j.avi -y", "Can not create file locked/j.avi"},
    };
    for (const auto& writer : writers) {
        SCOPED_TRACE(writer.Command);
        const TCliRun run = Run(writer.Command, prefix);
        EXPECT_EQ(run.Exit, 1) << run.Err;
        EXPECT_NE(run.Err.find(writer.Message), std::string::npos) << run.Err;
        EXPECT_TRUE(fs::is_empty(PathOf("locked")));
    }
    EXPECT_EQ(Contents(movie), before);
}

// A real full disk: a 2 MB tmpfs where the test may mount one.
TEST_F(CliOutsideFaultsTest, AFullDiskFailsEveryWriterAndLeavesNothingUnderTheOutputsName)
{
    TAviBuilder built;
    built.Video().Audio().Interleaved(200, 25, 40000, 4000);
    const std::string movie = PathOf("movie.avi");
    built.Write(movie);
    const std::vector<std::string> parts = SplitIntoParts(movie, 3);
    ASSERT_GE(parts.size(), 2u);
    const std::string before = Contents(movie);
    const std::string small = PathOf("small");
    fs::create_directory(small);
    if (RunCommand("mount -t tmpfs -o size=2m tmpfs " + ShellQuote(small) + " 2>/dev/null") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here (the file layer's fault injection covers a full disk)";
    Mounted = small;
    const struct {
        std::string Command, Message;
    } writers[] = {
        {"split " + ShellQuote(movie) + " -n 2 -o small/parts -b p -y", "Fail to produce small/parts/p00001.avi"},
        {"clip " + ShellQuote(movie) + " --start 0 --end 150 -o small/c.avi -y", "Fail to produce small/c.avi"},
        {"join " + Quoted(parts) + "-o small/j.avi -y", "Fail to produce small/j.avi"},
    };
    for (const auto& writer : writers) {
        SCOPED_TRACE(writer.Command);
        const TCliRun run = Run(writer.Command);
        EXPECT_EQ(run.Exit, 1) << run.Err;
        EXPECT_NE(run.Err.find(writer.Message), std::string::npos) << run.Err;
        for (const auto& entry : fs::recursive_directory_iterator(small))
            EXPECT_TRUE(entry.is_directory()) << entry.path() << " was left on the full disk";
    }
    EXPECT_EQ(Contents(movie), before);
}

// The members' chunks are found by their indexes, so sound appended to a member while the
// join reads it changes nothing of the output, and the output is still proven byte for byte.
TEST_F(CliOutsideFaultsTest, AMemberGrowingDuringTheJoinChangesNothingOfTheOutput)
{
    const std::vector<std::string> parts = SplitIntoParts(MakeLongMovie(), 4);
    ASSERT_GE(parts.size(), 3u);
    ASSERT_EQ(Run("join " + Quoted(parts) + "-o still.avi -y").Exit, 0);
    const std::string growing = parts.back();
    const auto sizeBefore = fs::file_size(growing);
    const int exit = RunCommand("cd " + ShellQuote(Folder) + " && { " + ShellQuote(ZENDRA_CLI_PATH) + " join " +
                                Quoted(parts) + "-o grown.avi -y --verify </dev/null >/dev/null 2>stderr.txt & "
                                "pid=$!; while kill -0 $pid 2>/dev/null; do head -c 65536 /dev/zero >> " +
                                ShellQuote(growing) + "; done; wait $pid; }");
    EXPECT_EQ(exit, 0) << Contents(PathOf("stderr.txt"));
    EXPECT_GT(fs::file_size(growing), sizeBefore);
    EXPECT_TRUE(Contents(PathOf("grown.avi")) == Contents(PathOf("still.avi")));
}

// Movies come from anywhere, and so does the folder a job runs in: nothing found there may
// be taken for a library the program needs.
TEST_F(CliOutsideFaultsTest, NoLibraryIsLoadedFromTheFolderTheProgramRunsIn)
{
    for (const char* name : {"libstdc++.so.6", "libm.so.6", "libgcc_s.so.1", "libc.so.6", "libzendra-desktop.so"})
        std::ofstream(PathOf(name)) << "not a library";
    const TCliRun run = Run("--help");
    EXPECT_EQ(run.Exit, 0) << run.Err;
}

}  // namespace
}  // namespace zendra::test
