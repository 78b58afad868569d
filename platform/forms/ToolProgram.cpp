#include "platform/forms/ToolProgram.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <algorithm>

#include "common/Version.h"

namespace zendra {

TToolProgram::TToolProgram(int& argc, char** argv, const char* name) : FApplication(argc, argv)
{
    FApplication.setApplicationName(QString::fromUtf8(name));
    FApplication.setApplicationVersion(QStringLiteral(ZENDRA_VERSION_TEXT));
}

QStringList TToolProgram::FileArguments(const char* description, std::initializer_list<TFileArgument> arguments,
                                        std::initializer_list<int> refused)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(description));
    parser.addHelpOption();
    parser.addVersionOption();
    for (const TFileArgument& argument : arguments)
        parser.addPositionalArgument(QString::fromUtf8(argument.Name), QString::fromUtf8(argument.Description),
                                     QString::fromUtf8(argument.Syntax));
    parser.process(FApplication);
    const QStringList files = parser.positionalArguments();
    const int count = static_cast<int>(files.size());
    if (count > static_cast<int>(arguments.size()) || std::find(refused.begin(), refused.end(), count) != refused.end())
        parser.showHelp(2);
    QStringList absolute;
    for (const QString& file : files)
        absolute << QFileInfo(file).absoluteFilePath();
    return absolute;
}

}  // namespace zendra
