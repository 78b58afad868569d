// zendra-compare [A B]: the binary file compare as a program of its own.
#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include "common/Version.h"
#include "compare/BinaryCompare.h"
#include "platform/QtPlatform.h"

namespace {

QStringList FileArguments(const QApplication& app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Compares two files block by block."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("A"), QStringLiteral("the first file"), QStringLiteral("[A"));
    parser.addPositionalArgument(QStringLiteral("B"), QStringLiteral("the second file"), QStringLiteral("B]"));
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    if (files.size() == 1 || files.size() > 2)
        parser.showHelp(2);
    QStringList absolute;
    for (const QString& file : files)
        absolute << QFileInfo(file).absoluteFilePath();
    return absolute;
}

// Fills the two file fields as their Select buttons would; Compare is offered when both
// name files.
void PresetFiles(zendra::TBinaryCompare& window, const QStringList& files)
{
    if (files.size() != 2)
        return;
    window.findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(files[0]);
    window.findChild<QLineEdit*>(QStringLiteral("Edit2"))->setText(files[1]);
    const bool bothFiles = QFileInfo(files[0]).isFile() && QFileInfo(files[1]).isFile();
    window.findChild<QPushButton*>(QStringLiteral("sbCompare"))->setEnabled(bothFiles);
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("zendra-compare"));
    app.setApplicationVersion(QStringLiteral(ZENDRA_VERSION_TEXT));
    const QStringList files = FileArguments(app);

    const zendra::TDesktopSession session;
    zendra::TBinaryCompare window(nullptr);
    zendra::SetDialogParent(&window);
    PresetFiles(window, files);
    window.exec();
    return 0;
}
