#include <clocale>

#include <QFileInfo>
#include <QTimer>

#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/ScreenshotTour.h"
#include "common/SingleInstance.h"
#include "platform/QtPlatform.h"

namespace {

// Files named on the command line (the desktop entry's %f) open as dropped ones do.
void OpenFilesGiven(zendra::TForm1& form, const QStringList& arguments)
{
    QStringList files;
    for (const QString& argument : arguments)
        files << QFileInfo(argument).absoluteFilePath();
    if (!files.isEmpty())
        QTimer::singleShot(0, &form, [&form, files] { form.HandleDroppedFiles(files); });
}

}  // namespace

int main(int argc, char** argv)
{
    zendra::TApplication app(argc, argv);
    // The preview's libmpv needs the C number format; Qt took the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    zendra::TQtPlatform platform;
    zendra::SetPlatform(&platform);
    zendra::TQtDialogs dialogs;
    zendra::SetDialogs(&dialogs);

    zendra::CheckSingleInstance(QStringLiteral("Zendra"));

    zendra::TForm1 form;
    zendra::SetDialogParent(&form);
    app.SetErrorCleanup([&form] { form.RecoverFromError(); });
    QObject::connect(zendra::InstanceGuard(), &zendra::TInstanceGuard::WakeUpRequested, &form,
                     &zendra::TForm1::WakeUp);
    form.show();
    OpenFilesGiven(form, app.arguments().mid(1));

    const QString screenshots = qEnvironmentVariable("ZENDRA_SCREENSHOT_DIR");
    if (!screenshots.isEmpty())
        zendra::StartScreenshotTour(form, screenshots, qEnvironmentVariable("ZENDRA_SCREENSHOT_MOVIE"));
    app.exec();
    zendra::SetPlatform(nullptr);
    zendra::SetDialogs(nullptr);
    return 0;
}
