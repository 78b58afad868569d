#include "tests/fuzz/harness/FuzzHarness.h"
#include "tests/fuzz/harness/FuzzKit.h"

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
