#include "app/jobs/ProjectFile.h"

#include "common/Bytes.h"
#include "engine/AviRecords.h"

namespace zendra {

namespace {

enum TValueTag : std::uint8_t { vaInt8 = 2, vaInt16 = 3, vaInt32 = 4, vaString = 6, vaLString = 12, vaWString = 18, vaUTF8String = 20 };

bool IsAscii(const std::string& text)
{
    for (unsigned char c : text)
        if (c >= 0x80)
            return false;
    return true;
}

bool IsValidUtf8(const std::string& text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > text.size())
            return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += n;
    }
    return true;
}

void AppendUtf8(std::string& out, std::uint32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Short and long texts hold the writer's code page; files from elsewhere may carry
// Latin-1 bytes, which are not valid UTF-8 and are converted.
std::string CodePageToUtf8(std::string bytes)
{
    if (IsValidUtf8(bytes))
        return bytes;
    std::string out;
    for (unsigned char c : bytes)
        AppendUtf8(out, c);
    return out;
}

std::string Utf16ToUtf8(const std::uint8_t* p, std::size_t units)
{
    std::string out;
    for (std::size_t i = 0; i < units; ++i) {
        std::uint32_t code = GetU16(p + 2 * i);
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < units) {
            const std::uint32_t low = GetU16(p + 2 * (i + 1));
            if (low >= 0xDC00 && low < 0xE000) {
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        AppendUtf8(out, code);
    }
    return out;
}

}  // namespace

void TProjectWriter::WriteInteger(std::int32_t value)
{
    if (value >= -128 && value <= 127) {
        FBytes.push_back(vaInt8);
        FBytes.push_back(static_cast<std::uint8_t>(value));
    } else if (value >= -32768 && value <= 32767) {
        FBytes.push_back(vaInt16);
        FBytes.push_back(static_cast<std::uint8_t>(value));
        FBytes.push_back(static_cast<std::uint8_t>(value >> 8));
    } else {
        FBytes.push_back(vaInt32);
        for (int i = 0; i < 4; ++i)
            FBytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i)));
    }
}

void TProjectWriter::WriteText(const std::string& utf8)
{
    const auto length = static_cast<std::uint32_t>(utf8.size());
    if (IsAscii(utf8) && length < 256) {
        FBytes.push_back(vaString);
        FBytes.push_back(static_cast<std::uint8_t>(length));
    } else {
        FBytes.push_back(IsAscii(utf8) ? vaLString : vaUTF8String);
        for (int i = 0; i < 4; ++i)
            FBytes.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
    }
    FBytes.insert(FBytes.end(), utf8.begin(), utf8.end());
}

const std::uint8_t* TProjectReader::Take(std::size_t count)
{
    if (count > FBytes.size() - FPos)
        throw EZendraError("Stream read error");
    const std::uint8_t* p = FBytes.data() + FPos;
    FPos += count;
    return p;
}

std::int32_t TProjectReader::ReadInteger()
{
    switch (*Take(1)) {
    case vaInt8: return static_cast<std::int8_t>(*Take(1));
    case vaInt16: return static_cast<std::int16_t>(GetU16(Take(2)));
    case vaInt32: return static_cast<std::int32_t>(GetU32(Take(4)));
    default: throw EZendraError("Invalid property value");
    }
}

std::string TProjectReader::ReadText()
{
    const std::uint8_t tag = *Take(1);
    switch (tag) {
    case vaString: {
        const std::size_t length = *Take(1);
        const auto* p = Take(length);
        return CodePageToUtf8(std::string(p, p + length));
    }
    case vaLString:
    case vaUTF8String: {
        const std::size_t length = GetU32(Take(4));
        const auto* p = Take(length);  // checked against what is there before anything is allocated
        std::string text(p, p + length);
        return tag == vaLString ? CodePageToUtf8(std::move(text)) : text;
    }
    case vaWString: {
        const std::size_t units = GetU32(Take(4));
        if (units > (FBytes.size() - FPos) / 2)
            throw EZendraError("Stream read error");
        return Utf16ToUtf8(Take(2 * units), units);
    }
    default: throw EZendraError("Invalid property value");
    }
}

TProjectBytes EncodeProject(const TProjectData& project)
{
    TProjectWriter w;
    w.WriteText(kProjectMark);
    w.WriteInteger(kProjectVersion);
    w.WriteText(project.MovieFile);
    w.WriteText(project.JoinOutputFile);
    w.WriteText(project.JoinFileName);
    w.WriteInteger(project.ClipStart);
    w.WriteInteger(project.ClipEnd);
    w.WriteText(project.SplitFolder);
    w.WriteText(project.SplitBaseName);
    w.WriteInteger(project.SplitMode);
    w.WriteInteger(project.PartCount);
    w.WriteInteger(project.Columns);
    w.WriteInteger(static_cast<std::int32_t>(project.Rows.size()));
    for (const auto& row : project.Rows)
        for (std::int32_t c = 0; c < project.Columns; ++c)
            w.WriteText(c < static_cast<std::int32_t>(row.size()) ? row[static_cast<std::size_t>(c)] : std::string());
    if (project.SplitMode == kSplitBySizeMode)
        w.WriteInteger(project.SplitMaxSize);
    return w.Bytes();
}

void TProjectLoad::ThrowUnless(TProjectField field) const
{
    if (!Read(field))
        throw EZendraError(Error);
}

namespace {

// Reads the values in their stored order, moving Reached past each one read.
class TValueReader {
public:
    TValueReader(TProjectReader& reader, TProjectLoad& load) : FReader(reader), FLoad(load) {}
    void Text(std::string& to, TProjectField field)
    {
        to = FReader.ReadText();
        Passed(field);
    }
    void Integer(std::int32_t& to, TProjectField field)
    {
        to = FReader.ReadInteger();
        Passed(field);
    }
    // A value read but out of range.
    static void Valid(bool ok)
    {
        if (!ok)
            throw EZendraError("Invalid property value");
    }
    void Passed(TProjectField field)
    {
        FLoad.Reached = static_cast<TProjectField>(static_cast<int>(field) + 1);
    }

private:
    TProjectReader& FReader;
    TProjectLoad& FLoad;
};

void ReadProjectValues(TProjectReader& reader, TProjectLoad& load)
{
    TProjectData& p = load.Data;
    TValueReader read(reader, load);
    std::string mark;
    read.Text(mark, TProjectField::Mark);
    load.Marked = mark == kProjectMark;
    if (!load.Marked)
        return;
    std::int32_t version = 0;  // not checked: every version reads alike
    read.Integer(version, TProjectField::Version);
    read.Text(p.MovieFile, TProjectField::MovieFile);
    read.Text(p.JoinOutputFile, TProjectField::JoinOutputFile);
    read.Text(p.JoinFileName, TProjectField::JoinFileName);
    read.Integer(p.ClipStart, TProjectField::ClipStart);
    read.Integer(p.ClipEnd, TProjectField::ClipEnd);
    read.Text(p.SplitFolder, TProjectField::SplitFolder);
    read.Text(p.SplitBaseName, TProjectField::SplitBaseName);
    p.SplitMode = reader.ReadInteger();
    TValueReader::Valid(p.SplitMode >= 0 && p.SplitMode < kSplitModeCount);
    read.Passed(TProjectField::SplitMode);
    read.Integer(p.PartCount, TProjectField::PartCount);
    read.Integer(p.Columns, TProjectField::Columns);
    const std::int32_t rows = reader.ReadInteger();
    TValueReader::Valid(p.Columns >= 1 && rows >= 0);
    read.Passed(TProjectField::RowCount);
    for (std::int32_t r = 0; r < rows; ++r) {
        p.Rows.emplace_back();
        for (std::int32_t c = 0; c < p.Columns; ++c)
            p.Rows.back().push_back(reader.ReadText());
    }
    read.Passed(TProjectField::Rows);
    if (!reader.AtEnd()) {
        // The limit of mode "By size", written only for that mode.
        p.SplitMaxSize = reader.ReadInteger();
        TValueReader::Valid(p.SplitMaxSize > 0);
        load.HasSplitMaxSize = true;
    }
    read.Passed(TProjectField::SplitMaxSize);
}

}  // namespace

TProjectLoad DecodeProject(TProjectBytes bytes)
{
    TProjectReader reader(std::move(bytes));
    TProjectLoad load;
    try {
        ReadProjectValues(reader, load);
    } catch (const EZendraError& error) {
        load.Error = error.what();
    }
    return load;
}

}  // namespace zendra
