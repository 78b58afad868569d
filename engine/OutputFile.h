// Steps every writer shares: making room for the output file, and completing its
// RIFF, movi and idx1 sizes once everything is written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/AviRecords.h"
#include "platform/BinaryFile.h"

namespace zendra {

// Moves an existing file of that name to the trash and makes sure its folder exists,
// asking before creating it. False (after its message, if any) when the output can
// not be written. Where a failed folder creation is not reported, the writer goes on
// and fails when it creates the file.
bool PrepareOutputFile(const std::string& name, bool reportFolderFailure);

// Raises an error when the output would be 2 GiB or more: 32-bit sizes can not hold it.
void CheckOutputSize(const std::string& name, std::uint64_t predictedSize);

// Writes the file length - 8 at offset 4, checks that "movi" stands at moviSizePos + 4
// (raising "Wrong MOVI location"), writes the movi and idx1 sizes. False on a short write.
bool CompleteSizes(TBinaryFile& output, std::int64_t moviSizePos, std::uint32_t moviSize,
                   std::int64_t indexSizePos, std::uint32_t indexSize);

// Writes entries [from, to) of index with their offsets minus base.
bool WriteIndexEntries(TBinaryFile& output, const std::vector<IndexEntry>& index, std::size_t from,
                       std::size_t to, std::uint32_t base);

// Bytes a chunk occupies in a movi list: header, data, pad byte.
inline std::uint64_t ChunkSpan(const IndexEntry& e)
{
    return (std::uint64_t{e.Length} + 8 + 1) & ~std::uint64_t{1};
}

}  // namespace zendra
