// Real movies made by ffmpeg at test time, and ffmpeg/ffprobe as independent readers.
#pragma once

#include <string>
#include <vector>

namespace zendra::test {

enum class TSample {
    Mpeg4Mp3,    // MPEG-4 Part 2, key frame every 12, MP3 audio, 250 frames
    Mpeg4Pcm,    // MPEG-4 Part 2, PCM audio
    MjpegPcm,    // MJPEG (every frame a key frame), PCM audio
    VideoOnly,   // MPEG-4 Part 2, no audio
    Gop250,      // MPEG-4 Part 2 with MP3, a key frame every 250 frames, 600 frames
    Mpeg4BFrames // MPEG-4 Part 2 with B-frames and MP3
};

// Path of the sample, made on first use in a cache folder shared by the test runs.
std::string SamplePath(TSample sample);
std::vector<TSample> AllSamples();
const char* SampleName(TSample sample);

// Runs a shell command; returns its exit status and fills output with its stdout.
int RunCommand(const std::string& command, std::string* output = nullptr);
std::string ShellQuote(const std::string& text);
bool HaveFfmpeg();

// One hash per video frame as ffmpeg reads the file: decoded pictures, or stored
// packets when decode is false. Empty on failure.
std::vector<std::string> VideoFrameHashes(const std::string& path, bool decode = true);
// The packet's own hash in a framemd5 line, not that of side data the demuxer attached
// to whichever packet it read first (a palette, new extradata).
std::string PacketHashOfFramemd5Line(const std::string& line);
// ffprobe's count of video packets and its frame rate and size; frames -1 on failure.
struct TProbe {
    long Frames = -1;
    double Fps = 0;
    int Width = 0, Height = 0;
    bool Clean = false;  // ffprobe printed nothing on stderr
};
TProbe Probe(const std::string& path);

// What a run of the built zendra-cli gave.
struct TCliRun {
    int Exit = -1;  // -1 when the program did not exit normally (a crash)
    std::string Out;
    std::string Err;
};
// Runs zendra-cli in folder with stdin not a terminal; prefix goes before the program
// (timeout, setpriv). Its stderr passes through a file in folder.
TCliRun RunCli(const std::string& folder, const std::string& arguments, const std::string& prefix = {});

// A fresh, empty folder below the system's temporary folder.
std::string MakeTempDir(const std::string& prefix = "zendra-test");
std::string Md5OfFile(const std::string& path);

}  // namespace zendra::test
