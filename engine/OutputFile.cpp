#include "engine/OutputFile.h"

#include <cctype>
#include <filesystem>

#include "common/FileHelpers.h"
#include "engine/OutputVerifier.h"
#include "platform/Platform.h"

namespace zendra {

bool PrepareOutputFile(const std::string& name, bool reportFolderFailure)
{
    const std::string folder = ExtractFileDir(name);
    if (!folder.empty() && !DirectoryExists(folder)) {
        if (Confirm("Folder " + folder + " does not exists. Create it?", TButtons::OKCancel) != TAnswer::OK)
            return false;
        if (!ForceDirectories(folder) && reportFolderFailure) {
            ShowMessage("Can not create folder " + folder);
            return false;
        }
    }
    return true;
}

std::string TemporaryOutputName(const std::string& name)
{
    const std::string folder = ExtractFileDir(name);
    return (folder.empty() ? std::string() : IncludeTrailingSeparator(folder)) + "." + ExtractFileName(name) +
           ".zendra-partial";
}

bool PutOutputInPlace(const std::string& temporary, const std::string& name)
{
    if (FileExists(name) && !RecycleFile(name)) {
        ShowMessage("File " + name + " is in use");
        return false;
    }
    std::error_code error;
    std::filesystem::rename(temporary, name, error);
    if (error) {
        ShowMessage("Can not write " + name + ": " + error.message());
        return false;
    }
    return true;
}

void DiscardOutput(const std::string& temporary)
{
    std::error_code error;
    std::filesystem::remove(temporary, error);
}

std::string VerificationFailedText(const std::string& name, const std::string& failure)
{
    return "Verification failed for " + name + ": " + failure;
}

bool PutProvenOutputInPlace(const std::string& temporary, const std::string& name)
{
    if (PutOutputInPlace(temporary, name))
        return true;
    DiscardOutput(temporary);
    return false;
}

bool ProveAndPutInPlace(const std::string& temporary, const std::string& name, const TVerifyRequest& request)
{
    const TVerifyReport report = VerifyAviFile(temporary, request);
    if (!report.Failure.empty()) {
        DiscardOutput(temporary);
        ShowMessage(VerificationFailedText(name, report.Failure));
        return false;
    }
    return PutProvenOutputInPlace(temporary, name);
}

void TrashBrokenOffOutput(const std::string& temporary, const std::string& name)
{
    if (PutOutputInPlace(temporary, name))
        RecycleFile(name);
    else
        DiscardOutput(temporary);
}

bool CompleteSizes(TBinaryFile& output, std::int64_t moviSizePos, std::uint32_t moviSize,
                   std::int64_t indexSizePos, std::uint32_t indexSize)
{
    const std::int64_t end = output.Position();
    std::uint8_t bytes[4];
    PutU32(bytes, static_cast<std::uint32_t>(end - 8));
    if (!output.Seek(4) || output.Write(bytes, 4) != 4)
        return false;
    std::uint8_t type[4] = {};
    if (!output.Seek(moviSizePos + 4) || output.Read(type, 4) != 4)
        return false;
    for (int i = 0; i < 4; ++i)
        if (std::toupper(type[i]) != "MOVI"[i])
            throw EZendraError("Wrong MOVI location");
    PutU32(bytes, moviSize);
    if (!output.Seek(moviSizePos) || output.Write(bytes, 4) != 4)
        return false;
    PutU32(bytes, indexSize);
    if (!output.Seek(indexSizePos) || output.Write(bytes, 4) != 4)
        return false;
    return output.Seek(end);
}

bool WriteIndexEntries(TBinaryFile& output, const std::vector<IndexEntry>& index, std::size_t from,
                       std::size_t to, std::uint32_t base)
{
    constexpr std::size_t kBlock = 4096;
    std::uint8_t buffer[kBlock * IndexEntry::kSize];
    for (std::size_t i = from; i < to;) {
        const std::size_t n = std::min(kBlock, to - i);
        for (std::size_t k = 0; k < n; ++k) {
            IndexEntry e = index[i + k];
            e.Offset -= base;
            e.Encode(buffer + k * IndexEntry::kSize);
        }
        if (output.Write(buffer, n * IndexEntry::kSize) != n * IndexEntry::kSize)
            return false;
        i += n;
    }
    return true;
}

}  // namespace zendra
