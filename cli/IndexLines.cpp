// The index listing of 'info --index'.
#include <iostream>

#include "common/TextHelpers.h"
#include "engine/Zendra.h"

namespace zendra::cli {

void PrintIndexLines(const TZendra& movie)
{
    for (std::size_t i = 0; i < movie.Index.size(); ++i) {
        const IndexEntry& e = movie.Index[i];
        std::cout << i << ' ' << FourCCToText(e.ChunkId) << ' ' << e.Flags << ' ' << e.Offset << ' ' << e.Length
                  << '\n';
    }
}

}  // namespace zendra::cli
