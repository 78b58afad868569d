// What the engine needs to know of a video coding without decoding it.
#pragma once

#include <cstdint>

namespace zendra {

// True for codings in which every frame is a picture of its own (MJPEG, DV, uncompressed,
// lossless intra codecs). Their key frames need no flag in the index: some muxers set none.
// Decided from the stream header's handler and the format's compression code.
bool IsIntraOnlyCoding(std::uint32_t handler, std::uint32_t compression);

// How the key frames of a coding can be told from its data, when the index does not say.
// H.264 comes with start codes, or (with an avcC record in its format) with each NAL unit
// behind its 4-byte length, as MP4 files hold it.
enum class TKeyFrameCoding { IntraOnly, Mpeg4Part2, H264, H264LengthPrefixed, Unknown };
TKeyFrameCoding KeyFrameCodingOf(std::uint32_t handler, std::uint32_t compression);

}  // namespace zendra
