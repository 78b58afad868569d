// The Working page: progress, the time-left estimate and Break; and what every job
// shares: its hooks into the window, the page switches and the result player.
#include "app/MainWindow.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QStackedWidget>

#include "app/jobs/JobCore.h"
#include "app/jobs/ProgressText.h"
#include "common/FileHelpers.h"
#include "engine/Zendra.h"
#include "platform/Platform.h"
#include "platform/ResultViewer.h"

namespace zendra {

namespace {

constexpr double kMsPerDay = 86400000.0;

// Swallows the user's input while it is installed.
class TInputDrop : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::ContextMenu:
            return true;
        default:
            return false;
        }
    }
};

// Clicks and keys given while the result player ran wait in the queue; delivered now
// they would act on the window again (a click on Start starts a second job).
void DropPendingInput()
{
    TInputDrop drop;
    QCoreApplication::instance()->installEventFilter(&drop);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCoreApplication::instance()->removeEventFilter(&drop);
}

double TimeOfDayNow()
{
    const double now = NowDateTime();
    return now - static_cast<double>(static_cast<std::int64_t>(now));
}

}  // namespace

// A running job reads the movie, the project's settings and the output folder as it goes:
// nothing may change them under it.
void TForm1::UpdateJobCommands()
{
    for (QAction* command : {Open1, NewProject1, OpenProject1, Defaultoutputdirectory1})
        command->setEnabled(!Busy);
    if (Busy)
        Startsplitting1->setEnabled(false);
}

TJobHooks TForm1::JobHooks()
{
    TJobHooks hooks;
    hooks.Started = [this](std::int32_t maximum) {
        ShowWorkingPage(lbWriting->text());
        ProgressBar1->setMaximum(maximum);
    };
    hooks.Writing = [this](const std::string& name) {
        lbWriting->setText(QStringLiteral("Writing output file: ") + QString::fromStdString(name));
    };
    hooks.ProgressBase = [this](std::int32_t base) { ProgressBase = base; };
    hooks.CurrentEngine = [this](TZendra* engine) { CurrentEngine = engine; };
    hooks.Progress = [this](std::int32_t done, std::int32_t total) { ShowProgress(done, total); };
    hooks.IndexRebuild = MovieIndexRebuild;
    return hooks;
}

// The preparation every job makes before its first file.
void TForm1::ShowWorkingPage(const QString& writingText)
{
    lbWriting->setText(writingText);
    ProgressBar1->setValue(0);
    lbProgress->setText(QStringLiteral("Estimated time left:..."));
    Notebook1->setCurrentIndex(WorkingPage);
    UpdateJobCommands();
    JobStartTime = TimeOfDayNow();
    JobClock.start();
}

void TForm1::ShowDefaultPage()
{
    CurrentEngine = nullptr;
    Notebook1->setCurrentIndex(DefaultPage);
}

void TForm1::ShowProgress(std::int32_t done, std::int32_t total)
{
    const TJobKind kind = ActiveTab() == SplitTab ? TJobKind::Split
                          : ActiveTab() == RejoinTab ? TJobKind::Join
                                                     : TJobKind::Clip;
    const TJobProgress whole = WholeJobProgress(kind, done, total, ProgressBase, ProgressBar1->maximum());
    if (ProgressBar1->maximum() != whole.Total)
        ProgressBar1->setMaximum(whole.Total);
    ProgressBar1->setValue(whole.Done);
    // The steady clock, not the time of day: a job across midnight still gets a sound estimate.
    const double elapsed = JobClock.isValid() ? JobClock.elapsed() / kMsPerDay : 0;
    if (const auto text = EstimateText(whole.Done, whole.Total, elapsed))
        lbProgress->setText(QString::fromStdString(*text));
}

void TForm1::bCancelClick()
{
    if (CurrentEngine && Confirm("Stop the process?", TButtons::YesNo) == TAnswer::Yes && CurrentEngine)
        CurrentEngine->Cancel();
}

bool TForm1::ViewJobResult(const QString& fileName)
{
    const bool shown = ResultViewer ? ResultViewer(fileName) : ViewResult(fileName);
    DropPendingInput();
    return shown;
}

}  // namespace zendra
