// Disk full, short reads, vanished files and a trash that refuses: the writers and
// the jobs report the failure, return false, and leave the source as it was.
#include "tests/engine/EngineFixture.h"

#include <filesystem>

#include "app/jobs/JobCore.h"
#include "common/TextHelpers.h"
#include "platform/BinaryFile.h"

namespace zendra::test {
namespace {

namespace fs = std::filesystem;

// Faults stay on for the scope only, so a failing assertion never leaks them into other tests.
class TScopedFaults {
public:
    explicit TScopedFaults(const TFileFaults& faults) { FileFaults() = faults; }
    ~TScopedFaults() { FileFaults() = TFileFaults{}; }
};

TFileFaults WriteBudget(std::int64_t bytes)
{
    TFileFaults f;
    f.WriteBudget = bytes;
    return f;
}

TFileFaults ReadBudget(std::int64_t bytes)
{
    TFileFaults f;
    f.ReadBudget = bytes;
    return f;
}

class FaultInjectionTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        TAviBuilder b;
        b.Video().Audio();
        b.AudioChunk(23);  // an audio entry ahead of the first frame: parts carry a lead
        b.Interleaved(40, 8, 91, 33);
        Source = Write(b, "source.avi");
        SourceHash = Md5OfFile(Source);
    }

    // The output a writer makes without faults: its size bounds the sweeps.
    std::int64_t CleanSize(const std::function<bool(const std::string&)>& write)
    {
        const std::string name = PathOf("clean.avi");
        EXPECT_TRUE(write(name));
        const auto size = static_cast<std::int64_t>(fs::file_size(name));
        fs::remove(name);
        Scripted->Clear();
        return size;
    }

    // Runs write with every budget from 0 to the clean size in steps: each run must fail
    // with "Fail to produce " + name and leave the source alone.
    void SweepWriteBudget(const std::function<bool(const std::string&)>& write, std::int64_t step)
    {
        const std::int64_t size = CleanSize(write);
        ASSERT_GT(size, 0);
        const std::string name = PathOf("out.avi");
        for (std::int64_t budget = 0; budget < size; budget += step) {
            SCOPED_TRACE("write budget " + std::to_string(budget) + " of " + std::to_string(size));
            fs::remove(name);
            Scripted->Clear();
            bool ok = true;
            {
                TScopedFaults faults(WriteBudget(budget));
                ok = write(name);
            }
            EXPECT_FALSE(ok);
            ASSERT_FALSE(Scripted->Messages().empty());
            EXPECT_EQ(Scripted->Messages().back(), "Fail to produce " + name);
            EXPECT_EQ(Md5OfFile(Source), SourceHash);
        }
    }

    std::vector<std::string> SplitParts()
    {
        TZendra movie(Source);
        const std::vector<std::int32_t> starts = {0, movie.KeyEntryForFrame(17), movie.KeyEntryForFrame(33)};
        const TSplitResult split =
            RunSplitParts(Source, starts, static_cast<std::int32_t>(movie.Index.size()), PathOf("parts/"), "part", {});
        EXPECT_TRUE(split.Finished);
        Scripted->Clear();
        return split.Written;
    }

    std::string Source;
    std::string SourceHash;
};

TEST_F(FaultInjectionTest, DiskFullAtAnyPointFailsEverySaveAndClip)
{
    SweepWriteBudget([&](const std::string& name) { return TZendra(Source).SaveToFile(name, 0, nullptr, -1); }, 53);
    TPartRecord record;
    record.SetPartIndex(2);
    SweepWriteBudget(
        [&](const std::string& name) {
            TZendra movie(Source);
            return movie.SaveToFile(name, movie.KeyEntryForFrame(9), &record, movie.EntryAfterFrame(30));
        },
        47);
    SweepWriteBudget([&](const std::string& name) { return RunClipRange(Source, 5, 27, name, {}); }, 61);
}

TEST_F(FaultInjectionTest, DiskFullAtAnyPointFailsEveryJoin)
{
    const auto parts = SplitParts();
    ASSERT_EQ(parts.size(), 3u);
    std::vector<std::string> hashes;
    for (const auto& part : parts)
        hashes.push_back(Md5OfFile(part));
    SweepWriteBudget([&](const std::string& name) { return RunJoinParts(parts[0], {parts[1], parts[2]}, name, {}); },
                     59);
    for (std::size_t i = 0; i < parts.size(); ++i)
        EXPECT_EQ(Md5OfFile(parts[i]), hashes[i]) << parts[i];
}

// A split that runs out of disk keeps the parts it completed, each a whole file, and stops.
TEST_F(FaultInjectionTest, DiskFullDuringSplitKeepsOnlyCompleteParts)
{
    const std::int64_t total = CleanSize([&](const std::string& name) {
        return TZendra(Source).SaveToFile(name, 0, nullptr, -1);
    });
    TZendra movie(Source);
    const std::vector<std::int32_t> starts = {0, movie.KeyEntryForFrame(17), movie.KeyEntryForFrame(33)};
    for (std::int64_t budget = 0; budget < total + 2048; budget += 211) {
        SCOPED_TRACE("write budget " + std::to_string(budget));
        fs::remove_all(PathOf("parts"));
        Scripted->Clear();
        TSplitResult split;
        {
            TScopedFaults faults(WriteBudget(budget));
            split = RunSplitParts(Source, starts, static_cast<std::int32_t>(movie.Index.size()), PathOf("parts/"),
                                  "part", {});
        }
        ASSERT_FALSE(split.Finished);
        EXPECT_LT(split.Written.size(), starts.size());
        const std::string failed = PathOf("parts/part" + IntToZeroPadded(static_cast<int>(split.Written.size()) + 1, 5) + ".avi");
        EXPECT_EQ(Scripted->Messages().back(), "Fail to produce " + failed);
        for (const auto& part : split.Written) {
            const TBytes bytes = ReadFileBytes(part);
            EXPECT_EQ(GetU32(&bytes[4]) + 8u, bytes.size()) << part;
            EXPECT_NO_THROW(TZendra{part}) << part;
        }
        EXPECT_EQ(Md5OfFile(Source), SourceHash);
    }
}

TEST_F(FaultInjectionTest, ShortReadsFailTheWritersNotTheSource)
{
    const auto parts = SplitParts();
    ASSERT_EQ(parts.size(), 3u);
    const std::string name = PathOf("out.avi");
    for (std::int64_t budget = 0; budget < 6000; budget += 157) {
        SCOPED_TRACE("read budget " + std::to_string(budget));
        Scripted->Clear();
        TZendra movie(Source);
        TZendra first(parts[0]);
        bool saved = true;
        bool joined = true;
        {
            TScopedFaults faults(ReadBudget(budget));
            saved = movie.SaveToFile(name, 0, nullptr, -1);
        }
        fs::remove(name);
        {
            TScopedFaults faults(ReadBudget(budget));
            try {
                joined = first.Join(name, {parts[1], parts[2]});
            } catch (const EZendraError&) {
                joined = false;  // a member whose opening read came back short is refused
            }
        }
        fs::remove(name);
        EXPECT_FALSE(saved);
        EXPECT_FALSE(joined);
        EXPECT_EQ(std::count(Scripted->Messages().begin(), Scripted->Messages().end(), "Fail to produce " + name), 2);
        EXPECT_EQ(Md5OfFile(Source), SourceHash);
    }
}

// Opening with reads cut short either refuses the file or reads all of it: never a
// shorter index taken for the whole movie.
TEST_F(FaultInjectionTest, ShortReadsWhileOpeningNeverGiveAPartialMovie)
{
    TZendra clean(Source);
    const auto size = static_cast<std::int64_t>(fs::file_size(Source));
    for (std::int64_t budget = 0; budget <= size; budget += 13) {
        SCOPED_TRACE("read budget " + std::to_string(budget));
        TScopedFaults faults(ReadBudget(budget));
        try {
            TZendra movie(Source);
            EXPECT_EQ(movie.Index.size(), clean.Index.size());
            EXPECT_EQ(movie.FrameCount, clean.FrameCount);
            EXPECT_TRUE(movie.AudioFormat != nullptr);
        } catch (const EZendraError&) {
        }
    }
}

TEST_F(FaultInjectionTest, MemberVanishingBeforeTheJoinIsNamed)
{
    const auto parts = SplitParts();
    fs::remove(parts[1]);
    const std::string name = PathOf("joined.avi");
    EXPECT_FALSE(RunJoinParts(parts[0], {parts[1], parts[2]}, name, {}));
    const std::vector<std::string> expected = {"Can not locate member file " + parts[1], "Fail to produce " + name};
    EXPECT_EQ(Scripted->Messages(), expected);
}

// Listed and found, then gone when it is opened: the same report, not a crash on a
// member without a file.
TEST_F(FaultInjectionTest, MemberVanishingBetweenListingAndOpenIsNamed)
{
    const auto parts = SplitParts();
    const std::string name = PathOf("joined.avi");
    TZendra first(parts[0]);
    bool joined = true;
    {
        TFileFaults faults;
        faults.FailOpenCount = 1;  // the output opens; the member does not
        TScopedFaults scoped(faults);
        joined = first.Join(name, {parts[1], parts[2]});
    }
    EXPECT_FALSE(joined);
    const std::vector<std::string> expected = {"Can not locate member file " + parts[1], "Fail to produce " + name};
    EXPECT_EQ(Scripted->Messages(), expected);
    EXPECT_TRUE(std::find(Scripted->Recycled().begin(), Scripted->Recycled().end(), parts[1]) ==
                Scripted->Recycled().end());
}

// An output name already taken, and a trash that refuses it: the file is reported in use
// and left exactly as it was, and nothing is written.
TEST_F(FaultInjectionTest, TrashRefusingTheOldOutputStopsEveryWriter)
{
    const auto parts = SplitParts();
    const std::string name = PathOf("taken.avi");
    const TBytes before = Pattern(777, 3);
    WriteFileBytes(name, before);
    Scripted->FailRecycle(true);

    EXPECT_FALSE(TZendra(Source).SaveToFile(name, 0, nullptr, -1));
    EXPECT_FALSE(RunClipRange(Source, 0, 20, name, {}));
    EXPECT_FALSE(RunJoinParts(parts[0], {parts[1], parts[2]}, name, {}));
    const std::vector<std::string> expected(3, "File " + name + " is in use");
    EXPECT_EQ(Scripted->Messages(), expected);
    EXPECT_EQ(ReadFileBytes(name), before);
    EXPECT_EQ(Md5OfFile(Source), SourceHash);
}

// Part files left from an earlier run, kept (answer No), and a trash that refuses them.
TEST_F(FaultInjectionTest, TrashRefusingAnOldPartEndsTheSplit)
{
    const auto parts = SplitParts();
    const std::string old = Md5OfFile(parts[0]);
    Scripted->FailRecycle(true);
    Scripted->QueueAnswer(TAnswer::No);  // "contains AVI files. delete these files?"
    TZendra movie(Source);
    const TSplitResult split =
        RunSplitParts(Source, {0, movie.KeyEntryForFrame(17)}, static_cast<std::int32_t>(movie.Index.size()),
                      PathOf("parts/"), "part", {});
    EXPECT_FALSE(split.Finished);
    EXPECT_TRUE(split.Written.empty());
    EXPECT_EQ(Scripted->Messages(), std::vector<std::string>{"File " + parts[0] + " is in use"});
    EXPECT_EQ(Md5OfFile(parts[0]), old);
    EXPECT_EQ(Md5OfFile(Source), SourceHash);
}

}  // namespace
}  // namespace zendra::test
