// The Split tab's modes and part count, prepared when a movie is opened.
#include "app/MainWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

#include "app/SpinEdit.h"
#include "engine/Zendra.h"
#include "platform/Platform.h"

namespace zendra {

namespace {

constexpr int kCustomMode = 3;

}  // namespace

bool TForm1::PrepareSplitModes(const QString& name)
{
    TZendra movie(name.toStdString());
    if (!movie.IsCompressed()) {
        ShowMessage(("Video part in " + name + " is not compressed and can not be processed").toStdString());
        return false;
    }
    for (int mode = 0; mode < 3; ++mode)
        cbMode->setItemData(mode, movie.TargetPartSize(mode));
    seSplitMax->MaxValue = movie.PartCount(2);
    cbMode->setCurrentIndex(0);
    cbModeChange();
    return true;
}

void TForm1::cbModeChange()
{
    const int mode = cbMode->currentIndex();
    if (mode == kCustomMode)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ModeChanging = true;
    struct TRestore {
        TForm1* form;
        ~TRestore()
        {
            form->ModeChanging = false;
            QApplication::restoreOverrideCursor();
        }
    } restore{this};
    TZendra movie(FileOpenDlg.FileName.toStdString());
    seSplitMax->SetValue(movie.PartCount(mode));
}

void TForm1::seSplitMaxChange()
{
    int n = seSplitMax->Value();
    if (n == 0)
        return;
    // A count below the minimum waits for the field to be left: 15 begins with a 1.
    if (n > seSplitMax->MaxValue)
        n = seSplitMax->MaxValue;
    if (seSplitMax->Text() != QString::number(n))
        seSplitMax->SetText(QString::number(n));  // runs this handler again with the clean text
    else
        UpdateControls();
    if (!ModeChanging) {
        const QSignalBlocker quiet(cbMode);
        cbMode->setCurrentIndex(kCustomMode);
    }
}

void TForm1::seSplitMaxExit()
{
    if (seSplitMax->Text().trimmed().isEmpty())
        seSplitMax->SetText(QStringLiteral("2"));
    else if (const int n = seSplitMax->Value(); n > 0 && n < seSplitMax->MinValue)
        seSplitMax->SetValue(n);  // kept within the bounds: raised to the minimum
}

void TForm1::eSplitFilenameChange()
{
    // Only a movie's extension goes; other dots belong to the name being typed.
    const QString text = eSplitFilename->text();
    if (text.endsWith(QStringLiteral(".avi"), Qt::CaseInsensitive)) {
        eSplitFilename->setText(QString::fromStdString(NameWithoutExt(text.toStdString())));  // comes back here
        return;
    }
    UpdateOutputFolder();
}

}  // namespace zendra
