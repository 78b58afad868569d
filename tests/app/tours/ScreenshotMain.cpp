// The desktop program with the screenshot tour: opens ZENDRA_SCREENSHOT_MOVIE, photographs
// every tab into ZENDRA_SCREENSHOT_DIR and quits.
#include "app/DesktopProgram.h"
#include "app/MainWindow.h"
#include "tests/app/tours/ScreenshotTour.h"

int main(int argc, char** argv)
{
    return zendra::RunDesktopProgram(argc, argv, [](zendra::TForm1& form) {
        zendra::StartScreenshotTour(form, qEnvironmentVariable("ZENDRA_SCREENSHOT_DIR"),
                                    qEnvironmentVariable("ZENDRA_SCREENSHOT_MOVIE"));
    });
}
