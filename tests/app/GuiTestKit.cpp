#include "tests/app/GuiTestKit.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "engine/Zendra.h"
#include "tests/testkit/Samples.h"

namespace zendra::test {

std::vector<QImage> DecodeAllFrames(const std::string& path, int width, int height)
{
    const std::string command = "ffmpeg -nostdin -v error -i " + ShellQuote(path) +
                                " -map 0:v:0 -vsync passthrough -f rawvideo -pix_fmt rgb24 - 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    std::vector<QImage> frames;
    if (!pipe)
        return frames;
    const std::size_t frameBytes = static_cast<std::size_t>(width) * height * 3;
    std::vector<unsigned char> buffer(frameBytes);
    while (fread(buffer.data(), 1, frameBytes, pipe) == frameBytes) {
        QImage frame(width, height, QImage::Format_RGB888);
        for (int y = 0; y < height; ++y)
            memcpy(frame.scanLine(y), buffer.data() + static_cast<std::size_t>(y) * width * 3,
                   static_cast<std::size_t>(width) * 3);
        frames.push_back(frame);
    }
    pclose(pipe);
    return frames;
}

double MeanDifference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB888);
    const QImage y = b.convertToFormat(QImage::Format_RGB888);
    if (x.size() != y.size() || x.isNull())
        return 1e9;
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const uchar* p = x.constScanLine(row);
        const uchar* q = y.constScanLine(row);
        for (int i = 0; i < x.width() * 3; ++i)
            sum += std::abs(int(p[i]) - int(q[i]));
    }
    return sum / (double(x.width()) * x.height() * 3);
}

std::vector<int> PictureOfIndexFrame(const std::string& path)
{
    std::vector<int> pictures;
    int real = 0;
    for (const IndexEntry& entry : TZendra(path).Index) {
        if (!IsVideoEntry(entry))
            continue;
        pictures.push_back(real);
        real += entry.Length > 0;
    }
    return pictures;
}

std::pair<int, double> Nearest(const QImage& picture, const std::vector<QImage>& reference, int around)
{
    int best = -1;
    double bestDifference = 1e18;
    for (int n = std::max(0, around - 3); n <= std::min<int>(reference.size() - 1, around + 3); ++n) {
        const double difference = MeanDifference(picture, reference[static_cast<std::size_t>(n)]);
        if (difference < bestDifference) {
            bestDifference = difference;
            best = n;
        }
    }
    return {best, bestDifference};
}

}  // namespace zendra::test
