// zendra-cli compare: the binary compare without questions. Every 1024-byte block with a
// difference is reported; the exit status tells whether the files are the same.
#include <iostream>

#include "cli/Commands.h"
#include "cli/InputFile.h"
#include "compare/CompareCore.h"

namespace zendra::cli {

namespace {

// A file that changed under the compare: say which, and what was compared before that.
int ReportChange(const TCompareResult& result, const std::string& first, const std::string& second)
{
    if (result.FirstChanged)
        std::cout << ChangedText(first, result.FirstSize, result.FirstEndSize) << std::endl;
    if (result.SecondChanged)
        std::cout << ChangedText(second, result.SecondSize, result.SecondEndSize) << std::endl;
    if (result.Differences == 0)
        std::cout << CommonPartText(result.Compared) << std::endl;
    return kExitFailed;
}

int ReportOutcome(const TCompareResult& result, const std::string& first, const std::string& second)
{
    switch (result.Outcome) {
    case TCompareOutcome::NotStarted:
        std::cerr << "Can not compare " << first << " and " << second << ": a file is missing, unreadable or empty"
                  << std::endl;
        return kExitFailed;
    case TCompareOutcome::TooLarge:
        std::cerr << TooLargeText(result.FirstSize >= kCompareSizeLimit ? first : second) << std::endl;
        return kExitFailed;
    case TCompareOutcome::Identical:
        std::cout << kIdenticalText << std::endl;
        return kExitOk;
    case TCompareOutcome::CommonPart:
        // Equal as far as the shorter file goes; the files are still not the same.
        std::cout << CommonPartText(result.Compared) << std::endl;
        return kExitFailed;
    case TCompareOutcome::Changed:
        return ReportChange(result, first, second);
    default:
        return kExitFailed;
    }
}

}  // namespace

int RunCompare(const TArgs& args)
{
    std::vector<std::string> names;
    for (const std::string& a : args) {
        if (a == "-y" || a == "--yes")
            continue;
        if (!a.empty() && a[0] == '-')
            return UsageError("compare: unknown option '" + a + "'");
        names.push_back(a);
    }
    if (names.size() != 2)
        return UsageError("compare: name two files");
    if (!CheckInputFile(names[0]) || !CheckInputFile(names[1]))
        return kExitFailed;

    std::int64_t firstSize = 0, secondSize = 0;
    TCompareHooks hooks;
    hooks.Begin = [&](std::int64_t first, std::int64_t second) {
        firstSize = first;
        secondSize = second;
        if (first != second)
            std::cout << SizeDifferenceText(names[0], first, names[1], second) << std::endl;
    };
    hooks.Difference = [&](std::int32_t position, const std::string&) {
        std::cout << DifferenceText(firstSize, secondSize, position) << std::endl;
        return true;
    };
    return ReportOutcome(CompareFiles(names[0], names[1], hooks), names[0], names[1]);
}

}  // namespace zendra::cli
