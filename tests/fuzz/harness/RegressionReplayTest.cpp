// Every input that ever made a fuzz target crash or break one of its checks, run again:
// tests/fuzz/regressions/<target>/<file>. A failure aborts this test program.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <gtest/gtest.h>

#include "tests/fuzz/harness/FuzzHarness.h"

namespace zendra::fuzz {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadInput(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FuzzRegressions, EveryRecordedInputRunsCleanly)
{
    int replayed = 0;
    for (const TFuzzTarget& target : Targets()) {
        const fs::path folder = fs::path(ZENDRA_FUZZ_REGRESSIONS) / target.Name;
        if (!fs::is_directory(folder))
            continue;
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (!entry.is_regular_file())
                continue;
            SCOPED_TRACE(entry.path().string());
            const auto bytes = ReadInput(entry.path());
            EXPECT_EQ(target.Run(bytes.data(), bytes.size()), 0);
            ++replayed;
        }
    }
    RecordProperty("replayed", replayed);
}

// Inputs shorter than the parameter block, and parameters with no file behind them.
TEST(FuzzRegressions, TruncatedInputsRunCleanly)
{
    const std::vector<std::uint8_t> bytes(kParamBytes + 12, 0xFF);
    for (const TFuzzTarget& target : Targets())
        for (std::size_t size : {std::size_t{0}, std::size_t{1}, kParamBytes, bytes.size()})
            EXPECT_EQ(target.Run(bytes.data(), size), 0) << target.Name << " " << size;
}

}  // namespace
}  // namespace zendra::fuzz
