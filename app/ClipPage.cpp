// The Clip tab: choosing the two ends, and the clip job that writes the stretch between.
#include "app/MainWindow.h"

#include <QLabel>
#include <QRadioButton>
#include <QSlider>

#include <limits>

#include "app/jobs/JobCore.h"
#include "platform/Dialogs.h"
#include "platform/Platform.h"

namespace zendra {

// The radio handlers return at once during a refresh: it checks them by code.
void TForm1::rbStartDefaultClick()
{
    if (RefreshGuard)
        return;
    ClipStartFrame = 0;
    UpdateControls();
}

void TForm1::rbStartCustomClick()
{
    if (RefreshGuard)
        return;
    rbStartCustom->setChecked(true);
    ClipStartFrame = TrackBar1->value();
    UpdateControls();
}

void TForm1::rbEndDefaultClick()
{
    if (RefreshGuard)
        return;
    ClipEndFrame = TotalFrames;
    UpdateControls();
}

void TForm1::rbEndCustomClick()
{
    if (RefreshGuard)
        return;
    ClipEndFrame = CurrentFrame();
    UpdateControls();
}

void TForm1::sbCustomStartClick()
{
    rbStartCustom->setChecked(true);
    ClipStartFrame = TrackBar1->value();
    UpdateControls();
}

void TForm1::sbCustomEndClick()
{
    if (RefreshGuard)
        return;
    rbEndCustom->setChecked(true);
    ClipEndFrame = TrackBar1->value();
    UpdateControls();
}

void TForm1::sbLocateStartClick()
{
    TrackBar1->setValue(ClipStartFrame);
}

void TForm1::sbLocateEndClick()
{
    TrackBar1->setValue(ClipEndFrame);
}

bool TForm1::RunClip(std::int32_t startFrame, std::int32_t endFrame)
{
    if (startFrame > endFrame) {
        ShowMessage("The starting position is located behind the ending position.");
        return false;
    }
    const QString name = QString::fromStdString(Dialogs().SaveFile(
        OutFileDlg.Title.toStdString(), OutFileDlg.Filter.toStdString(), OutFileDlg.InitialDir.toStdString(),
        OutFileDlg.DefaultExt.toStdString()));
    if (name.isEmpty())
        return false;
    OutFileDlg.FileName = name;

    bool written = false;
    {
        struct TJobEnd {
            TForm1* form;
            ~TJobEnd() { form->ShowDefaultPage(); }
        } jobEnd{this};
        ShowWorkingPage(QStringLiteral("Writing output file: ") + name);
        // "The end" is the preview's frame count, which may fall short of the index's (a dropped
        // frame is an empty entry there): the clip then still runs to the end of the movie.
        const std::int32_t last = endFrame >= TotalFrames ? std::numeric_limits<std::int32_t>::max() : endFrame;
        written =
            RunClipRange(FileOpenDlg.FileName.toStdString(), startFrame, last, name.toStdString(), JobHooks());
    }
    if (written &&
        Confirm(("File " + name + " is ready. View the result?").toStdString(), TButtons::YesNo) == TAnswer::Yes)
        ViewJobResult(name);
    return written;
}

}  // namespace zendra
