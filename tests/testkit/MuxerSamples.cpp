#include "tests/testkit/MuxerSamples.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <sys/file.h>
#include <unistd.h>

#include "tests/testkit/Samples.h"

namespace fs = std::filesystem;

namespace zendra::test {

namespace {

struct TMuxerRecipe {
    TMuxer Muxer;
    const char* Name;
    const char* Needs;    // shell test that the muxer is installed
    const char* Missing;  // what to say when it is not
    const char* Script;   // run in an empty folder; leaves out.avi there
};

#define FFMPEG "ffmpeg -nostdin -v error -y "
#define TESTSRC "-f lavfi -i testsrc=size=320x240:rate=25:duration=4 "
#define SINE "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=4 "
// MPEG-4 with its headers as extradata, as a stream-copying muxer meets it in the wild.
#define MKV_MPEG4_MP3 FFMPEG TESTSRC SINE "-c:v mpeg4 -flags +global_header -g 12 -q:v 4 -c:a libmp3lame -b:a 64k in.mkv && "
#define MENCODER_LAVC "-ovc lavc -lavcopts vcodec=mpeg4:keyint=12:vqscale=5 "
#define GST_VIDEO "gst-launch-1.0 -q videotestsrc num-buffers=100 ! video/x-raw,width=320,height=240,framerate=25/1 ! "
#define GST_MP3 \
    "audiotestsrc num-buffers=172 samplesperbuffer=1024 ! audio/x-raw,rate=44100,channels=1 ! " \
    "lamemp3enc target=bitrate bitrate=64 cbr=true ! mpegaudioparse ! mux."
#define GST_NEEDS(elements) \
    "command -v gst-launch-1.0 && for e in avimux " elements "; do gst-inspect-1.0 $e || exit 1; done"
// VLC refuses to run as root; nobody must be able to write the folder. Its interleave
// follows the machine's timing (a whole second of sound may come first): key frames every
// 12 frames keep a three-part split in more than one part however it comes out.
#define VLC_COPY                                                                                  \
    "chmod 0777 . && setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=\"$PWD\" "      \
    "cvlc -q --no-interact in.mkv --sout '#std{access=file,mux=avi,dst=out.avi}' vlc://quit && " \
    "test -s out.avi"
#define RAW_DV                                                                                  \
    FFMPEG "-f lavfi -i testsrc=size=720x576:rate=25:duration=3 "                               \
           "-f lavfi -i sine=sample_rate=48000:duration=3 -c:v dvvideo -pix_fmt yuv420p "       \
           "-c:a pcm_s16le -ac 2 -shortest -f dv in.dv && "
// dvgrab now and then hangs at start ("no DV") and never ends: each try gets a time limit.
#define DVGRAB(type)                                                                             \
    "for try in 1 2 3 4 5; do rm -f grab_*.avi; timeout 30 dvgrab -f " type                       \
    " -I in.dv -noavc -nostop grab_ && test -s grab_001.avi && break; done && mv grab_001.avi out.avi"

// The system's python3: the one python3-opencv installs into, whatever else is on PATH.
const char kOpenCvScript[] =
    "/usr/bin/python3 -c \"import cv2, numpy, sys\n"
    "out = cv2.VideoWriter('out.avi', cv2.CAP_OPENCV_MJPEG, cv2.VideoWriter_fourcc(*'MJPG'), 25.0, (320, 240))\n"
    "if not out.isOpened(): sys.exit('OpenCV could not open its MJPEG writer')\n"
    "for i in range(100):\n"
    "    frame = numpy.zeros((240, 320, 3), numpy.uint8)\n"
    "    frame[:, :, 1] = 2 * i\n"
    "    cv2.putText(frame, str(i), (40, 160), cv2.FONT_HERSHEY_SIMPLEX, 4, (255, 255, 255), 8)\n"
    "    out.write(frame)\n"
    "out.release()\"";

const TMuxerRecipe kMuxerRecipes[] = {
    {TMuxer::Ffmpeg, "ffmpeg", "command -v ffmpeg", "ffmpeg is not installed",
     FFMPEG TESTSRC SINE "-c:v mpeg4 -g 12 -q:v 4 -c:a libmp3lame -b:a 64k out.avi"},
    {TMuxer::MencoderLavc, "mencoder-lavc", "command -v mencoder", "mencoder is not installed",
     MKV_MPEG4_MP3 "mencoder -really-quiet in.mkv " MENCODER_LAVC "-oac mp3lame -lameopts cbr:br=64 -o out.avi"},
    {TMuxer::MencoderCopy, "mencoder-copy", "command -v mencoder", "mencoder is not installed",
     MKV_MPEG4_MP3 "mencoder -really-quiet in.mkv -ovc copy -oac copy -o out.avi"},
    {TMuxer::MencoderPcm, "mencoder-pcm", "command -v mencoder", "mencoder is not installed",
     MKV_MPEG4_MP3 "mencoder -really-quiet in.mkv " MENCODER_LAVC "-oac pcm -o out.avi"},
    {TMuxer::GstMpeg4, "gstreamer-mpeg4", GST_NEEDS("avenc_mpeg4 lamemp3enc mpegaudioparse"),
     "GStreamer (gst-launch-1.0 with avimux, avenc_mpeg4, lamemp3enc, mpegaudioparse) is not installed",
     GST_VIDEO "avenc_mpeg4 gop-size=12 max-bframes=0 ! avimux name=mux ! filesink location=out.avi " GST_MP3},
    {TMuxer::GstJpeg, "gstreamer-jpeg", GST_NEEDS("jpegenc"),
     "GStreamer (gst-launch-1.0 with avimux, jpegenc) is not installed",
     GST_VIDEO "jpegenc quality=60 ! avimux name=mux ! filesink location=out.avi "
               "audiotestsrc num-buffers=100 samplesperbuffer=882 ! "
               "audio/x-raw,format=S16LE,rate=22050,channels=1 ! mux."},
    {TMuxer::GstX264, "gstreamer-x264", GST_NEEDS("x264enc lamemp3enc mpegaudioparse"),
     "GStreamer (gst-launch-1.0 with avimux, x264enc, lamemp3enc, mpegaudioparse) is not installed",
     GST_VIDEO "x264enc key-int-max=30 bframes=2 ! avimux name=mux ! filesink location=out.avi " GST_MP3},
    {TMuxer::OpenCvMjpeg, "opencv-mjpeg", "/usr/bin/python3 -c 'import cv2'", "python3-opencv is not installed",
     kOpenCvScript},
    {TMuxer::VlcMpeg4, "vlc-mpeg4", "command -v cvlc && command -v setpriv", "VLC (cvlc) is not installed",
     MKV_MPEG4_MP3 VLC_COPY},
    {TMuxer::VlcH264Pcm, "vlc-h264-pcm", "command -v cvlc && command -v setpriv", "VLC (cvlc) is not installed",
     FFMPEG TESTSRC SINE "-c:v libx264 -g 12 -bf 2 -c:a pcm_s16le in.mkv && " VLC_COPY},
    {TMuxer::DvgrabType1, "dvgrab-type1", "command -v dvgrab", "dvgrab is not installed", RAW_DV DVGRAB("dv1")},
    {TMuxer::DvgrabType2, "dvgrab-type2", "command -v dvgrab", "dvgrab is not installed", RAW_DV DVGRAB("dv2")},
    {TMuxer::DvgrabOpenDml, "dvgrab-opendml", "command -v dvgrab", "dvgrab is not installed",
     RAW_DV DVGRAB("dv2 -opendml")},
    {TMuxer::Mjpegtools, "mjpegtools", "command -v yuv2lav && command -v lavaddwav", "mjpegtools is not installed",
     FFMPEG TESTSRC "-pix_fmt yuv420p -f yuv4mpegpipe in.y4m && " FFMPEG SINE "-ac 2 -fflags +bitexact -map_metadata -1 in.wav && "
     "yuv2lav -v 0 -f a -q 80 -o video.avi < in.y4m && lavaddwav video.avi in.wav out.avi"},
};

const TMuxerRecipe& RecipeFor(TMuxer muxer)
{
    for (const auto& r : kMuxerRecipes)
        if (r.Muxer == muxer)
            return r;
    throw std::logic_error("no muxer recipe");
}

fs::path CacheFolder()
{
    const fs::path folder = fs::temp_directory_path() / ("zendra-samples-" + std::to_string(getuid())) / "muxers";
    fs::create_directories(folder);
    return folder;
}

// A changed recipe gets a file of its own instead of an old cached one.
fs::path CachePath(const TMuxerRecipe& recipe)
{
    std::ostringstream name;
    name << recipe.Name << '-' << std::hex << (std::hash<std::string>{}(recipe.Script) & 0xffffff) << ".avi";
    return CacheFolder() / name.str();
}

// Parallel test processes wait for the one that makes the file instead of making it too.
class TFileLock {
public:
    explicit TFileLock(const fs::path& path) : Fd(::open(path.c_str(), O_CREAT | O_RDWR, 0644))
    {
        if (Fd >= 0)
            ::flock(Fd, LOCK_EX);
    }
    ~TFileLock()
    {
        if (Fd >= 0)
            ::close(Fd);
    }
    TFileLock(const TFileLock&) = delete;
    TFileLock& operator=(const TFileLock&) = delete;

private:
    int Fd;
};

std::string LastLines(const std::string& text, std::size_t count)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    std::string tail;
    for (std::size_t i = lines.size() > count ? lines.size() - count : 0; i < lines.size(); ++i)
        tail += lines[i] + (i + 1 < lines.size() ? " | " : "");
    return tail;
}

TMuxerFile MakeMuxerFile(const TMuxerRecipe& recipe, const fs::path& path)
{
    TMuxerFile file;
    const fs::path work = MakeTempDir(std::string("zendra-mux-") + recipe.Name);
    std::string log;
    // A muxer that hangs makes a reason to skip, not a test that runs into its time limit.
    const int status = RunCommand("cd " + ShellQuote(work.string()) + " && timeout 300 bash -c " +
                                      ShellQuote(recipe.Script) + " </dev/null 2>&1",
                                  &log);
    std::error_code error;
    if (status != 0 || fs::file_size(work / "out.avi", error) == 0 || error) {
        file.Reason = std::string(recipe.Name) + " could not be made (exit " + std::to_string(status) +
                      "): " + LastLines(log, 5);
    } else {
        fs::rename(work / "out.avi", path, error);
        if (error)
            fs::copy_file(work / "out.avi", path, fs::copy_options::overwrite_existing, error);
        if (error)
            file.Reason = "could not keep " + path.string() + ": " + error.message();
        else
            file.Path = path.string();
    }
    fs::remove_all(work, error);
    return file;
}

}  // namespace

std::vector<TMuxer> AllMuxers()
{
    std::vector<TMuxer> all;
    for (const auto& r : kMuxerRecipes)
        all.push_back(r.Muxer);
    return all;
}

const char* MuxerName(TMuxer muxer)
{
    return RecipeFor(muxer).Name;
}

TMuxerFile MuxerFile(TMuxer muxer)
{
    const TMuxerRecipe& recipe = RecipeFor(muxer);
    const fs::path path = CachePath(recipe);
    TMuxerFile file;
    // A file made before serves even when its muxer has gone since; asking is slow for some.
    if (fs::exists(path)) {
        file.Path = path.string();
        return file;
    }
    if (!HaveFfmpeg() || RunCommand("{ " + std::string(recipe.Needs) + " ; } >/dev/null 2>&1") != 0) {
        file.Missing = true;
        file.Reason = HaveFfmpeg() ? recipe.Missing : "ffmpeg is not installed";
        return file;
    }
    TFileLock lock(path.string() + ".lock");
    if (fs::exists(path)) {
        file.Path = path.string();
        return file;
    }
    return MakeMuxerFile(recipe, path);
}

std::vector<bool> VideoKeyFlags(const std::string& path)
{
    std::string text;
    if (RunCommand("ffprobe -v error -select_streams v:0 -show_entries packet=flags -of csv=p=0 " + ShellQuote(path) +
                       " 2>/dev/null",
                   &text) != 0)
        return {};
    std::vector<bool> keys;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty())  // a blank line follows a packet's side data
            keys.push_back(line[0] == 'K');
    return keys;
}

std::optional<std::vector<std::string>> AudioPacketHashes(const std::string& path)
{
    std::string streams;
    if (RunCommand("ffprobe -v error -select_streams a -show_entries stream=index -of csv=p=0 " + ShellQuote(path) +
                       " 2>/dev/null",
                   &streams) != 0)
        return std::nullopt;
    if (streams.find_first_not_of(" \n") == std::string::npos)
        return std::vector<std::string>{};
    std::string text;
    if (RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(path) + " -map 0:a -c copy -f framemd5 - 2>/dev/null",
                   &text) != 0)
        return std::nullopt;
    std::vector<std::string> hashes;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        // The stream number stays with the hash: two audio streams must not trade packets.
        hashes.push_back(line.substr(0, line.find(',')) + ":" + PacketHashOfFramemd5Line(line));
    }
    return hashes;
}

std::string ProbeErrors(const std::string& path)
{
    std::string text;
    RunCommand("ffprobe -v error -count_packets -show_entries stream=nb_read_packets " + ShellQuote(path) +
                   " 2>&1 >/dev/null | head -n 3",
               &text);
    return text;
}

}  // namespace zendra::test
