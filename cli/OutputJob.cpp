#include "cli/OutputJob.h"

#include <iostream>

#include "cli/CliArgs.h"
#include "cli/RebuiltIndex.h"
#include "common/FileHelpers.h"
#include "platform/Platform.h"

namespace zendra::cli {

int RunOutputJob(const std::string& output, const TArgs& args, const TOutputJob& job)
{
    if (FileExists(output) && Confirm("File " + output + " exists. Overwrite?", TButtons::OKCancel) != TAnswer::OK)
        return kExitFailed;
    TTerminalProgress progress(output);
    TJobHooks hooks;
    hooks.VerifyBytes = WantsByteProof(args);
    RebuildIndexesIn(hooks);
    hooks.Progress = [&](std::int32_t done, std::int32_t total) { progress.Show(done, total); };
    const bool written = job(hooks);
    progress.Finish();
    if (written)
        std::cout << output << std::endl;
    return written ? kExitOk : kExitFailed;
}

}  // namespace zendra::cli
