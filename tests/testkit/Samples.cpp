#include "tests/testkit/Samples.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace zendra::test {

namespace {

struct TRecipe {
    TSample Sample;
    const char* Name;
    const char* Arguments;
};

// Small movies: quick to make, still with a few hundred index entries.
const TRecipe kRecipes[] = {
    {TSample::Mpeg4Mp3, "mpeg4-mp3",
     "-f lavfi -i testsrc=size=160x120:rate=25:duration=10 -f lavfi -i sine=frequency=440:sample_rate=44100:duration=10 "
     "-c:v mpeg4 -g 12 -q:v 4 -c:a libmp3lame -b:a 64k"},
    {TSample::Mpeg4Pcm, "mpeg4-pcm",
     "-f lavfi -i testsrc=size=160x120:rate=25:duration=8 -f lavfi -i sine=frequency=330:sample_rate=22050:duration=8 "
     "-c:v mpeg4 -g 12 -q:v 4 -c:a pcm_s16le"},
    {TSample::MjpegPcm, "mjpeg-pcm",
     "-f lavfi -i testsrc=size=160x120:rate=25:duration=6 -f lavfi -i sine=frequency=550:sample_rate=11025:duration=6 "
     "-c:v mjpeg -q:v 5 -c:a pcm_u8"},
    {TSample::VideoOnly, "video-only",
     "-f lavfi -i testsrc=size=160x120:rate=25:duration=8 -c:v mpeg4 -g 12 -q:v 4"},
    {TSample::Gop250, "gop250",
     "-f lavfi -i testsrc=size=160x120:rate=25:duration=24 -f lavfi -i sine=frequency=440:sample_rate=44100:duration=24 "
     "-c:v mpeg4 -g 250 -q:v 6 -c:a libmp3lame -b:a 64k"},
    {TSample::Mpeg4BFrames, "mpeg4-bframes",
     "-f lavfi -i testsrc=size=160x120:rate=25:duration=8 -f lavfi -i sine=frequency=440:sample_rate=44100:duration=8 "
     "-c:v mpeg4 -g 12 -bf 2 -q:v 4 -c:a libmp3lame -b:a 64k"},
};

const TRecipe& RecipeFor(TSample sample)
{
    for (const auto& r : kRecipes)
        if (r.Sample == sample)
            return r;
    throw std::logic_error("no recipe");
}

std::string CacheFolder()
{
    const fs::path folder = fs::temp_directory_path() / ("zendra-samples-" + std::to_string(getuid()));
    fs::create_directories(folder);
    return folder.string();
}

}  // namespace

std::string ShellQuote(const std::string& text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

int RunCommand(const std::string& command, std::string* output)
{
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    std::array<char, 4096> buffer{};
    std::string text;
    std::size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        text.append(buffer.data(), n);
    const int status = pclose(pipe);
    if (output)
        *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HaveFfmpeg()
{
    static const bool have = RunCommand("ffmpeg -version >/dev/null 2>&1") == 0 &&
                             RunCommand("ffprobe -version >/dev/null 2>&1") == 0;
    return have;
}

const char* SampleName(TSample sample)
{
    return RecipeFor(sample).Name;
}

std::vector<TSample> AllSamples()
{
    std::vector<TSample> all;
    for (const auto& r : kRecipes)
        all.push_back(r.Sample);
    return all;
}

std::string SamplePath(TSample sample)
{
    const TRecipe& recipe = RecipeFor(sample);
    const fs::path path = fs::path(CacheFolder()) / (std::string(recipe.Name) + ".avi");
    if (fs::exists(path))
        return path.string();
    // Made under a temporary name and renamed, so parallel test runs never see half a file.
    const fs::path part = path.string() + "." + std::to_string(getpid()) + ".tmp.avi";
    const std::string command = "ffmpeg -nostdin -v error -y " + std::string(recipe.Arguments) +
                                " -fflags +bitexact -f avi " + ShellQuote(part.string()) + " 2>&1";
    std::string log;
    if (RunCommand(command, &log) != 0)
        throw std::runtime_error("ffmpeg could not make " + std::string(recipe.Name) + ": " + log);
    fs::rename(part, path);
    return path.string();
}

TCliRun RunCli(const std::string& folder, const std::string& arguments, const std::string& prefix)
{
    const std::string errFile = folder + "/stderr.txt";
    TCliRun run;
    run.Exit = RunCommand("cd " + ShellQuote(folder) + " && " + prefix + ShellQuote(ZENDRA_CLI_PATH) + " " + arguments +
                              " </dev/null 2>" + ShellQuote(errFile),
                          &run.Out);
    std::ifstream in(errFile);
    std::stringstream text;
    text << in.rdbuf();
    run.Err = text.str();
    return run;
}

std::string PacketHashOfFramemd5Line(const std::string& line)
{
    std::size_t at = 0;
    for (int field = 0; field < 5 && at != std::string::npos; ++field)
        at = line.find(',', at + (field > 0));
    if (at == std::string::npos)
        return line;
    const std::size_t begin = line.find_first_not_of(' ', at + 1);
    const std::size_t end = line.find(',', begin);
    return line.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

std::vector<std::string> VideoFrameHashes(const std::string& path, bool decode)
{
    const std::string command = "ffmpeg -nostdin -v error -i " + ShellQuote(path) + " -map 0:v:0 " +
                                (decode ? "" : "-c copy ") + "-f framemd5 - 2>/dev/null";
    std::string text;
    if (RunCommand(command, &text) != 0)
        return {};
    std::vector<std::string> hashes;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        hashes.push_back(PacketHashOfFramemd5Line(line));
    }
    return hashes;
}

TProbe Probe(const std::string& path)
{
    TProbe probe;
    std::string text;
    const std::string command =
        "ffprobe -v error -count_packets -select_streams v:0 -show_entries "
        "stream=nb_read_packets,r_frame_rate,width,height -of default=noprint_wrappers=1 " +
        ShellQuote(path) + " 2>" + ShellQuote(path + ".probe-err");
    if (RunCommand(command, &text) != 0)
        return probe;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        if (key == "nb_read_packets")
            probe.Frames = std::stol(value);
        else if (key == "width")
            probe.Width = std::stoi(value);
        else if (key == "height")
            probe.Height = std::stoi(value);
        else if (key == "r_frame_rate") {
            const auto slash = value.find('/');
            const double num = std::stod(value.substr(0, slash));
            const double den = slash == std::string::npos ? 1 : std::stod(value.substr(slash + 1));
            probe.Fps = den != 0 ? num / den : 0;
        }
    }
    std::error_code ec;
    probe.Clean = fs::file_size(path + ".probe-err", ec) == 0;
    fs::remove(path + ".probe-err", ec);
    return probe;
}

std::string MakeTempDir(const std::string& prefix)
{
    std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    return pattern;
}

std::string Md5OfFile(const std::string& path)
{
    std::string text;
    RunCommand("md5sum " + ShellQuote(path), &text);
    return text.substr(0, text.find(' '));
}

}  // namespace zendra::test
