#include "tests/fuzz/harness/FuzzKit.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace zendra::fuzz {

void CheckFailed(const char* what, const char* file, int line)
{
    const char* name = std::strrchr(file, '/');
    std::fprintf(stderr, "fuzz check failed (%s:%d): %s\n", name ? name + 1 : file, line, what);
    std::abort();
}

TBytes ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return TBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::unique_ptr<TZendra> TryOpen(const std::string& path)
{
    for (const TIndexRebuild policy : {TIndexRebuild::Refuse, TIndexRebuild::Rebuild}) {
        try {
            auto movie = std::make_unique<TZendra>(path, TZendra::TProgressEvent{}, policy);
            if (movie->IsOpen())
                return movie;
            return nullptr;
        } catch (const EZendraError&) {
        }
    }
    return nullptr;
}

std::int32_t Fold(std::int32_t raw, std::int32_t low, std::int32_t high, bool keepRaw)
{
    if (keepRaw || high < low)
        return raw;
    const auto span = static_cast<std::uint32_t>(high - low) + 1;
    return low + static_cast<std::int32_t>(static_cast<std::uint32_t>(raw) % span);
}

}  // namespace zendra::fuzz
