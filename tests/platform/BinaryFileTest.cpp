// The file layer's range copy: exact bytes at every alignment, and honest counts when
// the target refuses bytes or the source ends early; room set aside for an output.
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

#include <gtest/gtest.h>

#include "platform/BinaryFile.h"
#include "tests/testkit/Samples.h"

namespace zendra::test {
namespace {

class RangeCopy : public ::testing::Test {
protected:
    void SetUp() override
    {
        Folder = MakeTempDir("zendra-copy");
        // Larger than a pipe's load, and of no round size.
        Source.resize((std::size_t{3} << 20) + 4321);
        std::uint32_t x = 12345;
        for (auto& byte : Source) {
            x = x * 1103515245u + 12345u;
            byte = static_cast<std::uint8_t>(x >> 24);
        }
        std::ofstream(PathOf("source.bin"), std::ios::binary)
            .write(reinterpret_cast<const char*>(Source.data()), static_cast<std::streamsize>(Source.size()));
    }
    void TearDown() override { std::filesystem::remove_all(Folder); }

    std::string PathOf(const std::string& name) const { return Folder + "/" + name; }
    std::vector<std::uint8_t> Contents(const std::string& name) const
    {
        std::ifstream in(PathOf(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::string Folder;
    std::vector<std::uint8_t> Source;
};

TEST_F(RangeCopy, BytesArriveExactlyWhateverTheirPlaceInAPage)
{
    const std::size_t heads[] = {0, 1, 2000, 4096, 5000};
    const std::size_t starts[] = {0, 7, 4096, 100000};
    for (const std::size_t head : heads) {
        for (const std::size_t start : starts) {
            const std::size_t count = Source.size() - start - 3;
            {
                auto in = TBinaryFile::OpenRead(PathOf("source.bin"));
                auto out = TBinaryFile::Create(PathOf("out.bin"));
                ASSERT_TRUE(in && out);
                const std::vector<std::uint8_t> header(head, 0xAB);
                ASSERT_EQ(out->Write(header.data(), header.size()), head);
                ASSERT_EQ(out->CopyFrom(*in, static_cast<std::int64_t>(start), count), count);
                // A small piece after a large copy lands behind it, not over it.
                ASSERT_EQ(out->CopyFrom(*in, 0, 16), 16u);
                ASSERT_TRUE(out->Close());
            }
            std::vector<std::uint8_t> expected(head, 0xAB);
            expected.insert(expected.end(), Source.begin() + static_cast<std::ptrdiff_t>(start),
                            Source.begin() + static_cast<std::ptrdiff_t>(start + count));
            expected.insert(expected.end(), Source.begin(), Source.begin() + 16);
            ASSERT_TRUE(Contents("out.bin") == expected) << "head " << head << ", start " << start;
        }
    }
}

TEST_F(RangeCopy, SourceEndingEarlyGivesAShortCount)
{
    auto in = TBinaryFile::OpenRead(PathOf("source.bin"));
    auto out = TBinaryFile::Create(PathOf("out.bin"));
    ASSERT_TRUE(in && out);
    ASSERT_EQ(out->Write("x", 1), 1u);
    const std::size_t wanted = 1 << 20;
    const auto start = static_cast<std::int64_t>(Source.size() - 1000);
    EXPECT_EQ(out->CopyFrom(*in, start, wanted), 1000u);
    EXPECT_FALSE(out->Close());
    const auto written = Contents("out.bin");
    ASSERT_EQ(written.size(), 1001u);
    EXPECT_TRUE(std::equal(written.begin() + 1, written.end(), Source.end() - 1000));
}

// A file size limit refuses bytes as a full disk does.
TEST_F(RangeCopy, TargetRefusingBytesGivesAShortCountAndAFailedClose)
{
    rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = (std::size_t{1} << 20) + 5000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);

    std::size_t copied = 0;
    bool closed = true;
    {
        auto in = TBinaryFile::OpenRead(PathOf("source.bin"));
        auto out = TBinaryFile::Create(PathOf("out.bin"));
        if (in && out) {
            out->Write("head", 4);
            copied = out->CopyFrom(*in, 3, Source.size() - 3);
            // Nothing further is accepted once a write was refused.
            out->Write("tail", 4);
            closed = out->Close();
        }
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_LT(copied, Source.size() - 3);
    EXPECT_FALSE(closed);
    const auto written = Contents("out.bin");
    ASSERT_LE(written.size(), limited.rlim_cur);
    ASSERT_GE(written.size(), 4u);
    EXPECT_TRUE(std::equal(written.begin() + 4, written.end(), Source.begin() + 3));
}

// An output set room aside for the size it was planned to reach; one that ends shorter (a
// Break, a failure) must not keep the rest, in the trash or anywhere.
TEST_F(RangeCopy, RoomSetAsideIsGivenBackWhenTheFileEndsShorter)
{
    const std::size_t copied = 100000;
    {
        auto in = TBinaryFile::OpenRead(PathOf("source.bin"));
        auto out = TBinaryFile::Create(PathOf("out.bin"));
        ASSERT_TRUE(in && out);
        out->Reserve(std::uint64_t{64} << 20);
        ASSERT_EQ(out->Write("head", 4), 4u);
        ASSERT_EQ(out->CopyFrom(*in, 7, copied), copied);
        EXPECT_TRUE(out->Close());
    }
    struct stat st {};
    ASSERT_EQ(::stat(PathOf("out.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, static_cast<off_t>(copied + 4));
    EXPECT_LT(static_cast<std::int64_t>(st.st_blocks) * 512, std::int64_t{1} << 20);
    const auto written = Contents("out.bin");
    ASSERT_EQ(written.size(), copied + 4);
    EXPECT_TRUE(std::equal(written.begin() + 4, written.end(), Source.begin() + 7));
}

}  // namespace
}  // namespace zendra::test
