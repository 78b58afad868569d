#include "engine/AviRecords.h"

namespace zendra {

int StreamNumber(std::uint32_t chunkId)
{
    const char a = static_cast<char>(chunkId & 0xFF);
    const char b = static_cast<char>((chunkId >> 8) & 0xFF);
    if (a < '0' || a > '9' || b < '0' || b > '9')
        return -1;
    return (a - '0') * 10 + (b - '0');
}

bool NamesStream(std::uint32_t chunkId, int streams)
{
    const int n = StreamNumber(chunkId);
    return n >= 0 && n < streams;
}

}  // namespace zendra
