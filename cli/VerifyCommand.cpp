// zendra-cli verify: the read-back proof the writers run on their outputs, for any AVI.
#include <iostream>

#include "cli/Commands.h"
#include "cli/InputFile.h"
#include "cli/RebuiltIndex.h"
#include "engine/OutputVerifier.h"
#include "engine/SourceMatch.h"
#include "engine/Zendra.h"

namespace zendra::cli {

namespace {

int Failed(const std::string& file, const std::string& what)
{
    std::cerr << "Verification failed for " << file << ": " << what << std::endl;
    return kExitFailed;
}

}  // namespace

int RunVerify(const TArgs& args)
{
    std::string file, source;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--source" && i + 1 < args.size())
            source = args[++i];
        else if (!a.empty() && a[0] == '-')
            return UsageError("verify: unknown or incomplete option '" + a + "'");
        else if (file.empty())
            file = a;
        else
            return UsageError("verify: only one file may be named");
    }
    if (file.empty())
        return UsageError("verify: name a file");
    if (!CheckInputFile(file))
        return kExitFailed;
    const TVerifyReport report = VerifyAviFile(file, {});
    if (!report.Failure.empty())
        return Failed(file, report.Failure);
    if (!source.empty()) {
        if (!CheckInputFile(source))
            return kExitFailed;
        const TZendra movie(file);
        const TZendra original(source, {}, kIndexRebuild);
        TellRebuiltIndex(original);
        if (movie.LeftOutEntries > 0)
            return Failed(file, std::to_string(movie.LeftOutEntries) + " index entries name no chunk");
        const std::string mismatch = MatchChunksWithSource(movie, original);
        if (!mismatch.empty())
            return Failed(file, mismatch);
    }
    std::cout << file << ": verified, " << report.Entries << " index entries, " << report.VideoEntries << " frames"
              << (source.empty() ? "" : ", every chunk is one of " + source) << std::endl;
    return kExitOk;
}

}  // namespace zendra::cli
