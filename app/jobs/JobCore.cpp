#include "app/jobs/JobCore.h"

#include <memory>

#include "common/FileHelpers.h"
#include "common/TextHelpers.h"
#include "engine/OutputVerifier.h"
#include "platform/Platform.h"

namespace zendra {

namespace {

// Registers the engine as the job's current one for as long as it lives.
class TCurrentEngine {
public:
    TCurrentEngine(const TJobHooks& hooks, TZendra* engine) : FHooks(hooks)
    {
        if (FHooks.CurrentEngine)
            FHooks.CurrentEngine(engine);
    }
    ~TCurrentEngine()
    {
        if (FHooks.CurrentEngine)
            FHooks.CurrentEngine(nullptr);
    }

private:
    const TJobHooks& FHooks;
};

// A start past the last frame is refused; the message counts the frames the proven index holds.
bool StartsWithinTheMovie(TZendra& movie, std::int32_t startFrame)
{
    if (startFrame <= movie.VideoFrameCount())
        return true;
    movie.ProveEntries(0, movie.Index.size());  // the message names the movie's real last frame
    ShowMessage("The starting frame " + std::to_string(startFrame) + " is beyond the last frame " +
                std::to_string(movie.VideoFrameCount()) + " of " + movie.MovieFile + ".");
    return false;
}

bool PrepareSplitFolder(const std::string& folder, const std::string& movieFile)
{
    if (!DirectoryExists(folder)) {
        if (Confirm("Splitting results will be put in a new folder " + folder + ". Continue?", TButtons::OKCancel) !=
            TAnswer::OK)
            return false;
        if (!ForceDirectories(folder)) {
            ShowMessage("Can not create folder " + folder);
            return false;
        }
    }
    ProcessMessages();
    const std::vector<std::string> movies = ListFilesWithExt(folder, ".avi");
    if (movies.empty())
        return true;
    const TAnswer answer = Confirm("Folder " + folder + " contains AVI files. delete these files?", TButtons::YesNoCancel);
    if (answer == TAnswer::Cancel)
        return false;
    if (answer == TAnswer::Yes)
        for (auto it = movies.rbegin(); it != movies.rend(); ++it) {
            const std::string path = IncludeTrailingSeparator(folder) + *it;
            // The folder may be the movie's own: the movie being split is never deleted.
            if (!SameFile(path, movieFile) && !DiscardFile(path)) {
                ShowMessage("Can not remove " + path);
                return false;
            }
        }
    return true;
}

// A part record numbers parts and counts lead entries in 16 bits: more would be cut short
// and the parts would join in the wrong order.
void CheckSplitLimits(const TZendra& movie, const std::vector<std::int32_t>& starts, const std::string& folder,
                      const std::string& baseName)
{
    movie.CheckCuttable();
    // A part named like the movie would be refused at its turn: refused before any file
    // of the folder is deleted.
    for (std::size_t r = 1; r <= starts.size(); ++r) {
        const std::string name = IncludeTrailingSeparator(folder) + baseName +
                                 IntToZeroPadded(static_cast<std::int32_t>(r), 5) + ".avi";
        if (SameFile(name, movie.MovieFile))
            throw EZendraError("Can not write " + name + ": it is the movie being read.");
    }
    if (static_cast<std::int64_t>(starts.size()) > kMaxPartNumber)
        throw EZendraError("Can not split " + movie.MovieFile + " into " + std::to_string(starts.size()) +
                           " parts: a split run numbers at most " + std::to_string(kMaxPartNumber) + " parts.");
    std::int32_t lead = 0;
    while (lead < static_cast<std::int32_t>(movie.Index.size()) && !IsVideoEntry(movie.Index[static_cast<std::size_t>(lead)]))
        ++lead;
    if (starts.size() > 1 && lead > kMaxLeadCount)
        throw EZendraError("Can not split " + movie.MovieFile + ": it begins with " + std::to_string(lead) +
                           " sound chunks ahead of its first frame, more than a part can count (" +
                           std::to_string(kMaxLeadCount) + ").");
}

}  // namespace

std::pair<std::int32_t, std::int32_t> PartRange(const std::vector<std::int32_t>& starts, std::size_t r)
{
    const std::int32_t start = r == 1 ? 0 : starts[r - 1];
    const std::int32_t end = r < starts.size() ? starts[r] - 1 : -1;
    return {start, end};
}

TSplitResult RunSplitParts(const std::string& movieFile, const std::vector<std::int32_t>& starts,
                           std::int32_t entryCount, std::string folder, std::string baseName,
                           const TJobHooks& hooks)
{
    TSplitResult result;
    baseName = Trim(baseName);
    if (baseName.empty()) {
        ShowMessage("Can not proceed. the Output base name is empty.");
        return result;
    }
    folder = Trim(folder);
    if (folder.empty()) {
        ShowMessage("Can not proceed. the Output folder name is empty.");
        return result;
    }
    // Every check that can refuse the job comes before anything is made.
    TZendra movie(movieFile, hooks.Progress, hooks.IndexRebuild);
    if (!movie.IsOpen()) {
        ShowMessage(CanNotOpenText(movieFile));
        return result;
    }
    CheckSplitLimits(movie, starts, folder, baseName);
    movie.VerifyBytes = hooks.VerifyBytes;
    if (!PrepareSplitFolder(folder, movieFile))
        return result;

    TPartRecord record;
    record.SetSourceTime(GetFileDateTime(movieFile));
    record.SetCreatedAt(NowDateTime());
    record.SetFlag(0);
    record.SetSourceName(ExtractFileName(movieFile));
    record.SetBatchIdentity(NewGuidText());
    if (hooks.Started)
        hooks.Started(entryCount);
    TCurrentEngine current(hooks, &movie);
    for (std::size_t r = 1; r <= starts.size(); ++r) {
        const std::string name = IncludeTrailingSeparator(folder) + baseName +
                                 IntToZeroPadded(static_cast<std::int32_t>(r), 5) + ".avi";
        if (hooks.Writing)
            hooks.Writing(name);
        record.SetPartIndex(static_cast<std::uint16_t>(r));
        record.SetLeadCount(0);
        const auto [start, end] = PartRange(starts, r);
        if (hooks.ProgressBase)
            hooks.ProgressBase(start);
        if (!movie.SaveToFile(name, start, &record, end) || movie.Cancelled)
            return result;
        result.Written.push_back(name);
    }
    // Each part was proven as it was written; the run as a whole is proven at its end.
    const std::string problem = VerifySplitRun(result.Written);
    if (!problem.empty()) {
        ShowMessage("Verification failed for " + folder + ": " + problem);
        return result;
    }
    result.Finished = true;
    return result;
}

std::pair<std::int32_t, std::int32_t> ClipRange(const TZendra& movie, std::int32_t startFrame, std::int32_t endFrame)
{
    const std::int32_t start = movie.KeyEntryForFrame(startFrame);
    // From the last frame on, the clip runs to the end of the index, audio after the last
    // frame included, rather than past the index or, beyond the last frame, to nothing.
    if (endFrame >= movie.VideoFrameCount())
        return {start, static_cast<std::int32_t>(movie.Index.size()) - 1};
    return {start, movie.EntryAfterFrame(endFrame)};
}

bool RunClipRange(const std::string& movieFile, std::int32_t startFrame, std::int32_t endFrame,
                  const std::string& outputName, const TJobHooks& hooks)
{
    if (hooks.Writing)
        hooks.Writing(outputName);
    TZendra movie(movieFile, hooks.Progress, hooks.IndexRebuild, TEntryProof::AsNeeded);
    if (!movie.IsOpen()) {
        ShowMessage(CanNotOpenText(movieFile));
        return false;
    }
    if (!StartsWithinTheMovie(movie, startFrame))
        return false;
    movie.VerifyBytes = hooks.VerifyBytes;
    TCurrentEngine current(hooks, &movie);
    ProcessMessages();
    // An entry found to name no chunk is left out, which renumbers the frames: the range is
    // planned again. Each round leaves out at least one entry.
    for (;;) {
        const auto [start, end] = ClipRange(movie, startFrame, endFrame);
        if (movie.ProveEntries(0, static_cast<std::size_t>(std::max(start, 0))) == 0) {
            if (movie.SaveToFile(outputName, start, nullptr, end))
                return !movie.Cancelled;
            if (!movie.IndexChanged)
                return false;
        }
        if (!StartsWithinTheMovie(movie, startFrame))
            return false;
    }
}

bool RunJoinParts(const std::string& firstPart, const std::vector<std::string>& members,
                  const std::string& outputName, const TJobHooks& hooks)
{
    if (hooks.ProgressBase)
        hooks.ProgressBase(0);
    if (hooks.Writing)
        hooks.Writing(outputName);
    TZendra first(firstPart, hooks.Progress, hooks.IndexRebuild);
    if (!first.IsOpen()) {
        ShowMessage(CanNotOpenText(firstPart));
        return false;
    }
    first.VerifyBytes = hooks.VerifyBytes;
    TCurrentEngine current(hooks, &first);
    return first.Join(outputName, members) && !first.Cancelled;
}

std::string NextFreeFolder(const std::string& prefix)
{
    for (std::int32_t n = 1;; ++n) {
        const std::string name = prefix + IntToZeroPadded(n, 3);
        if (!DirectoryExists(name))
            return name;
    }
}

}  // namespace zendra
