// zendra-cli join: the join job on the command line, with the join list's checks.
#include <iostream>
#include <optional>

#include "app/jobs/JobCore.h"
#include "app/jobs/JoinMembers.h"
#include "cli/CliArgs.h"
#include "cli/InputFile.h"
#include "cli/OutputJob.h"
#include "cli/RebuiltIndex.h"
#include "common/FileHelpers.h"
#include "platform/Platform.h"

namespace zendra::cli {

namespace {

struct TMember {
    std::string Path;
    std::string Key;
    std::string Batch;
};

// The members in join order, or nothing when one is refused (each refusal said on stderr).
std::optional<std::vector<TMember>> OrderedMembers(const std::vector<std::string>& paths, bool force)
{
    std::vector<TMember> members;
    std::vector<std::string> refused;
    for (const std::string& path : paths) {
        if (auto member = ReadJoinMember(path, kIndexRebuild)) {
            if (!member->RebuiltIndex.empty())
                std::cerr << member->RebuiltIndex << std::endl;
            members.push_back({member->Path, JoinSortKey(member->Record), member->Record.BatchIdentity()});
        } else {
            refused.push_back(path);
        }
    }
    for (const std::string& path : refused)
        std::cerr << path << " is not a part written by a split." << std::endl;
    if (!refused.empty())
        return std::nullopt;
    SortForJoin(members);
    if (const std::size_t i = FirstRepeatedPart(members); i < members.size()) {
        std::cerr << members[i].Path << " is the same part as " << members[i - 1].Path << "." << std::endl;
        return std::nullopt;
    }
    std::vector<std::string> batches;
    for (const TMember& member : members)
        batches.push_back(member.Batch);
    if (MixedOrigins(batches) && !force) {
        std::cerr << kMixedOriginText << std::endl << "(use --force to join them all the same)" << std::endl;
        return std::nullopt;
    }
    return members;
}

int WriteJoin(const std::vector<TMember>& members, const std::string& output, const TArgs& args)
{
    std::vector<std::string> rest;
    for (std::size_t i = 1; i < members.size(); ++i)
        rest.push_back(members[i].Path);
    return RunOutputJob(output, args, [&](const TJobHooks& hooks) {
        return RunJoinParts(members.front().Path, rest, output, hooks);
    });
}

}  // namespace

int RunJoin(const TArgs& args)
{
    std::vector<std::string> paths;
    std::string output;
    bool force = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-y" || a == "--yes" || a == "--verify")
            continue;
        if (a == "--force")
            force = true;
        else if ((a == "-o" || a == "--output") && i + 1 < args.size())
            output = args[++i];
        else if (!a.empty() && a[0] == '-')
            return UsageError("join: unknown or incomplete option '" + a + "'");
        else
            paths.push_back(a);
    }
    if (output.empty())
        return UsageError("join: name the output with -o");
    if (paths.size() < 2) {
        std::cerr << kTooFewToJoinText << std::endl;
        return kExitFailed;
    }
    for (const std::string& path : paths)
        if (!CheckInputFile(path))
            return kExitFailed;
    const auto members = OrderedMembers(paths, force);
    return members ? WriteJoin(*members, output, args) : kExitFailed;
}

}  // namespace zendra::cli
