// The folder browser: a folder dialog with a comment, run through the dialog seam.
#pragma once

#include <QString>

namespace zendra {

class TShellDirDialog {
public:
    TShellDirDialog();

    // True when the user chose a folder; Directory then holds it. On cancel
    // Directory keeps its value.
    bool Execute();

    QString Directory;  // in: folder to start in; out: folder chosen
    QString Comment;    // shown in the dialog's body
    bool ShowFiles = false;
    QString DisplayName() const { return FDisplayName; }

private:
    QString FDisplayName;
};

}  // namespace zendra
