// OpenDML movies made from a builder's streams and chunks, for tests of big-movie layouts
// at a few kilobytes.
#pragma once

#include <cstddef>

#include "tests/testkit/AviBuilder.h"

namespace zendra::test {

struct TOpenDmlOptions {
    std::size_t ChunksPerRiff = 20;
    bool SuffixIds = false;    // "00ix" rather than "ix00"
    bool LegacyIndex = true;   // idx1 over the first RIFF's chunks
};

// The first ChunksPerRiff chunks stand in the RIFF AVI, each further run in a RIFF AVIX;
// every RIFF's movi list ends with one standard index per stream, and each stream list
// holds an indx naming them. The main header counts every frame.
TBytes BuildOpenDml(TAviBuilder builder, const TOpenDmlOptions& options = {});

}  // namespace zendra::test
