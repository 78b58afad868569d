#include "app/Application.h"

#include <exception>

#include "common/Version.h"
#include "platform/Platform.h"

namespace zendra {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Zendra"));
    // No display name: the window system would append it to every title.
    setApplicationDisplayName(QString());
    setApplicationVersion(QStringLiteral(ZENDRA_VERSION_TEXT));
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        HandleException(QString::fromUtf8(error.what()));
    } catch (...) {
        HandleException(QStringLiteral("Unknown error"));
    }
    return false;
}

void TApplication::HandleException(const QString& message)
{
    if (FCleanup)
        FCleanup();
    ShowMessage(message.toStdString());
}

}  // namespace zendra
