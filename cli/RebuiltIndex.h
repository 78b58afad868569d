// The command line builds a missing index without asking, and says so once per movie.
#pragma once

#include "app/jobs/JobCore.h"
#include "engine/Zendra.h"

namespace zendra::cli {

constexpr TIndexRebuild kIndexRebuild = TIndexRebuild::Rebuild;

// On stderr, the first time this run opens the movie with a rebuilt index.
void TellRebuiltIndex(const TZendra& movie);
// The movies a job opens are rebuilt and told as the command's own.
void RebuildIndexesIn(TJobHooks& hooks);

}  // namespace zendra::cli
