// zendra-cli on inputs that are no movie files (FIFOs, folders, unreadable files), its
// answers when no terminal is there to ask, and what split -y may remove.
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/ConsolePlatform.h"
#include "tests/testkit/AviBuilder.h"
#include "tests/testkit/Samples.h"

namespace zendra::test {
namespace {

namespace fs = std::filesystem;

class CliReliabilityTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Folder = MakeTempDir("zendra-cli-reliability");
        TAviBuilder movie;
        movie.Video().Audio().Interleaved(60, 10);
        Movie = PathOf("movie.avi");
        movie.Write(Movie);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(Folder, ec);
    }
    std::string PathOf(const std::string& name) const { return Folder + "/" + name; }

    // In the test's folder, stdin not a terminal; `prefix` goes before the program (setpriv).
    TCliRun Run(const std::string& arguments, const std::string& prefix = {}) const
    {
        return RunCli(Folder, arguments, "timeout 20 " + prefix);
    }

    // Every command, each reading `input` first.
    std::vector<std::string> CommandsReading(const std::string& input) const
    {
        const std::string q = ShellQuote(input);
        return {"info " + q,
                "split " + q + " -n 2 -o parts -y",
                "clip " + q + " --start 0 --end 10 -o clip.avi -y",
                "join " + q + " " + ShellQuote(Movie) + " -o joined.avi -y",
                "join " + ShellQuote(Movie) + " " + q + " -o joined.avi -y",
                "compare " + q + " " + ShellQuote(Movie),
                "compare " + ShellQuote(Movie) + " " + q};
    }

    std::string Folder;
    std::string Movie;
};

TEST_F(CliReliabilityTest, FifosAndFoldersAreRefusedByEveryCommand)
{
    const std::string fifo = PathOf("pipe.avi");
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    fs::create_directory(PathOf("folder.avi"));
    for (const std::string& input : {fifo, PathOf("folder.avi")})
        for (const std::string& command : CommandsReading(input)) {
            SCOPED_TRACE(command);
            const TCliRun run = Run(command);
            EXPECT_EQ(1, run.Exit) << run.Err;  // 124: it hung until the timeout
            EXPECT_NE(std::string::npos, run.Err.find(input + " is not a regular file")) << run.Err;
            EXPECT_FALSE(fs::exists(PathOf("parts")));
        }
}

// Permission bits do not stop root: the commands run as nobody when the test runs as root.
TEST_F(CliReliabilityTest, UnreadableFilesSayWhyForEveryCommand)
{
    std::string prefix;
    if (geteuid() == 0) {
        prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
        if (RunCommand(prefix + "true") != 0)
            GTEST_SKIP() << "running as root and setpriv cannot drop privileges: unreadable files cannot be made";
        fs::permissions(Folder, fs::perms::all);  // nobody writes parts and clips here
        fs::permissions(Movie, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    }
    const std::string locked = PathOf("locked.avi");
    fs::copy_file(Movie, locked);
    fs::permissions(locked, fs::perms::none);
    if (RunCommand(prefix + "cat " + ShellQuote(locked) + " >/dev/null 2>&1") == 0)
        GTEST_SKIP() << "the file stays readable to this user: permissions are not enforced here";
    for (const std::string& command : CommandsReading(locked)) {
        SCOPED_TRACE(command);
        const TCliRun run = Run(command, prefix);
        EXPECT_EQ(1, run.Exit) << run.Err;
        EXPECT_NE(std::string::npos, run.Err.find("Can not open " + locked + ": Permission denied")) << run.Err;
        EXPECT_EQ(std::string::npos, run.Err.find("not compressed")) << run.Err;
        EXPECT_EQ(std::string::npos, run.Err.find("is not a part")) << run.Err;
    }
}

// A time beyond any frame number is a usage error, not a frame that wrapped around.
TEST_F(CliReliabilityTest, TimesTooLargeForAFrameAreRefused)
{
    for (const char* start : {"1e20s", "infs", "nans", "99999999999s"}) {
        SCOPED_TRACE(start);
        const TCliRun run = Run(std::string("clip movie.avi --start '") + start + "' --end 10 -o c.avi -y");
        EXPECT_EQ(2, run.Exit) << run.Err;
        EXPECT_FALSE(fs::exists(PathOf("c.avi")));
    }
    EXPECT_EQ(0, Run("clip movie.avi --start 0.4s --end 30 -o c.avi -y").Exit);
}

// Without a terminal every question is declined, and the line says the answer it gives.
TEST_F(CliReliabilityTest, PromptWithoutATerminalPrintsTheAnswerItGives)
{
    const int savedInput = dup(STDIN_FILENO);
    const int none = open("/dev/null", O_RDONLY);
    ASSERT_GE(none, 0);
    dup2(none, STDIN_FILENO);
    close(none);
    TConsolePlatform console;
    const struct {
        TButtons Buttons;
        TAnswer Answer;
        const char* Line;
    } cases[] = {
        {TButtons::OK, TAnswer::OK, "Done. -> OK\n"},
        {TButtons::OKCancel, TAnswer::Cancel, "Done. -> Cancel (not a terminal; use -y to answer yes)\n"},
        {TButtons::YesNo, TAnswer::No, "Done. -> No (not a terminal; use -y to answer yes)\n"},
        {TButtons::YesNoCancel, TAnswer::Cancel, "Done. -> Cancel (not a terminal; use -y to answer yes)\n"},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        const TAnswer answer = console.Confirm("Done.", c.Buttons);
        EXPECT_EQ(c.Line, testing::internal::GetCapturedStderr());
        EXPECT_EQ(c.Answer, answer);
    }
    dup2(savedInput, STDIN_FILENO);
    close(savedInput);

    // The same through a job: the folder question is OK/Cancel.
    const TCliRun split = Run("split movie.avi -n 2 -o parts");
    EXPECT_EQ(1, split.Exit);
    EXPECT_NE(std::string::npos, split.Err.find("Continue? -> Cancel (not a terminal")) << split.Err;
}

// -y answers the question about the folder's AVI files unread: nothing is deleted before
// every refusal has had its say, and what is removed goes to the trash.
TEST_F(CliReliabilityTest, SplitWithYesRefusesBeforeRemovingAndTrashesTheRest)
{
    fs::create_directory(PathOf("parts"));
    const std::string inFolder = PathOf("parts/m00001.avi");
    fs::copy_file(Movie, inFolder);
    WriteFileBytes(PathOf("parts/old.avi"), TBytes(100, 7));
    const TCliRun refused = Run("split parts/m00001.avi -n 2 -o parts -b m -y");
    EXPECT_EQ(1, refused.Exit);
    EXPECT_NE(std::string::npos, refused.Err.find("it is the movie being read")) << refused.Err;
    EXPECT_TRUE(fs::exists(PathOf("parts/old.avi")));
    EXPECT_EQ(ReadFileBytes(Movie), ReadFileBytes(inFolder));

    const TCliRun split = Run("split movie.avi -n 2 -o parts -b m -y");
    ASSERT_EQ(0, split.Exit) << split.Err;
    EXPECT_FALSE(fs::exists(PathOf("parts/old.avi")));
    EXPECT_TRUE(fs::exists(PathOf("parts/m00002.avi")));
    // In the trash, under the file's own name, with a record of where it came from.
    bool trashed = false;
    std::vector<fs::path> trashes = {fs::path(std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "") /
                                     "Trash"};
    for (fs::path folder = fs::path(Folder); folder.has_relative_path(); folder = folder.parent_path())
        trashes.push_back(folder / (".Trash-" + std::to_string(getuid())));
    trashes.push_back(fs::path("/") / (".Trash-" + std::to_string(getuid())));
    for (const fs::path& trash : trashes) {
        std::error_code ec;
        for (const auto& info : fs::directory_iterator(trash / "info", ec)) {
            std::ifstream in(info.path());
            for (std::string line; std::getline(in, line);)
                if (line == "Path=" + PathOf("parts/old.avi")) {
                    const fs::path file = trash / "files" / info.path().stem();
                    trashed = ReadFileBytes(file.string()) == TBytes(100, 7);
                    fs::remove(file, ec);
                    fs::remove(info.path(), ec);
                }
        }
    }
    EXPECT_TRUE(trashed);

    std::string help;
    RunCommand(ShellQuote(ZENDRA_CLI_PATH) + " --help", &help);
    EXPECT_NE(std::string::npos, help.find("go to the trash")) << help;
}

}  // namespace
}  // namespace zendra::test
