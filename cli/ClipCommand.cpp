// zendra-cli clip: the clip job on the command line.
#include <iostream>

#include "app/jobs/JobCore.h"
#include "cli/CliArgs.h"
#include "cli/InputFile.h"
#include "cli/OutputJob.h"
#include "cli/RebuiltIndex.h"
#include "common/FileHelpers.h"
#include "platform/Platform.h"

namespace zendra::cli {

int RunClip(const TArgs& args)
{
    std::string movieFile, startText, endText, output;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "-y" || a == "--yes" || a == "--verify")
            continue;
        if (a == "--start" && hasValue)
            startText = args[++i];
        else if (a == "--end" && hasValue)
            endText = args[++i];
        else if ((a == "-o" || a == "--output") && hasValue)
            output = args[++i];
        else if (!a.empty() && a[0] == '-')
            return UsageError("clip: unknown or incomplete option '" + a + "'");
        else if (movieFile.empty())
            movieFile = a;
        else
            return UsageError("clip: only one movie may be named");
    }
    if (movieFile.empty() || startText.empty() || endText.empty() || output.empty())
        return UsageError("clip: name a movie, --start, --end and -o");
    if (!CheckInputFile(movieFile))
        return kExitFailed;
    // The frame rate is needed only for times; the job opens the movie itself.
    long double rate = 0;
    if (startText.back() == 's' || endText.back() == 's')
        rate = TZendra(movieFile, {}, kIndexRebuild).FrameRate;
    const auto start = ParseFrame(startText, rate);
    const auto end = ParseFrame(endText, rate);
    if (!start || !end)
        return UsageError("clip: frames are whole numbers from 0, or seconds such as 65.4s");
    if (*start > *end) {
        std::cerr << "The starting position is located behind the ending position." << std::endl;
        return kExitFailed;
    }
    return RunOutputJob(output, args, [&](const TJobHooks& hooks) {
        return RunClipRange(movieFile, *start, *end, output, hooks);
    });
}

}  // namespace zendra::cli
