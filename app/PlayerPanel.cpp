// The preview's track bar, play buttons and timers.
#include "app/MainWindow.h"

#include <QAbstractButton>
#include <QFrame>
#include <QLabel>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cmath>

#include "common/TextHelpers.h"
#include "platform/Platform.h"

namespace zendra {

std::int32_t TForm1::CurrentFrame() const
{
    const double frame = std::nearbyint(WMP1->CurrentPosition() * FrameRate);
    return frame < 0 ? 0 : static_cast<std::int32_t>(frame);
}

double TForm1::CurrentTime() const
{
    const double position = WMP1->CurrentPosition();
    return position < 0 ? 0 : position;
}

std::int32_t TForm1::FrameAtPosition(int position) const
{
    return TotalFrames > 0 ? std::clamp(position + 1, 1, TotalFrames) : 0;
}

std::int32_t TForm1::FrameShown() const
{
    return FrameAtPosition(TrackBar1->value());
}

int TForm1::PositionOfFrame(std::int32_t frame)
{
    return std::max(frame - 1, 0);
}

void TForm1::TrackBar1Change()
{
    const int position = TrackBar1->value();
    if (!MovieLoaded || position == LastTrackPosition)
        return;
    LastTrackPosition = position;
    // During playback the bar follows the player, not the other way round.
    if (MotionMark == 1 || PlayingMark == 0) {
        if (FrameRate == 0)
            return;
        WMP1->SetCurrentPosition(position / FrameRate);
        ProcessMessages();
    }
    // The number of the frame the picture shows, as the marks and the key-frame strip count.
    SetStatusPanel(0, QString::fromStdString(SecondsToTimeText(CurrentTime())) + QStringLiteral(" [") +
                          QString::number(FrameAtPosition(CurrentFrame())) + QStringLiteral("]"));
}

void TForm1::sbPlay1Click()
{
    MotionMark = 0;
    PlayingMark = 1;
    WMP1->Play();
}

void TForm1::sbStop1Click()
{
    sbStop1->setChecked(true);  // first: its handler holds the frame that was playing
    MotionMark = 0;
    PlayingMark = 0;
    tmSlowMotion->stop();
    if (MovieLoaded)
        WMP1->Stop();
}

// Whatever put Stop down (Stop, First, Last, a step, Select, a new movie, a job): playback
// is over, so the track bar seeks the picture again.
void TForm1::sbStop1Toggled(bool down)
{
    if (!down)
        return;
    const bool wasPlaying = PlayingMark == 1;
    PlayingMark = 0;
    MotionMark = 0;
    tmSlowMotion->stop();
    if (!MovieLoaded)
        return;
    WMP1->Stop();
    if (wasPlaying)
        HoldFrameShown();
}

// The track bar lags the playing picture by up to a timer tick: put both on one frame.
void TForm1::HoldFrameShown()
{
    const int position = std::min(CurrentFrame(), TrackBar1->maximum());
    LastTrackPosition = -1;
    if (TrackBar1->value() == position)
        TrackBar1Change();
    else
        TrackBar1->setValue(position);
}

void TForm1::TrackTimer1Timer()
{
    TrackTimer1->stop();
    if (sbPlay1->isChecked())
        TrackBar1->setValue(CurrentFrame());
    else
        WMP1->Stop();
    TrackTimer1->start();
}

void TForm1::sbFirst1Click(QAbstractButton* sender)
{
    sbStop1->setChecked(true);
    tmSlowMotion->stop();
    TrackBar1->setValue(sender == sbLast1 ? TotalFrames : 0);
    TrackBar1Change();
}

void TForm1::sbSlowMotionClick()
{
    WMP1->Stop();
    MotionMark = 1;
    tmSlowMotion->start();
}

void TForm1::tmSlowMotionTimer()
{
    tmSlowMotion->stop();
    if (MotionMark == 0)
        return;
    bool again = true;
    int target = 0;
    if (sbSlowMotion->isChecked())
        target = TrackBar1->value() + 5;
    else if (sbFastMotion->isChecked())
        target = TrackBar1->value() + 40;
    else
        again = false;
    if (target > TotalFrames) {
        target = TotalFrames;
        sbStop1->setChecked(true);
        again = false;
    }
    TrackBar1->setValue(target);
    ProcessMessages();
    if (again)
        tmSlowMotion->start();
}

void TForm1::sbOneLeftMouseDown(QAbstractButton* sender)
{
    sbStop1->setChecked(true);
    tmSlowMotion->stop();
    StepState = sender == sbOneLeft ? 1 : 2;
    TmStep1->setInterval(50);
    TmStep1->start();
}

void TForm1::TmStep1Timer()
{
    TmStep1->stop();
    if (StepState == 0)
        return;
    TmStep1->setInterval(100);
    const int step = (StepState == 1 || StepState == 11) ? -1 : 1;
    TrackBar1->setValue(TrackBar1->value() + step);  // the bar keeps it within its range
    TrackBar1Change();
    if (StepState < 10) {
        TmStep1->setInterval(500);
        StepState += 10;
    }
    TmStep1->start();
}

void TForm1::sbOneLeftMouseUp()
{
    StepState = 0;
    TmStep1->stop();
}

void TForm1::sbOneLeftClick()
{
    sbStop1->setChecked(true);
}

void TForm1::pWMPPanelResize()
{
    QWidget* player = WMP1->Widget();
    // Integer division truncates toward zero: a player wider than the panel sits at a negative left.
    player->move((pWMPPanel->width() - player->width()) / 2, (pWMPPanel->height() - player->height()) / 2);
    player->update();
}

}  // namespace zendra
