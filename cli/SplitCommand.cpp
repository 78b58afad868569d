// zendra-cli split: the split job on the command line.
#include <iostream>

#include "app/jobs/JobCore.h"
#include "app/jobs/ProgressText.h"
#include "cli/CliArgs.h"
#include "cli/SplitPlan.h"
#include "cli/InputFile.h"
#include "cli/RebuiltIndex.h"
#include "common/FileHelpers.h"
#include "platform/Platform.h"

namespace zendra::cli {

namespace {

struct TSplitOptions {
    std::string Movie;
    TPlanOptions Plan;
    std::string Folder;
    std::string BaseName;
};

// Returns an exit status when the arguments are unusable.
std::optional<int> ParseSplitArgs(const TArgs& args, TSplitOptions& o)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        std::optional<int> status;
        if (a == "-y" || a == "--yes" || a == "--verify")
            continue;
        if (TakePlanOption(args, i, "split", o.Plan, status)) {
            if (status)
                return status;
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
    return CheckPlanOptions("split", o.Plan);
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
    std::vector<std::string> syncLines;  // taken before the writers change the index
    {
        TZendra movie(o.Movie, {}, kIndexRebuild);
        TellRebuiltIndex(movie);
        if (!movie.IsCompressed()) {
            std::cerr << NotCompressedText(o.Movie) << std::endl;
            return kExitFailed;
        }
        if (!PlanOrSay(movie, o.Plan, starts))
            return kExitFailed;
        entries = static_cast<std::int32_t>(movie.Index.size());
        syncLines = PartSyncLines(movie, starts);
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
    hooks.VerifyBytes = WantsByteProof(args);
    RebuildIndexesIn(hooks);
    hooks.Started = [&](std::int32_t max) { maximum = max; };
    hooks.ProgressBase = [&](std::int32_t b) { base = b; };
    std::size_t written = 0;
    hooks.Writing = [&](const std::string& name) {
        progress.SetLabel("");
        // stdout stays the list of parts that scripts read; the report goes beside it.
        std::cout << name << std::endl;
        if (written < syncLines.size())
            std::cerr << "  " << syncLines[written] << std::endl;
        ++written;
    };
    hooks.Progress = [&](std::int32_t done, std::int32_t total) {
        const TJobProgress whole = WholeJobProgress(TJobKind::Split, done, total, base, maximum);
        progress.Show(whole.Done, whole.Total);
    };
    const TSplitResult result = RunSplitParts(o.Movie, starts, entries, o.Folder, o.BaseName, hooks);
    progress.Finish();
    return result.Finished ? kExitOk : kExitFailed;
}

}  // namespace zendra::cli
