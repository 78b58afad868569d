// Block-by-block comparison of two files, with the texts the compare window and
// zendra-cli show. No toolkit: the caller supplies the questions and the progress.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace zendra {

constexpr int kCompareBlock = 1024;
// Sizes and positions are signed 32-bit: 2 GiB and more cannot be compared.
constexpr std::int64_t kCompareSizeLimit = std::int64_t{1} << 31;

extern const char* const kIdenticalText;       // "These two files are identical"
extern const char* const kStopQuestion;         // "Stop the process?"

// "0001:2345": eight hexadecimal digits split in two.
std::string ComparePositionText(std::int32_t position);
// The sizes differ by more than a millionth.
bool SizesNeedQuestion(std::int64_t first, std::int64_t second);
// "File size is different" and both sizes in kb; the question adds "Continue the binary compare?".
std::string SizeDifferenceText(const std::string& firstPath, std::int64_t firstSize, const std::string& secondPath,
                               std::int64_t secondSize);
std::string SizeQuestionText(const std::string& firstPath, std::int64_t firstSize, const std::string& secondPath,
                             std::int64_t secondSize);
// A difference this close to the end most likely lies in the index at the end of an AVI file.
bool IndexHintApplies(std::int64_t first, std::int64_t second, std::int32_t position);
// "Difference is found at position ..." with the index hint where it applies.
std::string DifferenceText(std::int64_t first, std::int64_t second, std::int32_t position);
std::string DifferenceQuestionText(std::int64_t first, std::int64_t second, std::int32_t position);
std::string TooLargeText(const std::string& path);
// Equal as far as the shorter file goes: "The first N bytes are identical".
std::string CommonPartText(std::int64_t compared);
// "NAME changed during the compare: ..." with the sizes at the start and at the end.
std::string ChangedText(const std::string& path, std::int64_t startSize, std::int64_t endSize);

enum class TCompareOutcome {
    NotStarted,  // a file missing, not openable or empty: nothing is said
    TooLarge,    // a file of 2 GiB or more
    Identical,   // every byte of both files, of one size, compared equal
    CommonPart,  // the sizes differ; every byte the shorter file holds compared equal
    Different,   // differences were reported and the end was reached
    Changed,     // a file changed during the run: nothing can be said of the whole
    Ended,       // the user ended it (size question, a difference, or a stop)
};

// What the caller does at each step; unset hooks go on without asking.
struct TCompareHooks {
    // Sizes taken and both files open: the compare starts (caption "Break" and the like).
    std::function<void(std::int64_t firstSize, std::int64_t secondSize)> Begin;
    // The size question; false ends the compare.
    std::function<bool(const std::string& text)> ConfirmSizes;
    // Reading starts: maximum of the progress display (first size div 1024).
    std::function<void(std::int32_t maximum)> Reading;
    // Before each block: false ends the compare (a confirmed stop request).
    std::function<bool()> ContinueAfterStop;
    // Progress position (block counter + 1); lets pending window messages run.
    std::function<void(std::int32_t position)> Progress;
    // The first difference in a block, with the question to ask about it; false ends the
    // compare, true skips to the next block.
    std::function<bool(std::int32_t position, const std::string& question)> Difference;
};

struct TCompareResult {
    TCompareOutcome Outcome = TCompareOutcome::NotStarted;
    // Sizes at the start; the compare reads no further than these.
    std::int64_t FirstSize = 0;
    std::int64_t SecondSize = 0;
    // Sizes when the compare ended (Changed tells which file differs from its start).
    std::int64_t FirstEndSize = 0;
    std::int64_t SecondEndSize = 0;
    bool FirstChanged = false;
    bool SecondChanged = false;
    std::int32_t Differences = 0;
    std::int64_t Compared = 0;  // bytes compared
};

TCompareResult CompareFiles(const std::string& firstPath, const std::string& secondPath, const TCompareHooks& hooks);

}  // namespace zendra
