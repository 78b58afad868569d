// zendra-compare [A B]: the binary file compare as a program of its own.
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include "compare/BinaryCompare.h"
#include "platform/forms/ToolProgram.h"

namespace {

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
    zendra::TToolProgram program(argc, argv, "zendra-compare");
    const QStringList files = program.FileArguments(
        "Compares two files block by block.",
        {{"A", "the first file", "[A"}, {"B", "the second file", "B]"}}, {1});
    zendra::TBinaryCompare window(nullptr);
    zendra::SetDialogParent(&window);
    PresetFiles(window, files);
    window.exec();
    return 0;
}
