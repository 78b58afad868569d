// Shared pieces of the GUI tests: waiting on the event loop, decoded reference frames.
#pragma once

#include "tests/testkit/EventWait.h"

#include <QImage>
#include <QString>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace zendra::test {

// Every video frame of path as ffmpeg decodes it, RGB 8-bit each.
std::vector<QImage> DecodeAllFrames(const std::string& path, int width, int height);

// Mean absolute difference per channel of two pictures of the same size.
double MeanDifference(const QImage& a, const QImage& b);

// For each index frame, the decoded picture the player shows there: a zero-size
// chunk (a repeated frame) shows the next real one, and ffmpeg's decode skips it.
std::vector<int> PictureOfIndexFrame(const std::string& path);

// Index of the reference frame nearest to the picture (within 3 of around), and its distance.
std::pair<int, double> Nearest(const QImage& picture, const std::vector<QImage>& reference, int around);

}  // namespace zendra::test
