// Steps every writer shares: making room for the output file, and completing its
// RIFF, movi and idx1 sizes once everything is written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/AviRecords.h"
#include "platform/BinaryFile.h"

namespace zendra {

// Makes sure the output's folder exists, asking before creating it. False (after its
// message, if any) when the output can not be written. Where a failed folder creation is
// not reported, the writer goes on and fails when it creates the file.
bool PrepareOutputFile(const std::string& name, bool reportFolderFailure);

// An output is written under this name in its own folder, so that nothing stands under
// the output's name before the file is complete and proven.
std::string TemporaryOutputName(const std::string& name);

// Moves an existing file of that name to the trash, then puts the temporary file in its
// place. False, after "File NAME is in use", when the old file can not be moved away.
bool PutOutputInPlace(const std::string& temporary, const std::string& name);

// Removes a temporary output that will not be put in place.
void DiscardOutput(const std::string& temporary);

// A proven temporary output put in place; false (the temporary removed) when it can not be.
bool PutProvenOutputInPlace(const std::string& temporary, const std::string& name);

// "Verification failed for NAME: FAILURE".
std::string VerificationFailedText(const std::string& name, const std::string& failure);

// Reads the temporary output back and proves it; puts it in place only then. False after
// "Verification failed for NAME: ..." (the temporary file removed) or a failed placing.
struct TVerifyRequest;
bool ProveAndPutInPlace(const std::string& temporary, const std::string& name, const TVerifyRequest& request);

// A job broken off keeps its output only in the trash: it goes there under its own name.
void TrashBrokenOffOutput(const std::string& temporary, const std::string& name);

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
