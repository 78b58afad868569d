// The one main of every test program that needs a Qt application object: GoogleTest on
// the offscreen platform, with the C number format the preview's libmpv needs. The desktop
// program's suites get its own application class, whose error handler they test.
#include <gtest/gtest.h>

#include <clocale>

#ifdef ZENDRA_TEST_DESKTOP_APPLICATION
#include "app/Application.h"
using TTestApplication = zendra::TApplication;
#else
#include <QApplication>
using TTestApplication = QApplication;
#endif

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    TTestApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    return RUN_ALL_TESTS();
}
