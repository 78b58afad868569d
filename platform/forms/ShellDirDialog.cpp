#include "platform/forms/ShellDirDialog.h"

#include <QDir>
#include <QFileInfo>

#include "platform/Dialogs.h"

namespace zendra {

TShellDirDialog::TShellDirDialog() = default;

bool TShellDirDialog::Execute()
{
    // A start folder that does not exist opens the dialog with nothing selected.
    const QString start = QFileInfo(Directory).isDir() ? Directory : QString();
    const QString chosen =
        QString::fromStdString(Dialogs().ChooseFolder(Comment.toStdString(), start.toStdString()));
    if (chosen.isEmpty()) {
        FDisplayName.clear();
        return false;
    }
    Directory = QDir::cleanPath(chosen);
    FDisplayName = QFileInfo(Directory).fileName();
    return true;
}

}  // namespace zendra
