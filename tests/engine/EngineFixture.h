// Shared by the engine tests: a temporary folder, a scripted platform, and
// helpers that open built files and patch their bytes.
#pragma once

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/Bytes.h"
#include "engine/Zendra.h"
#include "platform/ScriptedPlatform.h"
#include "tests/testkit/AviBuilder.h"
#include "tests/testkit/Samples.h"

namespace zendra::test {

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Folder = MakeTempDir("zendra-engine");
        Scripted = std::make_unique<TScriptedPlatform>(Folder + "/trash");
        Scripted->Install();
    }
    void TearDown() override
    {
        Scripted.reset();
        std::filesystem::remove_all(Folder);
    }

    std::string PathOf(const std::string& name) const { return Folder + "/" + name; }

    std::string Write(const TAviBuilder& builder, const std::string& name = "movie.avi")
    {
        builder.Write(PathOf(name));
        return PathOf(name);
    }
    std::string Write(const TBytes& bytes, const std::string& name = "movie.avi")
    {
        WriteFileBytes(PathOf(name), bytes);
        return PathOf(name);
    }

    static std::unique_ptr<TZendra> Open(const std::string& path) { return std::make_unique<TZendra>(path); }

    // The message of the error the opening raises; empty when it opens.
    static std::string OpenError(const std::string& path)
    {
        try {
            TZendra movie(path);
        } catch (const EZendraError& e) {
            return e.what();
        }
        return {};
    }

    std::string Folder;
    std::unique_ptr<TScriptedPlatform> Scripted;
};

// The names in a folder, sorted.
inline std::vector<std::string> FolderNames(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Position of the first occurrence of text in bytes; fails the test when absent.
inline std::size_t FindText(const TBytes& bytes, const std::string& text, std::size_t from = 0)
{
    const auto it = std::search(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end(), text.begin(), text.end());
    EXPECT_NE(it, bytes.end()) << text << " not found";
    return static_cast<std::size_t>(it - bytes.begin());
}

inline void Overwrite(TBytes& bytes, std::size_t at, const std::string& text)
{
    std::copy(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

inline void OverwriteU32(TBytes& bytes, std::size_t at, std::uint32_t value)
{
    PutU32(&bytes[at], value);
}

}  // namespace zendra::test
