// zendra-cli compare: its output and exit status.
#include <filesystem>

#include <gtest/gtest.h>

#include "compare/CompareCore.h"
#include "tests/testkit/AviBuilder.h"
#include "tests/testkit/Samples.h"

namespace zendra::test {
namespace {

class CompareCommandTest : public ::testing::Test {
protected:
    void SetUp() override { FFolder = MakeTempDir("zendra-cli-compare"); }
    void TearDown() override
    {
        std::error_code ec;
        std::filesystem::remove_all(FFolder, ec);
    }
    std::string File(const std::string& name, const TBytes& bytes)
    {
        WriteFileBytes(FFolder + "/" + name, bytes);
        return FFolder + "/" + name;
    }
    int Run(const std::string& arguments)
    {
        return RunCommand(std::string(ZENDRA_CLI_PATH) + " compare " + arguments + " 2>" +
                              ShellQuote(FFolder + "/err.txt"),
                          &FOut);
    }
    std::string FFolder;
    std::string FOut;
};

TEST_F(CompareCommandTest, IdenticalFiles)
{
    const TBytes bytes = Pattern(3000, 1);
    EXPECT_EQ(0, Run(ShellQuote(File("a", bytes)) + " " + ShellQuote(File("b", bytes))));
    EXPECT_EQ("These two files are identical\n", FOut);
}

TEST_F(CompareCommandTest, EveryBlockWithADifferenceIsListed)
{
    const TBytes a(1000000, 0);
    TBytes b = a;
    b[5] = b[10] = 1;  // one line for the block
    b[74565] = 1;
    b[999500] = 1;
    EXPECT_EQ(1, Run(ShellQuote(File("a", a)) + " " + ShellQuote(File("b", b))));
    EXPECT_EQ("Difference is found at position 0000:0005\n"
              "Difference is found at position 0001:2345\n"
              "Difference is found at position 000F:404C.\n"
              "Base on the position, most likely the difference is on the index offset\n",
              FOut);
}

TEST_F(CompareCommandTest, DifferentSizesAreNeverIdentical)
{
    const TBytes a = Pattern(2000000, 2);
    const std::string first = File("a", a), second = File("b", TBytes(a.begin(), a.end() - 1));
    EXPECT_EQ(1, Run(ShellQuote(first) + " " + ShellQuote(second)));
    EXPECT_EQ("File size is different slightly.\n" + first + " size is :1953kb.\n" + second +
                  " size is :1953kb.\nThe first 1999999 bytes are identical\n",
              FOut);
}

// The second file is cut short, then made longer, while the compare reads it (sparse files
// of 256 MiB take long enough to read for the change to come mid-run).
TEST_F(CompareCommandTest, AFileThatChangesDuringTheRunIsNeverIdentical)
{
    const std::uintmax_t size = std::uintmax_t{256} << 20;
    const std::string first = FFolder + "/a", second = FFolder + "/b";
    for (const std::string& path : {first, second}) {
        WriteFileBytes(path, {});
        std::filesystem::resize_file(path, size);
    }
    for (const char* change : {"-s 4096", "-s 384M"}) {
        SCOPED_TRACE(change);
        std::filesystem::resize_file(second, size);
        const int status = Run(ShellQuote(first) + " " + ShellQuote(second) + " & sleep 0.3; truncate " + change + " " +
                               ShellQuote(second) + "; wait $!");
        EXPECT_EQ(1, status) << FOut;
        EXPECT_EQ(0u, FOut.find(second + " changed during the compare: its size went from 268435456 to ")) << FOut;
        EXPECT_EQ(std::string::npos, FOut.find(kIdenticalText)) << FOut;
    }
}

TEST_F(CompareCommandTest, RefusalsAndUsage)
{
    const std::string a = File("a", TBytes(10, 1));
    EXPECT_EQ(1, Run(ShellQuote(a) + " " + ShellQuote(FFolder + "/missing")));
    EXPECT_EQ("", FOut);
    EXPECT_EQ(1, Run(ShellQuote(a) + " " + ShellQuote(File("empty", {}))));
    const std::string large = FFolder + "/large";
    WriteFileBytes(large, {1});
    std::filesystem::resize_file(large, std::uintmax_t{1} << 31);
    EXPECT_EQ(1, Run(ShellQuote(a) + " " + ShellQuote(large)));
    EXPECT_EQ(2, Run(ShellQuote(a)));
    EXPECT_EQ(2, Run(ShellQuote(a) + " " + ShellQuote(a) + " " + ShellQuote(a)));
    EXPECT_EQ(2, Run("--fast " + ShellQuote(a) + " " + ShellQuote(a)));
}

}  // namespace
}  // namespace zendra::test
