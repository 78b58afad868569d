// Writes a key-frame aligned stretch of the movie as a new, self-contained AVI file.
#include <algorithm>

#include "common/FileHelpers.h"
#include "engine/ChunkCopier.h"
#include "engine/OpenDmlWriter.h"
#include "engine/OutputFile.h"
#include "engine/OutputVerifier.h"
#include "engine/Zendra.h"
#include "platform/Platform.h"

namespace zendra {

namespace {

std::string ReadFailureText(std::int64_t position, std::int64_t filePos, std::uint32_t length)
{
    return "Fail to read MOVI chunk " + std::to_string(position) + " Offset=" + std::to_string(filePos) +
           " Size=" + std::to_string(length);
}

// Gives the index back the input's offsets once a writer has replaced them with the output's,
// so the same engine can write the next part.
class TIndexOffsetsKeeper {
public:
    TIndexOffsetsKeeper(std::vector<IndexEntry>& index, std::int32_t lead, std::int32_t start, std::int32_t end)
        : FIndex(index), FLead(lead), FStart(start)
    {
        FOffsets.reserve(static_cast<std::size_t>(lead) + static_cast<std::size_t>(std::max(0, end - start + 1)));
        for (std::int32_t i = 0; i < lead; ++i)
            FOffsets.push_back(index[static_cast<std::size_t>(i)].Offset);
        for (std::int32_t i = start; i <= end; ++i)
            FOffsets.push_back(index[static_cast<std::size_t>(i)].Offset);
    }
    ~TIndexOffsetsKeeper()
    {
        std::size_t k = 0;
        for (std::int32_t i = 0; i < FLead; ++i)
            FIndex[static_cast<std::size_t>(i)].Offset = FOffsets[k++];
        for (std::size_t i = static_cast<std::size_t>(FStart); k < FOffsets.size(); ++i)
            FIndex[i].Offset = FOffsets[k++];
    }
    TIndexOffsetsKeeper(const TIndexOffsetsKeeper&) = delete;
    TIndexOffsetsKeeper& operator=(const TIndexOffsetsKeeper&) = delete;

private:
    std::vector<IndexEntry>& FIndex;
    std::int32_t FLead;
    std::int32_t FStart;
    std::vector<std::uint64_t> FOffsets;
};

}  // namespace

void TZendra::CheckCuttable() const
{
    if (HasExtendedRiff && !OpenDmlIndexUsed)
        throw EZendraError(MovieFile + " continues past its first RIFF chunk (an OpenDML movie of 1 GiB or more). "
                           "Only movies held in one RIFF chunk can be cut without losing their end.");
}

std::int32_t TZendra::CheckedSegmentFrames(const std::string& name, std::int32_t start, std::int32_t& end) const
{
    const auto count = static_cast<std::int32_t>(Index.size());
    if (end < 0)
        end = count - 1;
    if (end >= count)
        throw EZendraError("SaveToFile End Index is too high = " + std::to_string(end));
    if (start < 0)
        throw EZendraError("SaveToFile Start Index is out of range = " + std::to_string(start));
    const std::int32_t frames = CountVideoFrames(start, end);
    if (frames <= 0)
        throw EZendraError("SaveToFile frame count is zero");
    CheckCuttable();
    if (SameFile(name, MovieFile))
        throw EZendraError("Can not write " + name + ": it is the movie being read.");
    return frames;
}

std::int32_t TZendra::SegmentLeadCount(const std::string& name, std::int32_t start, bool withPartRecord) const
{
    const std::int32_t lead = LeadCount(start);
    if (withPartRecord && lead > kMaxLeadCount)
        throw EZendraError("Can not write " + name + ": it would begin with " + std::to_string(lead) +
                           " sound chunks ahead of its first frame, more than a part record can count (" +
                           std::to_string(kMaxLeadCount) + ").");
    return lead;
}

bool TZendra::SaveToFile(const std::string& name, std::int32_t start, TPartRecord* record, std::int32_t end)
{
    Cancelled = false;
    IndexChanged = false;
    if (!HeaderList || !IndexChunk || !MovieList)
        return false;
    const std::int32_t frames = CheckedSegmentFrames(name, start, end);
    const std::int32_t lead = SegmentLeadCount(name, start, record != nullptr);
    // Everything but the chunks is the input's, so the output's layout is known up front.
    const TOutputPlan plan = PlanOutput(SegmentRuns(start, end, lead), record != nullptr);
    if (!ProveSegmentBeforeCopy(start, end, lead, plan))
        return false;

    if (!PrepareOutputFile(name, true))
        return false;
    if (record) {
        record->SetLeadCount(static_cast<std::uint16_t>(lead));
        if (IndexIsRelative())
            record->SetRelativeIndex(1);
    }
    return WriteAndProveSegment(name, start, end, lead, frames, record, plan);
}

// The read-back proves an unproven entry only where its chunk is copied whole, in file
// order, into an AVI 1.0 output; anything else is proven first.
bool TZendra::ProveSegmentBeforeCopy(std::int32_t start, std::int32_t end, std::int32_t lead, const TOutputPlan& plan)
{
    const std::vector<TEntryRun> runs = SegmentRuns(start, end, lead);
    if (!HasUnprovenEntries(runs))
        return true;
    if (!plan.OpenDml && std::all_of(runs.begin(), runs.end(), [this](const TEntryRun& run) {
            return EntriesFollowTheFile(run.From, run.To);
        }))
        return true;
    if (ProveEntries(runs) == 0)
        return true;
    IndexChanged = true;
    return false;
}

bool TZendra::HasUnprovenEntries(const std::vector<TEntryRun>& runs) const
{
    return std::any_of(runs.begin(), runs.end(),
                       [this](const TEntryRun& run) { return HasUnprovenEntries(run.From, run.To); });
}

// The last run first: leaving out an entry moves the positions after it.
std::int32_t TZendra::ProveEntries(const std::vector<TEntryRun>& runs)
{
    std::int32_t leftOut = 0;
    for (auto run = runs.rbegin(); run != runs.rend(); ++run)
        leftOut += ProveEntries(run->From, run->To);
    return leftOut;
}

bool TZendra::EntriesFollowTheFile(std::size_t from, std::size_t to) const
{
    for (std::size_t i = from; i + 1 < to; ++i) {
        const IndexEntry& e = Index[i];
        if (ChunkPosition(e) + 8 + e.Length + (e.Length & 1) > ChunkPosition(Index[i + 1]))
            return false;
    }
    return true;
}

bool TZendra::WriteAndProveSegment(const std::string& name, std::int32_t start, std::int32_t end, std::int32_t lead,
                                   std::int32_t frames, const TPartRecord* record, const TOutputPlan& plan)
{
    const std::string temporary = TemporaryOutputName(name);
    TChunkOrigins origins;
    if (!WriteSegmentFile(temporary, name, start, end, lead, frames, record, plan, VerifyBytes ? &origins : nullptr))
        return false;
    if (Cancelled) {
        TrashBrokenOffOutput(temporary, name);
        return true;
    }
    TVerifyRequest request;
    request.Frames = static_cast<std::uint32_t>(frames);
    request.EntryCount = static_cast<std::uint64_t>(lead) + static_cast<std::uint64_t>(end - start + 1);
    request.Origins = VerifyBytes ? &origins : nullptr;
    const std::vector<TEntryRun> runs = SegmentRuns(start, end, lead);
    if (!HasUnprovenEntries(runs))
        return ProveAndPutInPlace(temporary, name, request);

    // Every chunk header of the output read back as its entry says: so did the movie's.
    const TVerifyReport report = VerifyAviFile(temporary, request);
    if (report.Failure.empty()) {
        for (const TEntryRun& run : runs)
            MarkProven(run.From, run.To);
        return PutProvenOutputInPlace(temporary, name);
    }
    DiscardOutput(temporary);
    if (ProveEntries(runs) > 0) {
        IndexChanged = true;
        return false;
    }
    ShowMessage(VerificationFailedText(name, report.Failure));
    return false;
}

// The output under its temporary name, complete, or nothing (and the reason said).
bool TZendra::WriteSegmentFile(const std::string& temporary, const std::string& name, std::int32_t start,
                               std::int32_t end, std::int32_t lead, std::int32_t frames, const TPartRecord* record,
                               const TOutputPlan& plan, TChunkOrigins* origins)
{
    auto output = TBinaryFile::Create(temporary);
    if (!output)
        throw EZendraError("Can not create file " + name);
    output->Reserve(plan.Size);
    const TIndexOffsetsKeeper keeper(Index, lead, start, end);
    bool complete = false;
    try {
        complete = WriteSegment(*output, start, end, lead, frames, record, origins, plan);
    } catch (...) {
        output->Close();
        DiscardOutput(temporary);
        ShowMessage("Fail to produce " + name);
        throw;
    }
    if (!output->Close())
        complete = false;
    if (!complete) {
        DiscardOutput(temporary);
        ShowMessage("Fail to produce " + name);
    }
    return complete;
}

// The sound chunks ahead of the first frame, the first lead entries of the index.
bool TZendra::CopyLeadChunks(TChunkCopier& copier, std::int32_t lead, TChunkOrigins* origins)
{
    const std::int64_t inputSize = File->Size();
    for (std::int32_t i = 0; i < lead; ++i) {
        IndexEntry& e = Index[static_cast<std::size_t>(i)];
        const std::int64_t from = ChunkPosition(e);
        if (from + 8 + e.Length > inputSize) {
            ShowMessage(ReadFailureText(i, from, e.Length));
            return false;
        }
        if (origins)
            origins->Add(*File, from);
        if (!PlaceChunk(copier, e) || !copier.Add(from, e.Length + 8) || ((e.Length & 1) && !copier.AddZero()))
            return false;
    }
    return true;
}

bool TZendra::WriteSegment(TBinaryFile& output, std::int32_t start, std::int32_t end, std::int32_t lead,
                           std::int32_t frames, const TPartRecord* record, TChunkOrigins* origins,
                           const TOutputPlan& plan)
{
    std::int64_t moviSizePos = 0;
    TOpenDmlHead openDmlHead;
    openDmlHead.Room = plan.SuperIndexRoom;
    if (!WriteMovieHead(output, static_cast<std::uint32_t>(frames), record, moviSizePos,
                        plan.OpenDml ? &openDmlHead : nullptr))
        return false;
    const std::unique_ptr<TOpenDmlWriter> openDml =
        plan.OpenDml ? StartOpenDml(output, openDmlHead, moviSizePos, 0, SegmentRuns(start, end, lead)) : nullptr;
    const TOpenDmlLoan loan(FOpenDml, openDml.get());

    const std::int64_t inputSize = File->Size();
    TChunkCopier copier(*File, output);
    if (!CopyLeadChunks(copier, lead, origins))
        return false;
    std::int32_t written = 0;  // video frames
    std::int32_t copied = 0;   // entries
    while (start + copied <= end) {
        ProcessMessages();
        if (Cancelled)
            break;
        if (OnProgress && written % 100 == 0)
            OnProgress(written, frames);
        IndexEntry& e = Index[static_cast<std::size_t>(start + copied)];
        if (IsVideoEntry(e)) {
            if (written == 0 && !IsKeyEntry(e)) {
                copier.Flush();
                ShowMessage("Video is not started with a keyFrame");
                return false;
            }
            ++written;
        }
        const std::int64_t from = ChunkPosition(e);
        const std::uint32_t bytes = static_cast<std::uint32_t>(ChunkSpan(e));
        if (from + bytes > inputSize) {
            copier.Flush();
            ShowMessage(ReadFailureText(start + copied, from, e.Length));
            return false;
        }
        if (origins)
            origins->Add(*File, from);
        if (!PlaceChunk(copier, e) || !copier.Add(from, bytes))
            return false;
        ++copied;
    }
    if (!copier.Flush())
        return false;
    return openDml ? openDml->Finish() : FinishSegment(output, start, copied, lead, moviSizePos);
}

bool TZendra::FinishSegment(TBinaryFile& output, std::int32_t start, std::int32_t copied, std::int32_t lead,
                            std::int64_t moviSizePos)
{
    std::uint32_t moviSize = 0;
    std::int64_t indexDataPos = 0;
    return BeginIndex(output, moviSizePos, moviSize, indexDataPos) &&
           WriteIndexEntries(output, Index, 0, static_cast<std::size_t>(lead), 0) &&
           WriteIndexEntries(output, Index, static_cast<std::size_t>(start), static_cast<std::size_t>(start + copied), 0) &&
           FinishMovie(output, moviSizePos, moviSize, indexDataPos);
}

}  // namespace zendra
