// Proves that every chunk of one movie is a chunk of another, byte for byte: what a part,
// a clip or a rejoin holds must all come from the movie it was cut from.
#pragma once

#include <string>

namespace zendra {

class TZendra;

// Empty when every indexed chunk of file is, in its bytes, an indexed chunk of source
// (each source chunk accounted for as often as the source holds it); otherwise the first
// chunk that is not.
std::string MatchChunksWithSource(const TZendra& file, const TZendra& source);

}  // namespace zendra
