// The toolkit-free heart of the split, clip and join jobs, shared by the desktop
// program and the command line so both cut exactly the same way.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/Zendra.h"

namespace zendra {

// How a running job shows itself; every hook is optional.
struct TJobHooks {
    std::function<void(std::int32_t maximum)> Started;  // the Working page, bar maximum
    std::function<void(const std::string& name)> Writing;
    std::function<void(std::int32_t base)> ProgressBase;
    std::function<void(TZendra* engine)> CurrentEngine;  // Break reaches the job here
    TZendra::TProgressEvent Progress;
    // Not a hook but the one option every job shares: prove copied bytes, not only structure.
    bool VerifyBytes = false;
    // How the job opens a movie without a usable index: as the user already answered.
    TIndexRebuild IndexRebuild = TIndexRebuild::Refuse;
};

struct TSplitResult {
    bool Finished = false;
    std::vector<std::string> Written;  // parts completed, in order
};

// Writes one part per plan start into folder (which ends with '/') as base + 00001.avi, ...
// Asks before creating the folder and before deleting AVI files already in it.
TSplitResult RunSplitParts(const std::string& movieFile, const std::vector<std::int32_t>& starts,
                           std::int32_t entryCount, std::string folder, std::string baseName,
                           const TJobHooks& hooks);

// Part r (from 1) of a plan: its first and last index position (-1: to the end).
std::pair<std::int32_t, std::int32_t> PartRange(const std::vector<std::int32_t>& starts, std::size_t r);

// Index range of the clip from startFrame to endFrame (0 is the beginning, N the N-th video
// frame). The last frame, or any beyond it, clips to the end of the index.
std::pair<std::int32_t, std::int32_t> ClipRange(const TZendra& movie, std::int32_t startFrame, std::int32_t endFrame);

// Writes the clip; true when the file was written and not broken off.
bool RunClipRange(const std::string& movieFile, std::int32_t startFrame, std::int32_t endFrame,
                  const std::string& outputName, const TJobHooks& hooks);

// Joins first with members in order; true when Join completed and was not broken off.
bool RunJoinParts(const std::string& firstPart, const std::vector<std::string>& members,
                  const std::string& outputName, const TJobHooks& hooks);

// prefix + 001, 002, ...: the first that is not an existing folder.
std::string NextFreeFolder(const std::string& prefix);

}  // namespace zendra
