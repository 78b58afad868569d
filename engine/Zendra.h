// The engine object for one input movie: its chunk tree, headers and index,
// split planning, and the writers that cut and rejoin without re-encoding.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/AviRecords.h"
#include "engine/Chunk.h"
#include "engine/IndexRebuild.h"
#include "engine/OpenDmlIndex.h"
#include "engine/OpenDmlLayout.h"

namespace zendra {

struct TChunkOrigins;
struct TVerifyRequest;
struct TJoinPart;
class TChunkCopier;
class TOpenDmlWriter;

// Entries [From, To) of one index, in the order an output holds them.
struct TEntryRun {
    const std::vector<IndexEntry>* Index;
    std::size_t From;
    std::size_t To;
};

// What an output becomes: an AVI 1.0 file, or an OpenDML one whose super indexes have room
// for SuperIndexRoom RIFFs; Size is the file's size in bytes.
struct TOutputPlan {
    bool OpenDml = false;
    std::uint32_t SuperIndexRoom = 0;
    std::uint64_t Size = 0;
};

// When the index entries are proven against the chunk headers they name. A clip reads only
// the headers ahead of it (they number its frames); its own entries are proven by reading
// the clip back, and those after it never matter to it.
enum class TEntryProof { OnOpening, AsNeeded };

// The part record counts lead entries and part numbers in 16 bits.
constexpr std::int32_t kMaxLeadCount = 65535;
constexpr std::int32_t kMaxPartNumber = 65535;

class TZendra : public TChunk {
public:
    using TProgressEvent = std::function<void(std::int32_t done, std::int32_t total)>;

    // Opens and reads fileName; raises EZendraError with the user's message when the
    // file is not a usable AVI. A file that cannot be opened gives an empty engine.
    // rebuild says what to do with a movie whose index is missing or cut short.
    explicit TZendra(const std::string& fileName, TProgressEvent onProgress = {},
                     TIndexRebuild rebuild = TIndexRebuild::Refuse, TEntryProof proof = TEntryProof::OnOpening);
    ~TZendra() override;

    // --- opening and queries
    std::int32_t KeyEntryForFrame(std::int32_t n) const;
    std::int32_t EntryAfterFrame(std::int32_t n) const;
    std::int32_t CountVideoFrames(std::int32_t from, std::int32_t to) const;
    // Offsets of idx1 count from the movi list's type field rather than the file start.
    bool IndexIsRelative() const;
    // Added to an entry's offset to get its file position.
    std::uint32_t IndexBase() const;
    // Where the chunk of an entry begins in the file: its header, 8 bytes before its data.
    std::int64_t ChunkPosition(const IndexEntry& e) const
    {
        return std::int64_t{IndexBase()} + static_cast<std::int64_t>(e.Offset);
    }
    // Position of the first index entry whose chunk lies outside the file, or -1.
    std::int32_t FirstEntryOutsideFile() const;
    bool IsOpen() const { return FInput != nullptr; }
    // Proves the entries [from, to) not proven yet (TEntryProof::AsNeeded) and leaves out
    // those that name no chunk; returns how many were left out.
    std::int32_t ProveEntries(std::size_t from, std::size_t to);
    bool HasUnprovenEntries(std::size_t from, std::size_t to) const;
    // Streams the header list describes (its strl lists).
    int StreamCount() const;
    std::int64_t InputSize() const;

    // --- split planning
    std::int32_t GetNextSize(std::int32_t p) const;
    void ListKeyGroups(std::vector<std::int32_t>& positions, std::vector<std::int32_t>& sizes) const;
    bool PlanParts(std::vector<std::int32_t>& starts, std::vector<std::int64_t>& accumulators,
                   std::int64_t target) const;
    std::int32_t LargestGroupSize() const;
    std::int32_t MeanGroupSize() const;
    std::int32_t TargetPartSize(int mode) const;
    std::int32_t PartCount(int mode) const;
    std::int64_t TotalDataSize() const;
    bool IsCompressed() const;
    std::int32_t FrameImageSize() const;
    std::int32_t VideoFrameCount() const;

    // --- split by size (SizePlanning.cpp)
    // Bytes of the file SaveToFile writes for index positions start to end (-1: the end).
    std::uint64_t PartFileSize(std::int32_t start, std::int32_t end, bool withPartRecord) const;
    // Part starts at key entries so that no part file of a split exceeds maxFileSize bytes,
    // headers and index included; false for a movie without key entries. Raises when one
    // key-frame group alone makes a larger part.
    bool PlanPartsBySize(std::vector<std::int32_t>& starts, std::uint64_t maxFileSize) const;

    // --- writers
    // Raises the reason when this movie can not be cut (it goes on past its first RIFF).
    void CheckCuttable() const;
    bool SaveToFile(const std::string& name, std::int32_t start, TPartRecord* record, std::int32_t end);
    bool WriteHeaderList(TBinaryFile& output, std::uint32_t frameCount);
    void WritePartRecord(TBinaryFile& output, const TPartRecord& record);
    bool Join(const std::string& name, const std::vector<std::string>& members);
    // Copies part's chunks from index position from on; copiedEnd follows the copy, so a
    // join broken off and resumed goes on where it stopped.
    bool CopyMovieChunks(TZendra& part, std::int32_t from, TBinaryFile& output, std::int32_t& copiedEnd);
    void Cancel() { Cancelled = true; }

    std::string MovieFile;
    TChunk* HeaderList = nullptr;
    TChunk* MovieList = nullptr;
    TChunk* IndexChunk = nullptr;
    TClipInfo* PartRecordChunk = nullptr;
    TFileHeaderChunk* MainHeader = nullptr;
    TStrhChunk* VideoStreamHeader = nullptr;
    TVidStrfChunk* VideoFormat = nullptr;
    TStrhChunk* AudioStreamHeader = nullptr;
    TAudStrfChunk* AudioFormat = nullptr;
    std::int32_t FrameCount = 0;
    long double FrameRate = 0;
    std::vector<IndexEntry> Index;
    TProgressEvent OnProgress;
    TPartRecord PartRecord;
    bool IsPart = false;
    bool Cancelled = false;
    // The movie goes on in further RIFF chunks (OpenDML "AVIX").
    bool HasExtendedRiff = false;
    // The index is the movie's OpenDML index (every stream's ix## chunks), not idx1: the
    // movie goes on past its first RIFF, or has no idx1. Its offsets are file positions.
    bool OpenDmlIndexUsed = false;
    // The data of the first movi list, then of each RIFF AVIX's movi list.
    std::vector<TMovieSpan> MovieSpans;
    // Index entries that name no chunk of the movie (a dummy entry, a stream the file does
    // not have, a position in the headers): left out of the index when it is loaded.
    std::int32_t LeftOutEntries = 0;
    // Checked by reading back every output before it is put in place; the byte-for-byte
    // proof of the copied chunks costs a second read of both files.
    bool VerifyBytes = false;
    // An output whose AVI 1.0 file would be larger is written as OpenDML, in RIFFs of
    // about this size (tests make it small).
    std::uint64_t RiffLimit = kOpenDmlRiffLimit;
    // Also given to the members a join opens.
    TIndexRebuild IndexRebuildPolicy = TIndexRebuild::Refuse;
    // The index was built from the movi list (IndexRebuild.cpp); the input had none to use.
    bool IndexRebuilt = false;
    bool RebuiltFromCutOffMovie = false;
    const TEntryProof EntryProof;
    // A SaveToFile failed because entries it copied unproven name no chunk: they are left
    // out now, and the caller plans the output again.
    bool IndexChanged = false;

private:
    // Shared by the writers: the output around its movi data.
    std::uint64_t FixedOutputSize() const;
    // Bytes of the input's top-level chunks an output copies, before or after its movi list.
    std::uint64_t CopiedChunksSize(bool beforeMovie) const;
    TOutputPlan PlanOutput(const std::vector<TEntryRun>& runs, bool withPartRecord) const;
    // The sound entries ahead of the first frame that a segment from start repeats.
    std::int32_t LeadCount(std::int32_t start) const;
    std::vector<TEntryRun> SegmentRuns(std::int32_t start, std::int32_t end, std::int32_t lead) const;
    // The input's header list, pad byte included, with the output's frame count.
    std::vector<std::uint8_t> PatchedHeaderList(std::uint32_t frameCount) const;
    // openDml set: the header list of an OpenDML output, where openDml learns its slots.
    struct TOpenDmlHead {
        std::uint32_t Room = 0;
        TOpenDmlSlots Slots;
        std::int64_t HeaderList = 0;
    };
    bool WriteMovieHead(TBinaryFile& output, std::uint32_t frames, const TPartRecord* record,
                        std::int64_t& moviSizePos, TOpenDmlHead* openDml);
    std::unique_ptr<TOpenDmlWriter> StartOpenDml(TBinaryFile& output, const TOpenDmlHead& head,
                                                 std::int64_t moviSizePos, std::uint32_t indexBase,
                                                 std::vector<TEntryRun> runs);
    bool WriteTrailingChunks(TBinaryFile& output);
    // Gives e its output offset where the copier puts its chunk next.
    bool PlaceChunk(TChunkCopier& copier, IndexEntry& e);
    bool BeginIndex(TBinaryFile& output, std::int64_t moviSizePos, std::uint32_t& moviSize, std::int64_t& indexDataPos);
    bool FinishMovie(TBinaryFile& output, std::int64_t moviSizePos, std::uint32_t moviSize, std::int64_t indexDataPos);
    // SaveToFile's steps: the checks, the sound chunks ahead of the first frame, the size, the writing.
    std::int32_t CheckedSegmentFrames(const std::string& name, std::int32_t start, std::int32_t& end) const;
    std::int32_t SegmentLeadCount(const std::string& name, std::int32_t start, bool withPartRecord) const;
    bool WriteAndProveSegment(const std::string& name, std::int32_t start, std::int32_t end, std::int32_t lead,
                              std::int32_t frames, const TPartRecord* record, const TOutputPlan& plan);
    bool CopyLeadChunks(TChunkCopier& copier, std::int32_t lead, TChunkOrigins* origins);
    bool WriteSegment(TBinaryFile& output, std::int32_t start, std::int32_t end, std::int32_t lead,
                      std::int32_t frames, const TPartRecord* record, TChunkOrigins* origins,
                      const TOutputPlan& plan);
    bool FinishSegment(TBinaryFile& output, std::int32_t start, std::int32_t copied, std::int32_t lead,
                       std::int64_t moviSizePos);
    bool JoinInto(TBinaryFile& output, const std::string& name, const std::vector<std::string>& members,
                  std::vector<std::unique_ptr<TZendra>>& engines, TVerifyRequest& request);
    bool OpenJoinMembers(const std::vector<std::string>& members, std::vector<std::unique_ptr<TZendra>>& engines,
                         std::vector<TJoinPart>& parts, std::uint32_t& total);
    bool CopyJoinParts(std::vector<TJoinPart>& parts, TBinaryFile& output, const std::string& name);
    bool ReadMainHeader();
    bool LoadIndex();
    bool ReadIndexEntries(std::uint64_t count);
    bool ResolveIndexBase();
    void LeaveOutUnresolvedEntries();
    void MarkIntraOnlyKeyFrames();
    void CheckExtendedRiff();
    void LoadMovieIndex();
    bool UseOpenDmlIndex(TOpenDmlIndex openDml);
    void AddIndexStandIn();
    bool IndexHoldsEveryFrame();
    bool IndexUnusable() const;
    bool EntriesCutOffWithMovie() const;
    TKeyFrameCoding CheckedKeyFrameCoding() const;
    bool AgreesToRebuild() const;
    // False when the policy or the user declines; raises for a codec without told key frames.
    bool RebuildIndex();
    // Entries read back in an output are proven; a segment whose entries are not all proven
    // is proven before it is copied where the read-back could not tell a wrong one.
    void MarkProven(std::size_t from, std::size_t to);
    bool ProveSegmentBeforeCopy(std::int32_t start, std::int32_t end, std::int32_t lead, const TOutputPlan& plan);
    bool EntriesFollowTheFile(std::size_t from, std::size_t to) const;
    // The same for the runs of one output; ProveEntries returns how many were left out.
    bool HasUnprovenEntries(const std::vector<TEntryRun>& runs) const;
    std::int32_t ProveEntries(const std::vector<TEntryRun>& runs);
    bool WriteSegmentFile(const std::string& temporary, const std::string& name, std::int32_t start,
                          std::int32_t end, std::int32_t lead, std::int32_t frames, const TPartRecord* record,
                          const TOutputPlan& plan, TChunkOrigins* origins);
    std::unique_ptr<TBinaryFile> FInput;
    std::vector<bool> FUnproven;  // by index position; empty when every entry is proven
    bool FRelativeIndex = false;  // as loaded: the writers change the offsets in memory
    std::uint32_t FJoinTotal = 0;
    std::uint32_t FJoinFrames = 0;
    TChunkOrigins* FOrigins = nullptr;  // set while a join copies, to prove its bytes
    TOpenDmlWriter* FOpenDml = nullptr;  // set while an OpenDML output is written
};

// The file name without folder and extension; a text without extension comes back unchanged.
std::string NameWithoutExt(const std::string& text);

}  // namespace zendra
