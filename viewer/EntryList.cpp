#include "viewer/EntryList.h"

#include "common/Bytes.h"

namespace zendra {

TIndexBlock TIndexBlock::Decode(const std::uint8_t* p)
{
    TIndexBlock e;
    for (int i = 0; i < 4; ++i)
        e.ChunkId[i] = static_cast<char>(p[i]);
    e.Flags = GetU32(p + 4);
    e.Offset = GetU32(p + 8);
    e.Length = GetU32(p + 12);
    return e;
}

const TIndexBlock* TEntryList::Add(const TIndexBlock& entry)
{
    FItems.push_back(entry);
    return &FItems.back();
}

void TEntryList::Clear()
{
    std::deque<TIndexBlock>().swap(FItems);
}

}  // namespace zendra
