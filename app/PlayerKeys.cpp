// The keys of the Play menu: stepping by frames and key frames, play/pause, and the
// clip's ends at the frame shown.
#include "app/MainWindow.h"

#include <QAction>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>

#include <algorithm>

#include "app/KeyFrameStrip.h"

namespace zendra {

// Like the play buttons: usable with a movie in the preview, not during a job nor on Rejoin.
void TForm1::UpdatePlayCommands()
{
    const bool player = MovieLoaded && !Busy && ActiveTab() != RejoinTab;
    for (QAction* action :
         {PlayPause1, PreviousFrame1, NextFrame1, PreviousKeyFrame1, NextKeyFrame1, FirstFrame1, LastFrame1})
        action->setEnabled(player);
    SetClipStart1->setEnabled(player && MovieUsable);
    SetClipEnd1->setEnabled(player && MovieUsable);
}

void TForm1::PlayPause1Click()
{
    if (PlayingMark == 1 && sbPlay1->isChecked()) {
        sbStop1Click();
        return;
    }
    sbPlay1->setChecked(true);
    sbPlay1Click();
}

void TForm1::StepFrame(int step)
{
    sbStop1->setChecked(true);
    TrackBar1->setValue(TrackBar1->value() + step);  // the bar keeps it within its range
}

void TForm1::StepKeyFrame(int direction)
{
    sbStop1->setChecked(true);
    const std::vector<std::int32_t>& keys = pKeyFrames->KeyFrames();
    const std::int32_t shown = FrameShown();
    std::int32_t target = 0;
    if (direction < 0) {
        const auto after = std::lower_bound(keys.begin(), keys.end(), shown);
        if (after == keys.begin())
            return;
        target = *std::prev(after);
    } else {
        const auto next = std::upper_bound(keys.begin(), keys.end(), shown);
        if (next == keys.end())
            return;
        target = *next;
    }
    TrackBar1->setValue(PositionOfFrame(target));
}

void TForm1::SetClipStart1Click()
{
    PageControl1->setCurrentIndex(ClipTab);
    sbCustomStartClick();
}

void TForm1::SetClipEnd1Click()
{
    PageControl1->setCurrentIndex(ClipTab);
    sbCustomEndClick();
}

}  // namespace zendra
