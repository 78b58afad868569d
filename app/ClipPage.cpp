// The Clip tab: choosing the two ends, and the clip job that writes the stretch between.
#include "app/MainWindow.h"

#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QToolButton>

#include <limits>

#include "app/KeyFrames.h"
#include "app/jobs/JobCore.h"
#include "common/ScopeExit.h"
#include "common/TextHelpers.h"
#include "engine/Zendra.h"
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
    ClipStartFrame = FrameShown();
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
    ClipEndFrame = FrameAtPosition(CurrentFrame());
    UpdateControls();
}

// The marks take the number of the frame the picture shows; playing stops first, so that
// picture and track bar stand on the same frame.
void TForm1::sbCustomStartClick()
{
    sbStop1->setChecked(true);
    rbStartCustom->setChecked(true);
    ClipStartFrame = FrameShown();
    UpdateControls();
}

void TForm1::sbCustomEndClick()
{
    if (RefreshGuard)
        return;
    sbStop1->setChecked(true);
    rbEndCustom->setChecked(true);
    ClipEndFrame = FrameShown();
    UpdateControls();
}

void TForm1::sbLocateStartClick()
{
    TrackBar1->setValue(PositionOfFrame(ClipStartFrame));
}

void TForm1::sbLocateEndClick()
{
    TrackBar1->setValue(PositionOfFrame(ClipEndFrame));
}

// "The end" is the preview's frame count, which may fall short of the index's (a dropped
// frame is an empty entry there): the clip then still runs to the end of the movie.
std::int32_t TForm1::ClipEndForJob(std::int32_t endFrame) const
{
    return endFrame >= TotalFrames ? std::numeric_limits<std::int32_t>::max() : endFrame;
}

// "Starts at key frame 13 (0h:00m:00s:48ms), 7 frames before the mark; 88 frames, 1234 kB".
QString TForm1::RealStartText() const
{
    if (!FMovie || !MovieUsable)
        return {};
    if (ClipEndFrame < ClipStartFrame)
        return QStringLiteral("The starting position is located behind the ending position.");
    const TClipFacts facts = ClipFacts(*FMovie, ClipStartFrame, ClipEndForJob(ClipEndFrame));
    if (facts.Frames == 0)
        return QStringLiteral("The clip holds no frame");
    const QString before = facts.FramesBeforeMark == 0 ? QStringLiteral("on the mark")
                           : facts.FramesBeforeMark == 1
                               ? QStringLiteral("1 frame before the mark")
                               : QString::number(facts.FramesBeforeMark) + QStringLiteral(" frames before the mark");
    const double time = FrameRate > 0 ? (facts.KeyFrame - 1) / FrameRate : 0;
    return QStringLiteral("Starts at key frame ") + QString::number(facts.KeyFrame) + QStringLiteral(" (") +
           QString::fromStdString(SecondsToTimeText(time)) + QStringLiteral("), ") + before + QStringLiteral("; ") +
           QString::number(facts.Frames) + QStringLiteral(" frames, ") +
           QString::number((facts.Bytes + 1023) / 1024) + QStringLiteral(" kB");
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
        const TScopeExit jobEnd([this] { ShowDefaultPage(); });
        ShowWorkingPage(QStringLiteral("Writing output file: ") + name);
        written = RunClipRange(MovieFileName.toStdString(), startFrame, ClipEndForJob(endFrame),
                               name.toStdString(), JobHooks());
    }
    if (written &&
        Confirm(("File " + name + " is ready. View the result?").toStdString(), TButtons::YesNo) == TAnswer::Yes)
        ViewJobResult(name);
    return written;
}

}  // namespace zendra
