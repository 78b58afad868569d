// The index entries the structure viewer has read, one owned 16-byte block each.
#pragma once

#include <cstddef>
#include <deque>

#include "engine/AviRecords.h"

namespace zendra {

class TEntryList {
public:
    TEntryList() = default;
    TEntryList(const TEntryList&) = delete;
    TEntryList& operator=(const TEntryList&) = delete;
    ~TEntryList() { Clear(); }

    // Appends a copy; the returned block stays where it is until the list is cleared.
    const IndexEntry* Add(const IndexEntry& entry);
    // Frees every block, the memory included.
    void Clear();
    std::size_t Count() const { return FItems.size(); }
    const IndexEntry* operator[](std::size_t i) const { return &FItems[i]; }

private:
    // 16 bytes an entry, grown in blocks: no per-entry allocation and no copy of the
    // whole list when it grows, so millions of entries stay cheap.
    std::deque<IndexEntry> FItems;
};

}  // namespace zendra
