// Small movies written by AVI muxers other than ffmpeg's, made at test time, and the
// ffprobe readings the muxer checks need.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zendra::test {

enum class TMuxer {
    Ffmpeg,        // ffmpeg's own: MPEG-4 and MP3, the layout every check is known to pass on
    MencoderLavc,  // mencoder's own encoders: MPEG-4 and MP3
    MencoderCopy,  // mencoder -ovc copy -oac copy of MPEG-4 with extradata and MP3
    MencoderPcm,   // mencoder: MPEG-4 and PCM
    GstMpeg4,      // GStreamer avimux: MPEG-4 and MP3
    GstJpeg,       // GStreamer avimux: JPEG and PCM
    GstX264,       // GStreamer avimux: H.264 with B-frames and MP3
    OpenCvMjpeg,   // OpenCV's own MJPEG writer, video only
    VlcMpeg4,      // VLC's avi mux, stream copy of MPEG-4 and MP3
    VlcH264Pcm,    // VLC's avi mux, stream copy of H.264 and PCM
    DvgrabType1,   // dvgrab -f dv1: one interleaved DV stream
    DvgrabType2,   // dvgrab -f dv2: DV video and PCM streams
    DvgrabOpenDml, // dvgrab -f dv2 -opendml: the same with indx and ix## below 1 GiB
    Mjpegtools     // yuv2lav and lavaddwav: MJPEG and PCM
};

struct TMuxerFile {
    std::string Path;      // empty when the file could not be made
    std::string Reason;    // why not
    bool Missing = false;  // the muxer is not installed (as opposed to installed but failing)
};

// The movie of that muxer, made on first use in a cache folder shared by the test runs.
TMuxerFile MuxerFile(TMuxer muxer);
std::vector<TMuxer> AllMuxers();
const char* MuxerName(TMuxer muxer);

// For each video packet ffprobe reads, whether it is a key frame.
std::vector<bool> VideoKeyFlags(const std::string& path);

// One hash per stored packet of the file's audio streams; nothing when ffmpeg fails,
// an empty list when the file has no audio.
std::optional<std::vector<std::string>> AudioPacketHashes(const std::string& path);

// ffprobe's error lines for the file (empty when it reads it cleanly).
std::string ProbeErrors(const std::string& path);

}  // namespace zendra::test
