// An AVI's layout read on its own, byte by byte: for outputs whose faults ffmpeg reads past
// (it trusts idx1 and resyncs over stray chunk headers), and for the index order that
// frame numbers count in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zendra::test {

// Empty when the file is sound, else what is wrong: the RIFF and every list fit their
// children exactly; one movi and one idx1; movi holds exactly the chunks idx1 lists, in
// its order, each where its entry points; avih, the video strh and dmlh count its video entries.
std::string LayoutProblem(const std::string& path);

struct TIndexEntry {
    bool Video = false;  // of the video stream, holding a picture
    std::string Id;
    std::uint32_t Length = 0;
};
// The idx1 entries in their order; empty when the file has none.
std::vector<TIndexEntry> IndexEntries(const std::string& path);

}  // namespace zendra::test
