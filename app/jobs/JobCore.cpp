#include "app/jobs/JobCore.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include "common/FileHelpers.h"
#include "common/TextHelpers.h"
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

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
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

// The refusals that the writer would make only at a part's turn, made before any file of
// the folder is deleted.
void RefuseUnwritableParts(const std::string& movieFile, std::size_t partCount, const std::string& folder,
                           const std::string& baseName)
{
    for (std::size_t r = 1; r <= partCount; ++r) {
        const std::string name = IncludeTrailingSeparator(folder) + baseName +
                                 IntToZeroPadded(static_cast<std::int32_t>(r), 5) + ".avi";
        if (SameFile(name, movieFile))
            throw EZendraError("Can not write " + name + ": it is the movie being read.");
    }
    const TZendra movie(movieFile);
    if (movie.HasExtendedRiff)
        throw EZendraError(movieFile + " continues past its first RIFF chunk (an OpenDML movie of 1 GiB or more). "
                           "Only movies held in one RIFF chunk can be cut without losing their end.");
}

}  // namespace

std::int32_t SplitTarget(const TZendra& movie, int mode, std::int32_t partCount)
{
    if (mode == 3)
        return partCount > 0 ? movie.TotalDataSize() / partCount : movie.TotalDataSize();
    return movie.TargetPartSize(mode);
}

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
    RefuseUnwritableParts(movieFile, starts.size(), folder, baseName);
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
    for (std::size_t r = 1; r <= starts.size(); ++r) {
        TZendra part(movieFile, hooks.Progress);
        TCurrentEngine current(hooks, &part);
        const std::string name = IncludeTrailingSeparator(folder) + baseName +
                                 IntToZeroPadded(static_cast<std::int32_t>(r), 5) + ".avi";
        if (hooks.Writing)
            hooks.Writing(name);
        record.SetPartIndex(static_cast<std::uint16_t>(r));
        record.SetLeadCount(0);
        const auto [start, end] = PartRange(starts, r);
        if (hooks.ProgressBase)
            hooks.ProgressBase(start);
        if (!part.SaveToFile(name, start, &record, end) || part.Cancelled)
            return result;
        result.Written.push_back(name);
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
    TZendra movie(movieFile, hooks.Progress);
    TCurrentEngine current(hooks, &movie);
    ProcessMessages();
    const auto [start, end] = ClipRange(movie, startFrame, endFrame);
    return movie.SaveToFile(outputName, start, nullptr, end) && !movie.Cancelled;
}

std::string JoinSortKey(const TPartRecord& record)
{
    return record.BatchIdentity() + IntToZeroPadded(record.PartIndex(), 8);
}

bool JoinKeyLess(const std::string& a, const std::string& b)
{
    return Lower(a) < Lower(b);
}

bool JoinKeyEqual(const std::string& a, const std::string& b)
{
    return Lower(a) == Lower(b);
}

bool RunJoinParts(const std::string& firstPart, const std::vector<std::string>& members,
                  const std::string& outputName, const TJobHooks& hooks)
{
    if (hooks.ProgressBase)
        hooks.ProgressBase(0);
    if (hooks.Writing)
        hooks.Writing(outputName);
    TZendra first(firstPart, hooks.Progress);
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
