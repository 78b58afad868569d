// OpenDML movies of several GiB that take almost no disk: each picture's chunk holds its
// number in its first bytes and a hole after them.
#pragma once

#include <cstdint>
#include <string>

namespace zendra::test {

struct TSparseMovie {
    std::uint32_t Frames = 1300;
    std::uint32_t FrameSize = 4u << 20;  // bytes of each picture's chunk
    std::uint32_t Gop = 10;              // a key frame every Gop pictures
    std::uint32_t FramesPerRiff = 200;
};

// A picture stream of an unknown coding and a PCM sound stream (a 64-byte chunk after each
// picture), in a RIFF AVI with idx1 and RIFF AVIX chunks, each with a standard index per
// stream, named by a super index per stream. False when the file can not be written.
bool WriteSparseMovie(const std::string& path, const TSparseMovie& movie);

}  // namespace zendra::test
