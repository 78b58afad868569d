// zendra-cli split: the split job on the command line.
#include <iostream>

#include "app/jobs/JobCore.h"
#include "cli/CliArgs.h"
#include "cli/InputFile.h"
#include "common/FileHelpers.h"
#include "platform/Platform.h"

namespace zendra::cli {

namespace {

struct TSplitOptions {
    std::string Movie;
    int Mode = 0;
    std::int32_t Parts = 0;
    std::string Folder;
    std::string BaseName;
};

int ParseMode(const std::string& text)
{
    if (text == "optimal")
        return 0;
    if (text == "median")
        return 1;
    if (text == "smallest")
        return 2;
    if (text == "custom")
        return 3;
    return -1;
}

// Returns an exit status when the arguments are unusable.
std::optional<int> ParseSplitArgs(const TArgs& args, TSplitOptions& o)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "-y" || a == "--yes")
            continue;
        if ((a == "-m" || a == "--mode") && hasValue) {
            o.Mode = ParseMode(args[++i]);
            if (o.Mode < 0)
                return UsageError("split: unknown mode '" + args[i] + "'");
        } else if ((a == "-n" || a == "--parts") && hasValue) {
            const auto n = ParseFrame(args[++i], 0);
            if (!n || args[i].back() == 's')
                return UsageError("split: -n takes a number of parts");
            o.Parts = *n;
        } else if ((a == "-o" || a == "--output") && hasValue) {
            o.Folder = args[++i];
        } else if ((a == "-b" || a == "--basename") && hasValue) {
            o.BaseName = args[++i];
        } else if (!a.empty() && a[0] == '-') {
            return UsageError("split: unknown or incomplete option '" + a + "'");
        } else if (o.Movie.empty()) {
            o.Movie = a;
        } else {
            return UsageError("split: only one movie may be named");
        }
    }
    if (o.Movie.empty())
        return UsageError("split: name a movie");
    if (o.Parts > 0)
        o.Mode = 3;
    if (o.Mode == 3 && o.Parts < 2)
        return UsageError("split: custom mode needs -n with 2 parts or more");
    return std::nullopt;
}

}  // namespace

int RunSplit(const TArgs& args)
{
    TSplitOptions o;
    if (auto status = ParseSplitArgs(args, o))
        return *status;
    if (!CheckInputFile(o.Movie))
        return kExitFailed;
    std::vector<std::int32_t> starts;
    std::int32_t entries = 0;
    {
        TZendra movie(o.Movie);
        if (!movie.IsCompressed()) {
            std::cerr << "Video part in " << o.Movie << " is not compressed and can not be processed" << std::endl;
            return kExitFailed;
        }
        std::vector<std::int32_t> accumulators;
        if (!movie.PlanParts(starts, accumulators, SplitTarget(movie, o.Mode, o.Parts))) {
            std::cerr << o.Movie << " has no key frame to split at." << std::endl;
            return kExitFailed;
        }
        entries = static_cast<std::int32_t>(movie.Index.size());
    }
    if (o.BaseName.empty())
        o.BaseName = NameWithoutExt(o.Movie);
    if (o.Folder.empty())
        o.Folder = NextFreeFolder("Output/" + Trim(o.BaseName));
    o.Folder = IncludeTrailingSeparator(o.Folder);

    TTerminalProgress progress;
    std::int32_t base = 0;
    std::int32_t maximum = 0;
    TJobHooks hooks;
    hooks.Started = [&](std::int32_t max) { maximum = max; };
    hooks.ProgressBase = [&](std::int32_t b) { base = b; };
    hooks.Writing = [&](const std::string& name) {
        progress.SetLabel("");
        std::cout << name << std::endl;
    };
    hooks.Progress = [&](std::int32_t done, std::int32_t) { progress.Show(done + base, maximum); };
    const TSplitResult result = RunSplitParts(o.Movie, starts, entries, o.Folder, o.BaseName, hooks);
    progress.Finish();
    return result.Finished ? kExitOk : kExitFailed;
}

}  // namespace zendra::cli
