// The structure viewer's own reading of an AVI file: plain reads of the header records in
// their usual order, then the idx1 entries, or for a movie that goes on past its first RIFF
// the entries of its OpenDML index. It stops quietly where a file departs from that order,
// keeping what it has read.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/AviRecords.h"
#include "viewer/EntryList.h"

namespace zendra {

enum class THeaderList { MainHeader, VidHeader, VidStruct, AudHeader, AudStruct };

// What a header row stands for in the file.
struct HeaderInfo {
    std::uint64_t Offset = 0;
    int Width = 4;
    std::uint32_t Value = 0;
    bool Plain = true;  // false for rows whose name contains "..."
};

struct THeaderRow {
    THeaderList List;
    std::string Name;
    std::string TypeText;   // "WORD", "DWORD" or "FourCC"
    std::string ValueText;
    const HeaderInfo* Info;  // owned by TStructState::HeaderInfos
};

// The records as read; what was not read stays zero.
struct TStructRecords {
    std::uint32_t RiffSize = 0;
    std::uint32_t MovieListSize = 0;
    std::uint32_t MovieDataPosition = 0;
    std::array<std::uint8_t, TMainHeaderRecord::kSize> MainHeader{};
    std::array<std::uint8_t, TStreamHeaderRecord::kSize> VideoHeader{};
    std::array<std::uint8_t, TStreamHeaderRecord::kSize> AudioHeader{};
    std::array<std::uint8_t, TBitmapInfoRecord::kSize> VideoFormat{};
    std::array<std::uint8_t, 128> AudioFormat{};
    std::string CodecText;
    bool HasAudio = false;
    bool HasAudioTrack = false;
    bool RelativeIndex = false;
    // The movie goes on in RIFF AVIX chunks, and its entries come from its OpenDML index
    // (offsets are file positions); OpenDmlFrames is dmlh's count over every RIFF.
    int ExtendedRiffs = 0;
    bool OpenDmlIndex = false;
    std::uint32_t OpenDmlFrames = 0;

    TMainHeaderRecord Main() const { return TMainHeaderRecord::Decode(MainHeader.data()); }
    TStreamHeaderRecord AudioStream() const { return TStreamHeaderRecord::Decode(AudioHeader.data()); }
    TWaveFormatRecord Wave() const { return TWaveFormatRecord::Decode(AudioFormat.data()); }

    std::uint32_t MicroSecPerFrame() const { return Main().dwMicroSecPerFrame; }
    std::uint32_t TotalFrames() const { return OpenDmlFrames ? OpenDmlFrames : Main().dwTotalFrames; }
    std::uint32_t Width() const { return Main().dwWidth; }
    std::uint32_t Height() const { return Main().dwHeight; }
    std::uint16_t AudioFormatTag() const { return Wave().wFormatTag; }
    std::uint32_t AudioStreamScale() const { return AudioStream().dwScale; }
    std::uint32_t AudioStreamRate() const { return AudioStream().dwRate; }
    long double Fps() const;
    long double Duration() const;
};

struct TStructState {
    TStructRecords Records;
    TEntryList VideoEntries;
    TEntryList AudioEntries;
    std::vector<std::unique_ptr<HeaderInfo>> HeaderInfos;

    void Reset();
};

// What the window does with the walk's findings.
class IStructWalkSink {
public:
    virtual ~IStructWalkSink() = default;
    virtual void HeaderRowAdded(const THeaderRow& row) = 0;
    virtual void IndexWalkStarting() = 0;
    // Before entry i of count; false breaks the walk, which still counts as finished.
    virtual bool IndexStep(std::uint32_t i, std::uint32_t count) = 0;
    // Every few thousand chunks of the search for the movi list; false breaks the walk.
    virtual bool SearchStep() { return true; }
    // entry is the block just appended to its list; the frame mode wants a line for it.
    virtual void AddFrameLine(const IndexEntry& entry, bool video) = 0;
    virtual void WalkEnded() = 0;
};

// Walks an open file from its start; true when the whole structure (with the index) was read.
bool WalkStructure(std::FILE* file, TStructState& state, int frameMode, IStructWalkSink& sink);

// i × 100 / count, rounded half to even, and "%".
std::string IndexPercentText(std::uint32_t i, std::uint32_t count);

// The "Practical informations:" rows: caption and value.
std::vector<std::pair<std::string, std::string>> CalculatedValues(const TStructRecords& records);
std::string KbpsText(const TStructRecords& records);
// General format with 5 significant digits: 25, 29.97.
std::string FpsText(long double fps);

}  // namespace zendra
