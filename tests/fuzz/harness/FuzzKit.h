// What every fuzz target shares: the input's parameter block, one input's world (a work
// folder, a scripted platform, no file faults), and the checks' way of failing.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/Zendra.h"
#include "platform/BinaryFile.h"
#include "platform/ScriptedPlatform.h"
#include "tests/fuzz/harness/FuzzHarness.h"

namespace zendra::fuzz {

using TBytes = std::vector<std::uint8_t>;

// A property every input must keep; breaking it is reported like a crash.
[[noreturn]] void CheckFailed(const char* what, const char* file, int line);
#define FUZZ_CHECK(cond) ((cond) ? void(0) : ::zendra::fuzz::CheckFailed(#cond, __FILE__, __LINE__))

TBytes ReadAll(const std::string& path);

// The parameter block in front of the file bytes; missing bytes read as zero.
class TInput {
public:
    TInput(const std::uint8_t* data, std::size_t size)
    {
        const std::size_t head = std::min(size, kParamBytes);
        std::copy(data, data + head, FParams.begin());
        FBody.assign(data + head, data + size);
    }

    std::uint8_t U8(std::size_t at) const { return FParams[at]; }
    std::uint32_t U32(std::size_t at) const
    {
        return std::uint32_t{FParams[at]} | std::uint32_t{FParams[at + 1]} << 8 | std::uint32_t{FParams[at + 2]} << 16 |
               std::uint32_t{FParams[at + 3]} << 24;
    }
    std::int32_t I32(std::size_t at) const { return static_cast<std::int32_t>(U32(at)); }
    const TBytes& Body() const { return FBody; }

    // The body as two files: a 4-byte length of the first, the first, the second.
    std::pair<TBytes, TBytes> TwoFiles() const
    {
        if (FBody.size() < 4)
            return {FBody, {}};
        const std::uint32_t stated = std::uint32_t{FBody[0]} | std::uint32_t{FBody[1]} << 8 |
                                     std::uint32_t{FBody[2]} << 16 | std::uint32_t{FBody[3]} << 24;
        const std::size_t length = std::min<std::size_t>(stated, FBody.size() - 4);
        const auto split = FBody.begin() + 4 + static_cast<std::ptrdiff_t>(length);
        return {TBytes(FBody.begin() + 4, split), TBytes(split, FBody.end())};
    }

private:
    std::array<std::uint8_t, kParamBytes> FParams{};
    TBytes FBody;
};

// One input's world: an empty work folder, a scripted platform answering OK/Yes,
// no file faults, and the engine a cancel reaches.
class TSession {
public:
    TSession() : FPlatform(WorkFolder() + "/.trash")
    {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(WorkFolder(), ec))
            std::filesystem::remove_all(entry.path(), ec);
        FileFaults() = TFileFaults{};
        FPlatform.Install();
    }
    ~TSession() { FileFaults() = TFileFaults{}; }

    std::string Write(const std::string& name, const TBytes& bytes)
    {
        const std::string path = WorkFolder() + "/" + name;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        FInputs.push_back({path, bytes});
        return path;
    }

    // The next n questions are declined.
    void Decline(int n)
    {
        for (int i = 0; i < n; ++i)
            FPlatform.QueueAnswer(i % 2 ? TAnswer::No : TAnswer::Cancel);
    }

    // Breaks the current engine off at the n-th pass through the message pump (0: never).
    void CancelAt(long n, TZendra** engine)
    {
        if (n > 0)
            FPlatform.OnProcessMessages([this, n, engine] {
                if (FPlatform.PumpCount() == n && *engine)
                    (*engine)->Cancel();
            });
    }

    // Nothing written may replace, trash or change an input.
    void CheckInputsUntouched() const
    {
        for (const auto& [path, bytes] : FInputs) {
            FUZZ_CHECK(std::find(FPlatform.Recycled().begin(), FPlatform.Recycled().end(), path) ==
                       FPlatform.Recycled().end());
            FUZZ_CHECK(ReadAll(path) == bytes);
        }
    }

    TScriptedPlatform& Platform() { return FPlatform; }

private:
    TScriptedPlatform FPlatform;
    std::vector<std::pair<std::string, TBytes>> FInputs;
};

// The movie opened as a job opens it; a movie refused for its index is opened again with
// the index built from its chunks. Null when it does not open.
std::unique_ptr<TZendra> TryOpen(const std::string& path);

// A fuzzed number folded into [low, high] most of the time, left raw otherwise, so
// both ordinary and absurd arguments are tried.
std::int32_t Fold(std::int32_t raw, std::int32_t low, std::int32_t high, bool keepRaw);

}  // namespace zendra::fuzz
