#include "app/DesktopProgram.h"

#include <clocale>

#include <QFileInfo>
#include <QTimer>

#include "app/Application.h"
#include "app/MainWindow.h"
#include "platform/forms/SingleInstance.h"
#include "platform/QtPlatform.h"

namespace zendra {

namespace {

// Files named on the command line (the desktop entry's %f) open as dropped ones do.
void OpenFilesGiven(TForm1& form, const QStringList& arguments)
{
    QStringList files;
    for (const QString& argument : arguments)
        files << QFileInfo(argument).absoluteFilePath();
    if (!files.isEmpty())
        QTimer::singleShot(0, &form, [&form, files] { form.HandleDroppedFiles(files); });
}

}  // namespace

int RunDesktopProgram(int argc, char** argv, const std::function<void(TForm1&)>& started)
{
    TApplication app(argc, argv);
    // The preview's libmpv needs the C number format; Qt took the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    const TDesktopSession session;

    CheckSingleInstance(QStringLiteral("Zendra"));

    TForm1 form;
    SetDialogParent(&form);
    app.SetErrorCleanup([&form] { form.RecoverFromError(); });
    QObject::connect(InstanceGuard(), &TInstanceGuard::WakeUpRequested, &form, &TForm1::WakeUp);
    form.show();
    OpenFilesGiven(form, app.arguments().mid(1));

    if (started)
        started(form);
    app.exec();
    return 0;
}

}  // namespace zendra
