// The RIFF structure of one AVI file as a tree of chunk records.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/AviRecords.h"
#include "platform/BinaryFile.h"

namespace zendra {

class TChunk {
public:
    TChunk(TBinaryFile* file, TChunk* parent, std::uint8_t type);
    virtual ~TChunk();
    TChunk(const TChunk&) = delete;
    TChunk& operator=(const TChunk&) = delete;

    // Reads the kind's fixed record at the file position; plain chunks have none.
    virtual bool ReadRecord(TBinaryFile& file);

    int ChildCount() const { return static_cast<int>(FChildren.size()); }
    TChunk* Child(int i) const { return FChildren[static_cast<std::size_t>(i)].get(); }
    TChunk* AddChild(std::uint8_t code);
    // Reads id, size and children from the file position; false on a short read.
    // Children start only inside this chunk and inside every list that holds it (limit),
    // so a child sized past its parent never makes the parent walk its bytes again.
    bool ReadTree(std::int64_t limit = INT64_MAX);
    // First record of that code in document order, depth first.
    TChunk* FindByType(std::uint8_t code);

    // Write primitives: each is true only when every byte was written.
    static bool WriteFourCC(TBinaryFile& output, const std::string& text);
    static bool WriteSize(TBinaryFile& output, std::uint32_t value);
    bool CopyData(TBinaryFile& output);
    bool WriteChunk(TBinaryFile& output, bool withData);

    std::int32_t PositionInParent = -1;
    bool HeaderPending = true;
    std::uint32_t DataPosition = 0;
    std::uint8_t Type;
    TChunk* Parent;
    std::int32_t Depth = 0;
    std::string Id;
    std::string ListType;
    std::uint32_t Size = 0;
    TBinaryFile* File;

    // The data position plus size plus pad byte: where the next sibling starts.
    std::int64_t EndPosition() const { return std::int64_t{DataPosition} + Size + (Size & 1); }

protected:
    std::vector<std::unique_ptr<TChunk>> FChildren;

private:
    bool ScanChildren(std::uint32_t dataStart);
};

class TFileHeaderChunk : public TChunk {
public:
    using TChunk::TChunk;
    bool ReadRecord(TBinaryFile& file) override;
    TMainHeaderRecord Header;
};

class TStrhChunk : public TChunk {
public:
    using TChunk::TChunk;
    bool ReadRecord(TBinaryFile& file) override;
    TStreamHeaderRecord Header;
};

class TVidStrfChunk : public TChunk {
public:
    using TChunk::TChunk;
    bool ReadRecord(TBinaryFile& file) override;
    TBitmapInfoRecord Format;
};

class TAudStrfChunk : public TChunk {
public:
    using TChunk::TChunk;
    bool ReadRecord(TBinaryFile& file) override;
    std::array<std::uint8_t, 128> Buffer{};
    TWaveFormatRecord Format() const { return TWaveFormatRecord::Decode(Buffer.data()); }
};

class TClipInfo : public TChunk {
public:
    TClipInfo(TBinaryFile* file, TChunk* parent, std::uint8_t type);
    bool ReadRecord(TBinaryFile& file) override;
    TPartRecord Record;
};

}  // namespace zendra
