// The bodies of the fuzz targets, kept apart from libFuzzer's entry point so the
// regression replay (built with any compiler) runs exactly the code the fuzzers ran.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zendra::fuzz {

// Every input starts with kParamBytes of parameters (frames, modes, answers); the
// rest is the file, or two files behind a 4-byte length of the first.
constexpr std::size_t kParamBytes = 16;

using TFuzzBody = int (*)(const std::uint8_t* data, std::size_t size);

struct TFuzzTarget {
    const char* Name;  // also the folder of its seeds and regression inputs
    TFuzzBody Run;
};

// Opens the file with TZendra and runs the planning operations on it.
int OpenAndPlan(const std::uint8_t* data, std::size_t size);
// SaveToFile, clip, split and join of the file (and a second one) through the engine
// and the jobs core, under cancels and write budgets taken from the parameters.
int SaveAndJoin(const std::uint8_t* data, std::size_t size);
// The structure viewer's walk, frame lines and raw page reads.
int ViewerWalk(const std::uint8_t* data, std::size_t size);
// The binary compare of two files and its texts.
int CompareTwo(const std::uint8_t* data, std::size_t size);
// zendra-cli's sub-commands on fuzzed arguments (and a fuzzed movie m.avi), and its
// frame and time parser.
int CommandLine(const std::uint8_t* data, std::size_t size);
// The project-file reader over a whole file (the input, without parameters).
int ProjectRead(const std::uint8_t* data, std::size_t size);

const std::vector<TFuzzTarget>& Targets();

// A fresh private folder for the files of this process (made once, emptied per input).
const std::string& WorkFolder();

}  // namespace zendra::fuzz
