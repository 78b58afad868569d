// The project file: typed values (one tag byte each) in one fixed order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/jobs/SplitMode.h"

namespace zendra {

using TProjectBytes = std::vector<std::uint8_t>;

class TProjectWriter {
public:
    // The smallest integer form that holds the value.
    void WriteInteger(std::int32_t value);
    // Plain ASCII as a short (tag 6) or long (tag 12) text, anything else as UTF-8 (tag 20).
    void WriteText(const std::string& utf8);
    const TProjectBytes& Bytes() const { return FBytes; }

private:
    TProjectBytes FBytes;
};

// Reads values in order; raises EZendraError "Invalid property value" for a value of
// the wrong kind and "Stream read error" when the data ends before a value is complete.
class TProjectReader {
public:
    explicit TProjectReader(TProjectBytes bytes) : FBytes(std::move(bytes)) {}
    std::int32_t ReadInteger();
    // Texts come back as UTF-8.
    std::string ReadText();
    bool AtEnd() const { return FPos >= FBytes.size(); }

private:
    const std::uint8_t* Take(std::size_t count);
    TProjectBytes FBytes;
    std::size_t FPos = 0;
};

// Everything a project file holds, in the order it holds it.
struct TProjectData {
    std::string MovieFile;
    std::string JoinOutputFile;
    std::string JoinFileName;
    std::int32_t ClipStart = 0;
    std::int32_t ClipEnd = 0;
    std::string SplitFolder;
    std::string SplitBaseName;
    std::int32_t SplitMode = 0;  // the item of the split tab's mode list
    std::int32_t PartCount = 0;
    std::int32_t Columns = 5;
    std::vector<std::vector<std::string>> Rows;  // each row: caption, then Columns - 1 texts
    // Mode "By size" only: its limit in bytes, written after the rows, so that files of the
    // other modes stay exactly as they were.
    std::int32_t SplitMaxSize = 0;
};

constexpr std::int32_t kSplitBySizeMode = SplitModeNumber(TSplitMode::BySize);

constexpr const char* kProjectMark = "kvx";
constexpr std::int32_t kProjectVersion = 1000;

// The values of a project file in their stored order.
enum class TProjectField {
    Mark, Version, MovieFile, JoinOutputFile, JoinFileName, ClipStart, ClipEnd, SplitFolder, SplitBaseName,
    SplitMode, PartCount, Columns, RowCount, Rows, SplitMaxSize, End
};

// What a read of a project got: every value before Reached, and the texts of the rows begun
// (a row is listed before its texts are read, so a broken row holds those read before the
// break). A loader applies what was read in the file's order, then raises Error.
struct TProjectLoad {
    TProjectData Data;
    bool Marked = false;  // false: no project file, nothing read
    bool HasSplitMaxSize = false;
    TProjectField Reached = TProjectField::Mark;
    std::string Error;  // "Invalid property value" or "Stream read error"; empty when read whole

    bool Read(TProjectField field) const { return field < Reached; }
    // Raises the read's error unless field was read.
    void ThrowUnless(TProjectField field) const;
};

TProjectBytes EncodeProject(const TProjectData& project);
// Reads as far as the bytes allow; raises nothing, every failure is in the answer.
TProjectLoad DecodeProject(TProjectBytes bytes);

}  // namespace zendra
