// Puts the parts of one split run back together into a single AVI file.
#include <algorithm>

#include "common/FileHelpers.h"
#include "engine/ChunkCopier.h"
#include "engine/OpenDmlWriter.h"
#include "engine/OutputFile.h"
#include "engine/OutputVerifier.h"
#include "engine/Zendra.h"
#include "platform/Platform.h"

namespace zendra {

struct TJoinPart {
    TZendra* Engine;
    std::int32_t Skip;
    std::int32_t CopiedEnd;  // entries [Skip, CopiedEnd) are in the output
};

namespace {

std::int32_t SkipCount(const TZendra& part)
{
    return part.PartRecord.LeadCount();
}

}  // namespace

bool TZendra::Join(const std::string& name, const std::vector<std::string>& members)
{
    Cancelled = false;
    if (!HeaderList || !IndexChunk || !MovieList)
        return false;
    if (SameFile(name, MovieFile))
        throw EZendraError("Can not write " + name + ": it is one of the files being joined.");
    for (const std::string& path : members)
        if (SameFile(name, path))
            throw EZendraError("Can not write " + name + ": it is one of the files being joined.");
    if (!PrepareOutputFile(name, false))
        return false;

    ProcessMessages();
    const std::string temporary = TemporaryOutputName(name);
    auto output = TBinaryFile::Create(temporary);
    if (!output)
        throw EZendraError("Can not create file " + name);
    std::vector<std::unique_ptr<TZendra>> engines;
    TChunkOrigins origins;
    FOrigins = VerifyBytes ? &origins : nullptr;
    TVerifyRequest request;
    bool complete = false;
    try {
        complete = JoinInto(*output, name, members, engines, request);
    } catch (...) {
        FOrigins = nullptr;
        output->Close();
        engines.clear();
        if (Cancelled) {
            TrashBrokenOffOutput(temporary, name);
        } else {
            DiscardOutput(temporary);
            ShowMessage("Fail to produce " + name);
        }
        throw;
    }
    FOrigins = nullptr;
    if (!output->Close())
        complete = false;
    output.reset();
    if (Cancelled) {
        engines.clear();
        TrashBrokenOffOutput(temporary, name);
        return complete;
    }
    if (!complete) {
        engines.clear();
        DiscardOutput(temporary);
        ShowMessage("Fail to produce " + name);
        return false;
    }
    request.Origins = VerifyBytes ? &origins : nullptr;
    // The members stay open until their bytes are compared.
    const bool proven = ProveAndPutInPlace(temporary, name, request);
    engines.clear();
    return proven;
}

bool TZendra::JoinInto(TBinaryFile& output, const std::string& name, const std::vector<std::string>& members,
                       std::vector<std::unique_ptr<TZendra>>& engines, TVerifyRequest& request)
{
    // Frames as the members' indexes hold them: a header that counts otherwise does not
    // make the joined file's headers disagree with its index.
    std::uint32_t total = static_cast<std::uint32_t>(VideoFrameCount());
    std::vector<TJoinPart> parts = {{this, SkipCount(*this), SkipCount(*this)}};
    if (!OpenJoinMembers(members, engines, parts, total))
        return false;

    std::vector<TEntryRun> runs;
    for (const TJoinPart& part : parts)
        runs.push_back({&part.Engine->Index, static_cast<std::size_t>(part.Skip), part.Engine->Index.size()});
    const TOutputPlan plan = PlanOutput(runs, false);
    output.Reserve(plan.Size);

    std::int64_t moviSizePos = 0;
    TOpenDmlHead openDmlHead;
    openDmlHead.Room = plan.SuperIndexRoom;
    if (!WriteMovieHead(output, total, nullptr, moviSizePos, plan.OpenDml ? &openDmlHead : nullptr))
        return false;
    const std::uint32_t base = PartRecord.RelativeIndex() == 1 ? static_cast<std::uint32_t>(moviSizePos + 4) : 0;
    const std::unique_ptr<TOpenDmlWriter> openDml =
        plan.OpenDml ? StartOpenDml(output, openDmlHead, moviSizePos, base, runs) : nullptr;
    FJoinTotal = total;
    FJoinFrames = 0;
    {
        const TOpenDmlLoan loan(FOpenDml, openDml.get());
        if (!CopyJoinParts(parts, output, name))
            return false;
    }
    request.Frames = total;
    request.EntryCount = 0;
    for (const TJoinPart& part : parts)
        *request.EntryCount += static_cast<std::uint64_t>(std::max(0, part.CopiedEnd - part.Skip));
    if (openDml)
        return openDml->Finish();

    std::uint32_t moviSize = 0;
    std::int64_t indexDataPos = 0;
    if (!BeginIndex(output, moviSizePos, moviSize, indexDataPos))
        return false;
    for (const TJoinPart& part : parts)
        if (!WriteIndexEntries(output, part.Engine->Index, static_cast<std::size_t>(part.Skip),
                               static_cast<std::size_t>(part.CopiedEnd), base))
            return false;
    return FinishMovie(output, moviSizePos, moviSize, indexDataPos);
}

// Opens every member after this one, in the order given; the movie itself is not taken twice.
bool TZendra::OpenJoinMembers(const std::vector<std::string>& members, std::vector<std::unique_ptr<TZendra>>& engines,
                              std::vector<TJoinPart>& parts, std::uint32_t& total)
{
    for (const std::string& path : members) {
        ProcessMessages();
        if (!FileExists(path)) {
            ShowMessage("Can not locate member file " + path);
            return false;
        }
        if (path == MovieFile)
            continue;
        engines.push_back(std::make_unique<TZendra>(path, TProgressEvent{}, IndexRebuildPolicy));
        TZendra& member = *engines.back();
        // Gone (or unreadable) since it was listed: an engine without a file has nothing to copy.
        if (!member.IsOpen()) {
            ShowMessage("Can not locate member file " + path);
            return false;
        }
        total += static_cast<std::uint32_t>(member.VideoFrameCount());
        parts.push_back({&member, SkipCount(member), SkipCount(member)});
    }
    return true;
}

// Copies each part's chunks after its lead; a Break before the last part asks whether to
// give up the output or go on.
bool TZendra::CopyJoinParts(std::vector<TJoinPart>& parts, TBinaryFile& output, const std::string& name)
{
    for (std::size_t k = 0; k < parts.size(); ++k) {
        TJoinPart& part = parts[k];
        for (;;) {
            if (!CopyMovieChunks(*part.Engine, part.CopiedEnd, output, part.CopiedEnd))
                return false;
            if (!Cancelled)
                break;
            // A cancel during the last part ends the join; before further parts the user may go on.
            const bool more = k + 1 < parts.size();
            if (!more)
                break;
            if (Confirm("Breaking the process and delete the in-process file " + name + "?", TButtons::OKCancel) ==
                TAnswer::OK)
                return false;
            Cancelled = false;  // go on where the copy stopped
        }
        if (Cancelled)
            break;
    }
    return true;
}

bool TZendra::CopyMovieChunks(TZendra& part, std::int32_t from, TBinaryFile& output, std::int32_t& copiedEnd)
{
    const auto count = static_cast<std::int32_t>(part.Index.size());
    const std::int64_t inputSize = part.File->Size();
    TChunkCopier copier(*part.File, output);
    for (std::int32_t i = from; i < count; ++i) {
        ProcessMessages();
        if (Cancelled)
            break;
        IndexEntry& e = part.Index[static_cast<std::size_t>(i)];
        if (IsVideoEntry(e))
            ++FJoinFrames;
        if (OnProgress && i % 100 == 0)
            OnProgress(static_cast<std::int32_t>(FJoinFrames), static_cast<std::int32_t>(FJoinTotal));
        const std::int64_t source = part.ChunkPosition(e);
        const auto bytes = static_cast<std::uint32_t>(ChunkSpan(e));
        if (source + bytes > inputSize) {
            copier.Flush();
            copiedEnd = i;
            ShowMessage("Fail to read MOVI chunk " + std::to_string(i) + " Offset=" + std::to_string(e.Offset) +
                        " Size=" + std::to_string(e.Length));
            return false;
        }
        if (FOrigins)
            FOrigins->Add(*part.File, source);
        if (!PlaceChunk(copier, e) || !copier.Add(source, bytes))
            return false;
        copiedEnd = i + 1;
    }
    return copier.Flush();
}

}  // namespace zendra
