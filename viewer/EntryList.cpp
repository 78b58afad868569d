#include "viewer/EntryList.h"

namespace zendra {

const IndexEntry* TEntryList::Add(const IndexEntry& entry)
{
    FItems.push_back(entry);
    return &FItems.back();
}

void TEntryList::Clear()
{
    std::deque<IndexEntry>().swap(FItems);
}

}  // namespace zendra
