// The save target: SaveToFile, clip, split and join of fuzzed movies, checked against what
// a writer that says it succeeded must have written.
#include <cstring>
#include <filesystem>

#include "app/jobs/JobCore.h"
#include "app/jobs/SplitPlan.h"
#include "common/Bytes.h"
#include "engine/OutputFile.h"
#include "engine/OutputVerifier.h"
#include "tests/fuzz/harness/FuzzKit.h"

namespace fs = std::filesystem;

namespace zendra::fuzz {

namespace {

// A writer that says it succeeded left a complete file: its RIFF size covers it exactly.
void CheckComplete(const std::string& output)
{
    const TBytes bytes = ReadAll(output);
    FUZZ_CHECK(bytes.size() >= 12);
    // The first RIFF covers the file, or is followed by RIFF AVIX chunks.
    const std::uint64_t firstRiff = std::uint64_t{GetU32(&bytes[4])} + 8;
    FUZZ_CHECK(firstRiff == bytes.size() ||
               (firstRiff + 12 <= bytes.size() && std::memcmp(&bytes[firstRiff + 8], "AVIX", 4) == 0));
    // A writer that reports success has written a file that reads back proven, and left no
    // temporary file beside it.
    // Read back with the file layer's faults off: they are the job's, not the check's.
    const TFileFaults faults = FileFaults();
    FileFaults() = TFileFaults{};
    const std::string failure = VerifyAviFile(output, {}).Failure;
    FileFaults() = faults;
    if (!failure.empty())
        std::fprintf(stderr, "%s: %s\n", output.c_str(), failure.c_str());
    FUZZ_CHECK(failure.empty());
    FUZZ_CHECK(!fs::exists(TemporaryOutputName(output)));
}

void SaveDirect(TZendra& movie, const TInput& in, const std::string& output)
{
    const auto entries = static_cast<std::int32_t>(movie.Index.size());
    const bool raw = in.U8(1) & 8;
    const std::int32_t start = Fold(in.I32(8), 0, entries - 1, raw);
    const std::int32_t end = Fold(in.I32(12), -1, entries - 1, raw);
    TPartRecord record;
    record.SetPartIndex(static_cast<std::uint16_t>(in.U8(3) + 1));
    record.SetBatchIdentity("{fuzz}");
    const bool ok = movie.SaveToFile(output, start, (in.U8(1) & 1) ? &record : nullptr, end);
    if (ok && !movie.Cancelled)
        CheckComplete(output);
    if (ok && movie.Cancelled)  // broken off: the half-written output went to the trash
        FUZZ_CHECK(!fs::exists(output));
}

void SplitAndRejoin(TZendra& movie, const std::string& movieFile, const TInput& in, const std::string& output,
                    const TJobHooks& hooks)
{
    std::vector<std::int32_t> starts;
    std::vector<std::int64_t> accumulators;
    const auto mode = static_cast<TSplitMode>(in.U8(3) % 4);
    if (!movie.PlanParts(starts, accumulators, SplitTarget(movie, mode, in.U8(13) % 8 + 1)))
        return;
    if (starts.size() > 6)
        starts.resize(6);  // the last part then runs to the end: still a valid plan
    const TSplitResult split = RunSplitParts(movieFile, starts, static_cast<std::int32_t>(movie.Index.size()),
                                             WorkFolder() + "/parts/", "part", hooks);
    for (const std::string& part : split.Written)
        CheckComplete(part);
    if (!split.Finished || split.Written.empty())
        return;
    if (RunJoinParts(split.Written[0], {split.Written.begin() + 1, split.Written.end()}, output, hooks))
        CheckComplete(output);
}

// A clip proves the entries it needs as it goes: it must come out as the clip of an index
// proven whole on opening, and be made exactly when that one is (clip empty: none was made).
void CheckClipAsFromAWhollyProvenIndex(const std::string& movieFile, std::int32_t from, std::int32_t to,
                                       const std::string& clip, std::uint64_t riffLimit)
{
    std::unique_ptr<TZendra> whole;
    try {
        whole = std::make_unique<TZendra>(movieFile);
    } catch (const EZendraError&) {
        return;  // refused whole for an entry the clip never needed
    }
    if (!whole->IsOpen() || from > whole->VideoFrameCount()) {
        FUZZ_CHECK(clip.empty());
        return;
    }
    whole->RiffLimit = riffLimit;
    const std::string again = WorkFolder() + "/out/whole.avi";
    bool made = false;
    try {
        const auto [start, end] = ClipRange(*whole, from, to);
        made = whole->SaveToFile(again, start, nullptr, end);
    } catch (const EZendraError&) {
    }
    FUZZ_CHECK(made == !clip.empty());
    if (made)
        FUZZ_CHECK(ReadAll(again) == ReadAll(clip));
}

}  // namespace

int SaveAndJoin(const std::uint8_t* data, std::size_t size)
{
    const TInput in(data, size);
    TSession session;
    const auto [firstBytes, secondBytes] = in.TwoFiles();
    const std::string movieFile = session.Write("in.avi", firstBytes);
    // A member that vanished between the listing and the join.
    const std::string memberFile =
        (in.U8(1) & 16) ? WorkFolder() + "/gone.avi" : session.Write("member.avi", secondBytes);
    const std::string output = WorkFolder() + "/out/out.avi";
    auto movie = TryOpen(movieFile);
    if (!movie)
        return 0;
    const auto frames = movie->VideoFrameCount();
    TZendra* current = nullptr;
    session.CancelAt(in.U8(2), &current);
    // Outputs past a RIFF limit of a few hundred bytes are OpenDML ones.
    const std::uint64_t riffLimit = (in.U8(1) & 64) ? 256 + std::uint64_t{in.U8(3)} * 16 : kOpenDmlRiffLimit;
    movie->RiffLimit = riffLimit;
    TJobHooks hooks;
    hooks.CurrentEngine = [&current, riffLimit](TZendra* engine) {
        current = engine;
        if (engine)
            engine->RiffLimit = riffLimit;
    };
    if (in.U8(1) & 4)  // disk full after a fuzzed number of bytes
        FileFaults().WriteBudget = in.U32(4) % (2 * firstBytes.size() + 4096);
    if (in.U8(1) & 32)  // files that vanish after this many more opens
        FileFaults().FailOpenCount = in.U8(3) % 8;
    const bool raw = in.U8(1) & 8;
    try {
        switch (in.U8(0) % 4) {
        case 0:
            current = movie.get();
            SaveDirect(*movie, in, output);
            break;
        case 1: {
            const std::int32_t from = Fold(in.I32(8), 0, frames + 1, raw);
            const std::int32_t to = Fold(in.I32(12), 0, frames + 1, raw);
            const bool clipped = RunClipRange(movieFile, from, to, output, hooks);
            if (clipped)
                CheckComplete(output);
            if (!(in.U8(1) & (4 | 32)) && in.U8(2) == 0)  // no faults, no Break
                CheckClipAsFromAWhollyProvenIndex(movieFile, from, to, clipped ? output : std::string(), riffLimit);
            break;
        }
        case 2:
            SplitAndRejoin(*movie, movieFile, in, output, hooks);
            break;
        default:
            current = movie.get();
            // A join broken off in its last member still ends "complete", then goes to the trash.
            if (movie->Join(output, {memberFile, movieFile}) && !movie->Cancelled)
                CheckComplete(output);
            if (movie->Cancelled)
                FUZZ_CHECK(!fs::exists(output));
            break;
        }
    } catch (const EZendraError&) {
    }
    FileFaults() = TFileFaults{};
    session.CheckInputsUntouched();
    return 0;
}

}  // namespace zendra::fuzz
