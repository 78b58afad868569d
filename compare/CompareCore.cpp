#include "compare/CompareCore.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sys/stat.h>

namespace zendra {

const char* const kIdenticalText = "These two files are identical";
const char* const kStopQuestion = "Stop the process?";

namespace {

struct TFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using TFilePtr = std::unique_ptr<std::FILE, TFileCloser>;

std::int64_t SizeBySeekingToEnd(std::FILE* file)
{
    if (fseeko(file, 0, SEEK_END) != 0)
        return -1;
    return static_cast<std::int64_t>(ftello(file));
}

long double SizeRatio(std::int64_t first, std::int64_t second)
{
    const std::int64_t larger = std::max(first, second);
    const std::int64_t smaller = std::min(first, second);
    return smaller > 0 ? static_cast<long double>(larger) / smaller : 0;
}

// What tells that a file changed under the compare: its size and its modification time.
struct TFileStamp {
    std::int64_t Size = -1;
    std::int64_t ModifiedNs = 0;
    bool operator==(const TFileStamp&) const = default;
};

TFileStamp StampOf(std::FILE* file)
{
    struct stat st {};
    if (fstat(fileno(file), &st) != 0)
        return {};
    return {static_cast<std::int64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// Reads the next block, never past the size the file had at the start.
std::size_t ReadWithin(std::FILE* file, unsigned char* buffer, std::int64_t& remaining)
{
    const auto wanted = static_cast<std::size_t>(std::min<std::int64_t>(kCompareBlock, remaining));
    const std::size_t got = wanted > 0 ? std::fread(buffer, 1, wanted, file) : 0;
    remaining -= static_cast<std::int64_t>(got);
    return got;
}

// The end of a file was reached: what the compare may claim depends on whether the
// files are still as they were at the start.
void SettleOutcome(TCompareResult& result, std::FILE* first, std::FILE* second, const TFileStamp& firstStart,
                   const TFileStamp& secondStart)
{
    const TFileStamp firstEnd = StampOf(first), secondEnd = StampOf(second);
    result.FirstEndSize = firstEnd.Size;
    result.SecondEndSize = secondEnd.Size;
    result.FirstChanged = !(firstEnd == firstStart);
    result.SecondChanged = !(secondEnd == secondStart);
    if (result.FirstChanged || result.SecondChanged)
        result.Outcome = TCompareOutcome::Changed;
    else if (result.Differences > 0)
        result.Outcome = TCompareOutcome::Different;
    else if (result.FirstSize == result.SecondSize && result.Compared == result.FirstSize)
        result.Outcome = TCompareOutcome::Identical;
    else
        result.Outcome = TCompareOutcome::CommonPart;
}

bool IsRegularFile(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

}  // namespace

std::string ComparePositionText(std::int32_t position)
{
    char text[16];
    const auto value = static_cast<std::uint32_t>(position);
    std::snprintf(text, sizeof text, "%04X:%04X", static_cast<unsigned>(value >> 16),
                  static_cast<unsigned>(value & 0xFFFF));
    return text;
}

bool SizesNeedQuestion(std::int64_t first, std::int64_t second)
{
    return first != second && SizeRatio(first, second) > 1.000001L;
}

std::string SizeDifferenceText(const std::string& firstPath, std::int64_t firstSize, const std::string& secondPath,
                               std::int64_t secondSize)
{
    const std::string word = SizeRatio(firstSize, secondSize) < 1.001L ? " slightly" : "";
    return "File size is different" + word + ".\n" + firstPath + " size is :" + std::to_string(firstSize / 1024) +
           "kb.\n" + secondPath + " size is :" + std::to_string(secondSize / 1024) + "kb.";
}

std::string SizeQuestionText(const std::string& firstPath, std::int64_t firstSize, const std::string& secondPath,
                             std::int64_t secondSize)
{
    return SizeDifferenceText(firstPath, firstSize, secondPath, secondSize) + "\n" + "Continue the binary compare?";
}

bool IndexHintApplies(std::int64_t first, std::int64_t second, std::int32_t position)
{
    if (SizeRatio(first, second) >= 1.1L)
        return false;
    const long double m = static_cast<long double>(std::min(first, second));
    return m > 0 && (m - position) / m < 0.001L;
}

std::string DifferenceText(std::int64_t first, std::int64_t second, std::int32_t position)
{
    std::string text = "Difference is found at position " + ComparePositionText(position);
    if (IndexHintApplies(first, second, position))
        text += std::string(".\n") + "Base on the position, most likely the difference is on the index offset";
    return text;
}

std::string DifferenceQuestionText(std::int64_t first, std::int64_t second, std::int32_t position)
{
    return DifferenceText(first, second, position) + "\n" + "Skip a little and continue to compare?";
}

std::string TooLargeText(const std::string& path)
{
    return path + " is 2 GB or larger; only files below 2 GB can be compared.";
}

std::string CommonPartText(std::int64_t compared)
{
    return "The first " + std::to_string(compared) + " bytes are identical";
}

std::string ChangedText(const std::string& path, std::int64_t startSize, std::int64_t endSize)
{
    if (startSize == endSize)
        return path + " changed during the compare.";
    return path + " changed during the compare: its size went from " + std::to_string(startSize) + " to " +
           std::to_string(endSize) + " bytes.";
}

namespace {

// Block by block from the start; the outcome settles when either file ends, unless a hook
// stops the compare first.
void CompareBlocks(TCompareResult& result, std::FILE* first, std::FILE* second, const std::array<TFileStamp, 2>& starts,
                   const TCompareHooks& hooks)
{
    std::fseek(first, 0, SEEK_SET);
    std::fseek(second, 0, SEEK_SET);
    std::int32_t block = 0;
    std::int64_t firstLeft = result.FirstSize, secondLeft = result.SecondSize;
    if (hooks.Reading)
        hooks.Reading(static_cast<std::int32_t>(result.FirstSize / 1024));
    unsigned char bufferA[kCompareBlock], bufferB[kCompareBlock];
    for (;;) {
        if (hooks.ContinueAfterStop && !hooks.ContinueAfterStop())
            return;
        if (hooks.Progress)
            hooks.Progress(block + 1);
        const std::size_t countA = ReadWithin(first, bufferA, firstLeft);
        const std::size_t countB = ReadWithin(second, bufferB, secondLeft);
        if (countA == 0 || countB == 0) {
            SettleOutcome(result, first, second, starts[0], starts[1]);
            return;
        }
        // Where the last blocks differ in length only the bytes both hold are compared.
        const std::size_t common = std::min(countA, countB);
        result.Compared += static_cast<std::int64_t>(common);
        const auto mismatch = std::mismatch(bufferA, bufferA + common, bufferB);
        if (mismatch.first != bufferA + common) {
            ++result.Differences;
            const auto position = static_cast<std::int32_t>(std::int64_t{block} * kCompareBlock +
                                                            (mismatch.first - bufferA));
            if (hooks.Difference &&
                !hooks.Difference(position, DifferenceQuestionText(result.FirstSize, result.SecondSize, position)))
                return;
        }
        ++block;
    }
}

}  // namespace

TCompareResult CompareFiles(const std::string& firstPath, const std::string& secondPath, const TCompareHooks& hooks)
{
    TCompareResult result;
    if (!IsRegularFile(firstPath) || !IsRegularFile(secondPath))
        return result;
    TFilePtr first(std::fopen(firstPath.c_str(), "rb"));
    if (!first)
        return result;
    TFilePtr second(std::fopen(secondPath.c_str(), "rb"));
    if (!second)
        return result;
    // Every block is read from the file as it is then, not from a buffer filled earlier.
    std::setvbuf(first.get(), nullptr, _IONBF, 0);
    std::setvbuf(second.get(), nullptr, _IONBF, 0);
    const TFileStamp firstStart = StampOf(first.get()), secondStart = StampOf(second.get());
    result.FirstSize = SizeBySeekingToEnd(first.get());
    result.SecondSize = SizeBySeekingToEnd(second.get());
    if (result.FirstSize <= 0 || result.SecondSize <= 0)
        return result;
    if (result.FirstSize >= kCompareSizeLimit || result.SecondSize >= kCompareSizeLimit) {
        result.Outcome = TCompareOutcome::TooLarge;
        return result;
    }

    if (hooks.Begin)
        hooks.Begin(result.FirstSize, result.SecondSize);
    result.Outcome = TCompareOutcome::Ended;
    if (SizesNeedQuestion(result.FirstSize, result.SecondSize) && hooks.ConfirmSizes &&
        !hooks.ConfirmSizes(SizeQuestionText(firstPath, result.FirstSize, secondPath, result.SecondSize)))
        return result;

    CompareBlocks(result, first.get(), second.get(), {firstStart, secondStart}, hooks);
    return result;
}

}  // namespace zendra
