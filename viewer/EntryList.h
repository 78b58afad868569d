// The index entries the structure viewer has read, one owned 16-byte block each.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>

namespace zendra {

// One idx1 entry as it stands in the file.
struct TIndexBlock {
    std::array<char, 4> ChunkId{};
    std::uint32_t Flags = 0;
    std::uint32_t Offset = 0;
    std::uint32_t Length = 0;

    static TIndexBlock Decode(const std::uint8_t* p);
    // The third character of the chunk id tells the stream kind: "00dc" video, "01wb" audio.
    bool IsVideo() const { return ChunkId[2] == 'd'; }
    bool IsAudio() const { return ChunkId[2] == 'w'; }
    bool IsKeyFrame() const { return (Flags & 0x10) != 0; }
};
static_assert(sizeof(TIndexBlock) == 16);

class TEntryList {
public:
    TEntryList() = default;
    TEntryList(const TEntryList&) = delete;
    TEntryList& operator=(const TEntryList&) = delete;
    ~TEntryList() { Clear(); }

    // Appends a copy; the returned block stays where it is until the list is cleared.
    const TIndexBlock* Add(const TIndexBlock& entry);
    // Frees every block, the memory included.
    void Clear();
    std::size_t Count() const { return FItems.size(); }
    const TIndexBlock* operator[](std::size_t i) const { return &FItems[i]; }

private:
    // 16 bytes an entry, grown in blocks: no per-entry allocation and no copy of the
    // whole list when it grows, so millions of entries stay cheap.
    std::deque<TIndexBlock> FItems;
};

}  // namespace zendra
