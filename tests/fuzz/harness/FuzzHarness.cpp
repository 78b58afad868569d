#include "tests/fuzz/harness/FuzzHarness.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <streambuf>
#include <unistd.h>

#include "app/jobs/JobCore.h"
#include "app/jobs/SplitPlan.h"
#include "app/jobs/ProjectFile.h"
#include "cli/CliArgs.h"
#include "cli/Commands.h"
#include "common/Bytes.h"
#include "compare/CompareCore.h"
#include "engine/OutputFile.h"
#include "engine/OutputVerifier.h"
#include "engine/Zendra.h"
#include "platform/BinaryFile.h"
#include "platform/ScriptedPlatform.h"
#include "viewer/FrameList.h"
#include "viewer/RawPage.h"
#include "viewer/StructWalk.h"

namespace fs = std::filesystem;

namespace zendra::fuzz {

namespace {

using TBytes = std::vector<std::uint8_t>;

// A property every input must keep; breaking it is reported like a crash.
[[noreturn]] void CheckFailed(const char* what, int line)
{
    std::fprintf(stderr, "fuzz check failed (FuzzHarness.cpp:%d): %s\n", line, what);
    std::abort();
}
#define FUZZ_CHECK(cond) ((cond) ? void(0) : CheckFailed(#cond, __LINE__))

// The parameter block in front of the file bytes; missing bytes read as zero.
class TInput {
public:
    TInput(const std::uint8_t* data, std::size_t size)
    {
        const std::size_t head = std::min(size, kParamBytes);
        std::copy(data, data + head, FParams.begin());
        FBody.assign(data + head, data + size);
    }

    std::uint8_t U8(std::size_t at) const { return FParams[at]; }
    std::uint32_t U32(std::size_t at) const
    {
        return std::uint32_t{FParams[at]} | std::uint32_t{FParams[at + 1]} << 8 | std::uint32_t{FParams[at + 2]} << 16 |
               std::uint32_t{FParams[at + 3]} << 24;
    }
    std::int32_t I32(std::size_t at) const { return static_cast<std::int32_t>(U32(at)); }
    const TBytes& Body() const { return FBody; }

    // The body as two files: a 4-byte length of the first, the first, the second.
    std::pair<TBytes, TBytes> TwoFiles() const
    {
        if (FBody.size() < 4)
            return {FBody, {}};
        const std::uint32_t stated = std::uint32_t{FBody[0]} | std::uint32_t{FBody[1]} << 8 |
                                     std::uint32_t{FBody[2]} << 16 | std::uint32_t{FBody[3]} << 24;
        const std::size_t length = std::min<std::size_t>(stated, FBody.size() - 4);
        const auto split = FBody.begin() + 4 + static_cast<std::ptrdiff_t>(length);
        return {TBytes(FBody.begin() + 4, split), TBytes(split, FBody.end())};
    }

private:
    std::array<std::uint8_t, kParamBytes> FParams{};
    TBytes FBody;
};

TBytes ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return TBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// One input's world: an empty work folder, a scripted platform answering OK/Yes,
// no file faults, and the engine a cancel reaches.
class TSession {
public:
    TSession() : FPlatform(WorkFolder() + "/.trash")
    {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(WorkFolder(), ec))
            fs::remove_all(entry.path(), ec);
        FileFaults() = TFileFaults{};
        FPlatform.Install();
    }
    ~TSession() { FileFaults() = TFileFaults{}; }

    std::string Write(const std::string& name, const TBytes& bytes)
    {
        const std::string path = WorkFolder() + "/" + name;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        FInputs.push_back({path, bytes});
        return path;
    }

    // The next n questions are declined.
    void Decline(int n)
    {
        for (int i = 0; i < n; ++i)
            FPlatform.QueueAnswer(i % 2 ? TAnswer::No : TAnswer::Cancel);
    }

    // Breaks the current engine off at the n-th pass through the message pump (0: never).
    void CancelAt(long n, TZendra** engine)
    {
        if (n > 0)
            FPlatform.OnProcessMessages([this, n, engine] {
                if (FPlatform.PumpCount() == n && *engine)
                    (*engine)->Cancel();
            });
    }

    // Nothing written may replace, trash or change an input.
    void CheckInputsUntouched() const
    {
        for (const auto& [path, bytes] : FInputs) {
            FUZZ_CHECK(std::find(FPlatform.Recycled().begin(), FPlatform.Recycled().end(), path) ==
                       FPlatform.Recycled().end());
            FUZZ_CHECK(ReadAll(path) == bytes);
        }
    }

    TScriptedPlatform& Platform() { return FPlatform; }

private:
    TScriptedPlatform FPlatform;
    std::vector<std::pair<std::string, TBytes>> FInputs;
};

std::unique_ptr<TZendra> TryOpen(const std::string& path)
{
    // A movie refused for its index is opened again with the index built from its chunks.
    for (const TIndexRebuild policy : {TIndexRebuild::Refuse, TIndexRebuild::Rebuild}) {
        try {
            auto movie = std::make_unique<TZendra>(path, TZendra::TProgressEvent{}, policy);
            if (movie->IsOpen())
                return movie;
            return nullptr;
        } catch (const EZendraError&) {
        }
    }
    return nullptr;
}

// A fuzzed number folded into [low, high] most of the time, left raw otherwise, so
// both ordinary and absurd arguments are tried.
std::int32_t Fold(std::int32_t raw, std::int32_t low, std::int32_t high, bool keepRaw)
{
    if (keepRaw || high < low)
        return raw;
    const auto span = static_cast<std::uint32_t>(high - low) + 1;
    return low + static_cast<std::int32_t>(static_cast<std::uint32_t>(raw) % span);
}

void CheckPlan(const TZendra& movie, std::int64_t target)
{
    std::vector<std::int32_t> starts;
    std::vector<std::int64_t> accumulators;
    if (!movie.PlanParts(starts, accumulators, target))
        return;
    FUZZ_CHECK(starts.size() == accumulators.size());
    for (std::size_t i = 0; i < starts.size(); ++i) {
        FUZZ_CHECK(starts[i] >= 0 && static_cast<std::size_t>(starts[i]) < movie.Index.size());
        FUZZ_CHECK(IsKeyEntry(movie.Index[static_cast<std::size_t>(starts[i])]));
        FUZZ_CHECK(i == 0 || starts[i] > starts[i - 1]);
    }
}

void RunFrameQueries(const TZendra& movie, const TInput& in)
{
    const auto entries = static_cast<std::int32_t>(movie.Index.size());
    const std::int32_t frames = movie.VideoFrameCount();
    FUZZ_CHECK(frames >= 0 && frames <= entries);
    const std::int32_t asked[] = {in.I32(0), in.I32(4), Fold(in.I32(0), 0, frames + 1, false), 0, -1, 1,
                                  frames, frames + 1};
    for (std::int32_t n : asked) {
        const std::int32_t key = movie.KeyEntryForFrame(n);
        const std::int32_t after = movie.EntryAfterFrame(n);
        FUZZ_CHECK(key >= -1 && key <= entries);
        FUZZ_CHECK(after >= -1 && after <= entries);
        if (n > 0 && n <= frames)
            FUZZ_CHECK(after >= 1);
    }
    const std::int32_t from = Fold(in.I32(8), -2, entries + 1, in.U8(12) & 1);
    const std::int32_t to = Fold(in.I32(4), -2, entries + 1, in.U8(12) & 2);
    const std::int32_t counted = movie.CountVideoFrames(from, to);
    FUZZ_CHECK(counted >= 0 && counted <= frames);
    const auto range = ClipRange(movie, asked[2], Fold(in.I32(4), 0, frames + 1, in.U8(12) & 4));
    FUZZ_CHECK(range.second >= -1 && range.second < std::max(entries, 1));
    const std::int32_t outside = movie.FirstEntryOutsideFile();
    FUZZ_CHECK(outside >= -1 && outside < entries);
}

void RunPlanning(const TZendra& movie, const TInput& in)
{
    for (int mode = 0; mode <= 2; ++mode) {
        try {
            FUZZ_CHECK(movie.PartCount(mode) >= 0);
            CheckPlan(movie, movie.TargetPartSize(mode));
        } catch (const EZendraError&) {
        }
    }
    try {
        CheckPlan(movie, SplitTarget(movie, TSplitMode::Custom, in.U8(13)));
        CheckPlan(movie, in.I32(8));
    } catch (const EZendraError&) {
    }
    if (!movie.Index.empty()) {
        try {
            movie.GetNextSize(Fold(in.I32(0), 0, static_cast<std::int32_t>(movie.Index.size()) - 1, false));
        } catch (const EZendraError&) {
        }
    }
    movie.TotalDataSize();
    movie.IsCompressed();
    movie.FrameImageSize();
    movie.IndexBase();
}

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

class TWalkSink : public IStructWalkSink {
public:
    explicit TWalkSink(const TStructState& state) : FState(state) {}
    void HeaderRowAdded(const THeaderRow& row) override { FUZZ_CHECK(row.Info != nullptr); }
    void IndexWalkStarting() override {}
    bool IndexStep(std::uint32_t i, std::uint32_t count) override
    {
        IndexPercentText(i, count);
        return true;
    }
    void AddFrameLine(const IndexEntry& entry, bool video) override
    {
        const TStructRecords& r = FState.Records;
        FrameLineText(entry, FLines++, video, ChunkPosition(entry, r.RelativeIndex, r.MovieDataPosition));
    }
    void WalkEnded() override {}

private:
    const TStructState& FState;
    std::int32_t FLines = 0;
};

// Fuzzed words, NUL-separated, become arguments; none may name anything outside the work
// folder, since the commands write and remove files where they are told.
std::vector<std::string> Arguments(const TBytes& words)
{
    std::vector<std::string> args(1);
    for (const std::uint8_t b : words) {
        if (b == 0)
            args.emplace_back();
        else
            args.back() += static_cast<char>(b == '/' ? '_' : b);
    }
    for (std::string& a : args)
        if (a == "." || a == "..")
            a = "_" + a;
    return args;
}

// Frames are whole numbers from 0; plain digits read as themselves.
void CheckFrameText(const std::string& text, long double frameRate)
{
    const auto frame = cli::ParseFrame(text, frameRate);
    FUZZ_CHECK(!frame || *frame >= 0);
    const bool digits = !text.empty() && text.size() <= 9 &&
                        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (digits)
        FUZZ_CHECK(frame && *frame == std::stoi(text));
    if (!text.empty() && text.back() == 's' && frameRate == 0)
        FUZZ_CHECK(!frame || *frame == 0);
}

// The commands speak on stdout and stderr; a fuzz run keeps them quiet.
class TQuietStreams {
public:
    TQuietStreams() : FOut(std::cout.rdbuf(&FNull)), FErr(std::cerr.rdbuf(&FNull)) {}
    ~TQuietStreams()
    {
        std::cout.rdbuf(FOut);
        std::cerr.rdbuf(FErr);
    }

private:
    struct TNullBuffer : std::streambuf {
        int overflow(int c) override { return traits_type::not_eof(c); }
    };
    TNullBuffer FNull;
    std::streambuf* FOut;
    std::streambuf* FErr;
};

// Relative names (split's default Output/ folder, bare output names) land in the work folder.
class TInWorkFolder {
public:
    TInWorkFolder() : FSaved(fs::current_path()) { fs::current_path(WorkFolder()); }
    ~TInWorkFolder()
    {
        std::error_code ec;
        fs::current_path(FSaved, ec);
    }

private:
    fs::path FSaved;
};

}  // namespace

int OpenAndPlan(const std::uint8_t* data, std::size_t size)
{
    const TInput in(data, size);
    TSession session;
    const std::string path = session.Write("in.avi", in.Body());
    if (auto movie = TryOpen(path)) {
        RunFrameQueries(*movie, in);
        RunPlanning(*movie, in);
    }
    session.CheckInputsUntouched();
    return 0;
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

int ViewerWalk(const std::uint8_t* data, std::size_t size)
{
    const TInput in(data, size);
    TSession session;
    const std::string path = session.Write("walk.avi", in.Body());
    TStructState state;
    TWalkSink sink(state);
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        WalkStructure(file, state, in.U8(0) % 4, sink);
        std::fclose(file);
    }
    const TStructRecords& r = state.Records;
    CalculatedValues(r);
    KbpsText(r);
    FpsText(r.Fps());
    const bool charMode = in.U8(1) & 1;
    TRawPage page;
    TCellValues cell;
    const std::size_t shown = std::min<std::size_t>(state.VideoEntries.Count(), 8);
    for (std::size_t i = 0; i < shown; ++i) {
        const IndexEntry& entry = *state.VideoEntries[i];
        const std::uint32_t at = ChunkPosition(entry, r.RelativeIndex, r.MovieDataPosition);
        ReadRawPage(path, at, entry.Length, Fold(in.I32(4), -1, 4, false), charMode, page);
        ReadCellValues(path, std::uint64_t{at} + in.U8(2), cell);
    }
    ReadRawPage(path, in.U32(8), in.U32(12), Fold(in.I32(4), -1, 64, false), charMode, page);
    ReadCellValues(path, in.U32(8), cell);
    session.CheckInputsUntouched();
    return 0;
}

int CompareTwo(const std::uint8_t* data, std::size_t size)
{
    const TInput in(data, size);
    TSession session;
    const auto files = in.TwoFiles();
    const TBytes& firstBytes = files.first;
    const TBytes& secondBytes = files.second;
    const std::string first = session.Write("a.bin", firstBytes);
    const std::string second = session.Write("b.bin", secondBytes);
    const std::size_t common = std::min(firstBytes.size(), secondBytes.size());
    TCompareHooks hooks;
    hooks.ConfirmSizes = [&in](const std::string&) { return (in.U8(0) & 1) != 0; };
    hooks.Difference = [&](std::int32_t position, const std::string&) {
        FUZZ_CHECK(position >= 0 && static_cast<std::size_t>(position) < common);
        FUZZ_CHECK(firstBytes[static_cast<std::size_t>(position)] != secondBytes[static_cast<std::size_t>(position)]);
        return (in.U8(0) & 2) != 0;
    };
    const TCompareResult result = CompareFiles(first, second, hooks);
    FUZZ_CHECK(result.Compared >= 0 && static_cast<std::size_t>(result.Compared) <= common);
    if (result.Outcome == TCompareOutcome::Identical)
        FUZZ_CHECK(std::equal(firstBytes.begin(), firstBytes.begin() + static_cast<std::ptrdiff_t>(common),
                              secondBytes.begin()));
    const TCompareResult self = CompareFiles(first, first, {});
    FUZZ_CHECK(firstBytes.empty() ? self.Outcome == TCompareOutcome::NotStarted
                                  : self.Outcome == TCompareOutcome::Identical);
    const std::int64_t sizeA = in.U32(4) % kCompareSizeLimit;
    const std::int64_t sizeB = in.U32(8) % kCompareSizeLimit;
    DifferenceQuestionText(sizeA, sizeB, in.I32(12) & 0x7FFFFFFF);
    SizeQuestionText(first, sizeA, second, sizeB);
    ComparePositionText(in.I32(12));
    session.CheckInputsUntouched();
    return 0;
}

int CommandLine(const std::uint8_t* data, std::size_t size)
{
    const TInput in(data, size);
    TSession session;
    const auto [movieBytes, words] = in.TwoFiles();
    session.Write("m.avi", movieBytes);
    const std::vector<std::string> args = Arguments(words);
    const long double frameRate = (in.U32(4) % 120001) / 1000.0L;
    for (const std::string& a : args)
        CheckFrameText(a, frameRate);
    session.Decline(in.U8(1) % 4);
    using TCommand = int (*)(const cli::TArgs&);
    const TCommand commands[] = {cli::RunInfo, cli::RunSplit, cli::RunJoin, cli::RunClip, cli::RunCompare};
    int status = -1;
    {
        const TInWorkFolder here;
        const TQuietStreams quiet;
        try {
            status = commands[in.U8(0) % 5](args);
        } catch (const std::exception&) {
            status = cli::kExitFailed;  // what zendra-cli's main makes of it
        }
    }
    FUZZ_CHECK(status == cli::kExitOk || status == cli::kExitFailed || status == cli::kExitUsage);
    session.CheckInputsUntouched();
    return 0;
}

int ProjectRead(const std::uint8_t* data, std::size_t size)
{
    // Read as the window loads a project; every failure must be one of the stream's errors.
    const TProjectLoad load = DecodeProject(TProjectBytes(data, data + size));
    FUZZ_CHECK(load.Error.empty() || load.Error == "Invalid property value" || load.Error == "Stream read error");
    if (!load.Marked || !load.Error.empty())
        return 0;
    // A project read whole writes back to values that read the same.
    const TProjectData& p = load.Data;
    const TProjectLoad again = DecodeProject(EncodeProject(p));
    // (A size-mode project without its limit writes a limit of 0, which reads as broken.)
    FUZZ_CHECK(again.Marked && again.Read(TProjectField::Rows));
    FUZZ_CHECK(again.Data.MovieFile == p.MovieFile);
    FUZZ_CHECK(again.Data.Rows == p.Rows);
    return 0;
}

const std::vector<TFuzzTarget>& Targets()
{
    static const std::vector<TFuzzTarget> targets = {
        {"open", OpenAndPlan}, {"save", SaveAndJoin}, {"viewer", ViewerWalk}, {"compare", CompareTwo}, {"project", ProjectRead},
        {"cli", CommandLine}};
    return targets;
}

const std::string& WorkFolder()
{
    // Removed again when the process ends.
    struct TFolder {
        TFolder()
        {
            std::string pattern = (fs::temp_directory_path() / "zendra-fuzz-XXXXXX").string();
            if (!::mkdtemp(pattern.data()))
                std::abort();
            Path = pattern;
        }
        ~TFolder()
        {
            std::error_code ec;
            fs::remove_all(Path, ec);
        }
        std::string Path;
    };
    static const TFolder folder;
    return folder.Path;
}

}  // namespace zendra::fuzz
