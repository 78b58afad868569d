// For documentation: opens a movie, photographs every tab at the default and at the
// minimum size, then quits. Started by ZENDRA_SCREENSHOT_DIR and ZENDRA_SCREENSHOT_MOVIE.
#pragma once

#include <QString>

namespace zendra {

class TForm1;

void StartScreenshotTour(TForm1& form, const QString& folder, const QString& movie);

}  // namespace zendra
