// Writes AVI files byte by byte with exactly the layout a test asks for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/AviRecords.h"

namespace zendra::test {

using TBytes = std::vector<std::uint8_t>;

struct TRawChunk {
    std::string Id;
    TBytes Data;
};

struct TStreamSpec {
    std::string Type = "vids";     // fccType
    std::string Handler = "FMP4";  // fccHandler
    std::uint32_t Scale = 1;
    std::uint32_t Rate = 25;
    std::uint32_t Length = 0;      // dwLength; 0 means: count this stream's chunks
    TBytes Format;                 // strf data
    std::optional<std::string> Name;    // strn text, written with its terminator
    std::vector<TRawChunk> Extra;       // further chunks of the stream list (vprp, JUNK, indx)
};

struct TMovieChunk {
    std::string Id;       // "00dc", "01wb"
    std::uint32_t Flags;  // index flags
    TBytes Data;
    bool Indexed = true;
};

class TAviBuilder {
public:
    TAviBuilder();

    // A video stream of width x height (bitmap info header), handler and rate.
    TAviBuilder& Video(std::uint32_t width = 64, std::uint32_t height = 48, const std::string& handler = "FMP4",
                       std::uint32_t fps = 25);
    // A PCM audio stream.
    TAviBuilder& Audio(std::uint32_t samplesPerSec = 44100, std::uint16_t bits = 16, std::uint16_t channels = 2);
    TAviBuilder& Stream(const TStreamSpec& spec);
    TStreamSpec& LastStream() { return FStreams.back(); }
    std::vector<TStreamSpec>& Streams() { return FStreams; }
    TAviBuilder& ClearChunks() { FChunks.clear(); return *this; }

    // Movie data; contents are a pattern that names the chunk, so copies can be checked.
    TAviBuilder& Frame(bool key, std::uint32_t size = 100, int stream = 0);
    TAviBuilder& AudioChunk(std::uint32_t size = 40, int stream = 1);
    TAviBuilder& Chunk(const TMovieChunk& chunk);
    // count frames, a key frame every gop frames, an audio chunk after every frame.
    TAviBuilder& Interleaved(int count, int gop, std::uint32_t frameSize = 100, std::uint32_t audioSize = 40);

    TAviBuilder& RelativeIndex(bool relative) { FRelative = relative; return *this; }
    TAviBuilder& TotalFrames(std::uint32_t frames) { FTotalFrames = frames; return *this; }
    TAviBuilder& MicroSecPerFrame(std::uint32_t us) { FMicroSecPerFrame = us; return *this; }
    TAviBuilder& PartRecord(const TPartRecord& record) { FPartRecord = record; return *this; }
    // Top-level chunks written before movi (after hdrl and the part record) and after idx1.
    TAviBuilder& TopBeforeMovie(const TRawChunk& chunk) { FBeforeMovie.push_back(chunk); return *this; }
    TAviBuilder& TopAfterIndex(const TRawChunk& chunk) { FAfterIndex.push_back(chunk); return *this; }
    TAviBuilder& NoIndex() { FWithIndex = false; return *this; }
    TAviBuilder& RiffType(const std::string& type) { FRiffType = type; return *this; }
    // Layouts other muxers write: idx1 ahead of movi; chunks grouped in LIST rec (listed in
    // idx1 with the list flag, as their writers do); entries that name no chunk at the
    // index's start (offset 0 into movi when relative).
    TAviBuilder& IndexBeforeMovie() { FIndexFirst = true; return *this; }
    TAviBuilder& RecGroups(int chunksPerGroup) { FRecGroup = chunksPerGroup; return *this; }
    TAviBuilder& LeadingIndexEntry(const IndexEntry& e) { FLeadingEntries.push_back(e); return *this; }

    TBytes Build() const;
    void Write(const std::string& path) const;

    const std::vector<TMovieChunk>& Chunks() const { return FChunks; }
    // Data position of the movi list in the built file (the offset of "movi").
    std::uint32_t MovieDataPosition() const;

private:
    TBytes HeaderList() const;
    TBytes MovieAndIndex(std::uint32_t moviePos, TBytes& index) const;
    std::uint32_t IndexSize() const;
    std::uint32_t CountFrames() const;

    std::vector<TStreamSpec> FStreams;
    std::vector<TMovieChunk> FChunks;
    std::vector<TRawChunk> FBeforeMovie;
    std::vector<TRawChunk> FAfterIndex;
    std::optional<TPartRecord> FPartRecord;
    std::optional<std::uint32_t> FTotalFrames;
    std::uint32_t FMicroSecPerFrame = 40000;
    bool FRelative = true;
    bool FWithIndex = true;
    bool FIndexFirst = false;
    int FRecGroup = 0;
    std::vector<IndexEntry> FLeadingEntries;
    std::string FRiffType = "AVI ";
};

// Helpers for raw layouts.
void AppendFourCC(TBytes& out, const std::string& id);
void AppendU16(TBytes& out, std::uint16_t v);
void AppendU32(TBytes& out, std::uint32_t v);
// id, size, data and the pad byte.
void AppendChunk(TBytes& out, const std::string& id, const TBytes& data);
TBytes ListChunk(const std::string& listType, const TBytes& children);
TBytes Pattern(std::uint32_t size, std::uint32_t seed);
TBytes ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const TBytes& bytes);

}  // namespace zendra::test
