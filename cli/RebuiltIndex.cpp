#include "cli/RebuiltIndex.h"

#include <iostream>
#include <set>
#include <string>

namespace zendra::cli {

void TellRebuiltIndex(const TZendra& movie)
{
    // A job opens the movie again after the command planned with it.
    static std::set<std::string> told;
    if (movie.IndexRebuilt && told.insert(movie.MovieFile).second)
        std::cerr << RebuiltIndexLine(movie) << std::endl;
}

void RebuildIndexesIn(TJobHooks& hooks)
{
    hooks.IndexRebuild = kIndexRebuild;
    auto previous = std::move(hooks.CurrentEngine);
    hooks.CurrentEngine = [previous](TZendra* engine) {
        if (engine)
            TellRebuiltIndex(*engine);
        if (previous)
            previous(engine);
    };
}

}  // namespace zendra::cli
