#include "engine/SourceMatch.h"

#include <functional>
#include <map>
#include <string_view>
#include <tuple>
#include <vector>

#include "engine/Zendra.h"

namespace zendra {

namespace {

using TChunkKey = std::tuple<std::uint32_t, std::uint32_t, std::size_t>;  // id, length, hash of the data

class TChunkHasher {
public:
    explicit TChunkHasher(TBinaryFile& file) : FFile(file) {}

    // False when the chunk's data can not be read whole.
    bool Key(std::int64_t position, const IndexEntry& e, TChunkKey& key)
    {
        FData.resize(e.Length);
        if (!FFile.Seek(position + 8) || FFile.Read(FData.data(), FData.size()) != FData.size())
            return false;
        const std::string_view bytes(reinterpret_cast<const char*>(FData.data()), FData.size());
        key = {e.ChunkId, e.Length, std::hash<std::string_view>{}(bytes)};
        return true;
    }

private:
    TBinaryFile& FFile;
    std::vector<std::uint8_t> FData;
};

}  // namespace

std::string MatchChunksWithSource(const TZendra& file, const TZendra& source)
{
    std::map<TChunkKey, std::uint32_t> available;
    TChunkHasher sourceHasher(*source.File);
    TChunkKey key;
    for (const IndexEntry& e : source.Index)
        if (sourceHasher.Key(source.ChunkPosition(e), e, key))
            ++available[key];

    TChunkHasher fileHasher(*file.File);
    for (std::size_t i = 0; i < file.Index.size(); ++i) {
        const IndexEntry& e = file.Index[i];
        if (!fileHasher.Key(file.ChunkPosition(e), e, key))
            return "chunk " + std::to_string(i) + " can not be read";
        const auto found = available.find(key);
        if (found == available.end() || found->second == 0)
            return "chunk " + std::to_string(i) + " (" + std::to_string(e.Length) + " bytes) is not a chunk of " +
                   source.MovieFile;
        --found->second;
    }
    return {};
}

}  // namespace zendra
