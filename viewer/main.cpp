// zendra-viewer [FILE]: the AVI structure viewer as a program of its own.
#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

#include "common/Version.h"
#include "platform/QtPlatform.h"
#include "viewer/MainStruct.h"

namespace {

QString FileArgument(const QApplication& app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Shows the headers, index and raw bytes of an AVI file."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("the AVI file to open"), QStringLiteral("[FILE]"));
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    return files.isEmpty() ? QString() : QFileInfo(files.first()).absoluteFilePath();
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("zendra-viewer"));
    app.setApplicationVersion(QStringLiteral(ZENDRA_VERSION_TEXT));
    const QString file = FileArgument(app);

    const zendra::TDesktopSession session;
    zendra::TMainStructForm viewer(nullptr);
    zendra::SetDialogParent(&viewer);
    // Runs the window until it closes; the file loads once it is on screen.
    viewer.ShowStructure(file);
    return 0;
}
