#include "tests/app/tours/JobsTour.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QStackedWidget>
#include <QTabWidget>

#include <functional>

#include "app/MainWindow.h"
#include "app/SpinEdit.h"
#include "platform/Dialogs.h"
#include "platform/Platform.h"

namespace zendra {

namespace {

// Answers the jobs' questions so the tour runs by itself (new folders yes, playing the
// result no) and looks at every step of a job.
class TTourPlatform : public IPlatform {
public:
    TTourPlatform(IPlatform& desktop, std::function<void()> onStep) : FDesktop(desktop), FOnStep(std::move(onStep)) {}

    void ShowMessage(const std::string&) override {}
    TAnswer Confirm(const std::string&, TButtons buttons) override
    {
        return buttons == TButtons::YesNo ? TAnswer::No : buttons == TButtons::YesNoCancel ? TAnswer::Yes : TAnswer::OK;
    }
    void ProcessMessages() override
    {
        QCoreApplication::processEvents();
        FOnStep();
    }
    bool RecycleFile(const std::string& fileName) override { return FDesktop.RecycleFile(fileName); }
    std::string NewGuidText() override { return FDesktop.NewGuidText(); }
    bool ShellOpen(const std::string&) override { return false; }

private:
    IPlatform& FDesktop;
    std::function<void()> FOnStep;
};

void Settle(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Splits into about parts; the files written, in order.
std::vector<std::string> Split(TForm1& form, int parts)
{
    form.PageControl1->setCurrentIndex(TForm1::SplitTab);
    form.seSplitMax->SetText(QString::number(parts));
    const QDir run(form.eSplitOutDir->text());
    form.bStartClick();
    std::vector<std::string> written;
    for (const QFileInfo& file : run.entryInfoList({QStringLiteral("*.avi")}, QDir::Files, QDir::Name))
        written.push_back(file.absoluteFilePath().toStdString());
    return written;
}

}  // namespace

void PhotographJobs(TForm1& form, const QString& folder)
{
    IPlatform& desktop = Platform();
    IDialogs& desktopDialogs = Dialogs();
    bool photographed = false;
    TTourPlatform tour(desktop, [&] {
        // Well into the run, when the estimate is shown.
        const QProgressBar& bar = *form.ProgressBar1;
        if (photographed || form.Notebook1->currentIndex() != TForm1::WorkingPage || bar.value() * 5 < bar.maximum() * 2)
            return;
        photographed = true;
        form.grab().save(QDir(folder).filePath(QStringLiteral("main-working.png")));
    });
    SetPlatform(&tour);
    TScriptedDialogs dialogs;
    SetDialogs(&dialogs);

    form.OutputBaseFolder = QFileInfo(form.MovieFileName).absolutePath() + QStringLiteral("/Output/");
    form.UpdateOutputFolder();
    std::vector<std::string> parts = Split(form, 5);
    const std::vector<std::string> second = Split(form, 3);
    parts.insert(parts.begin() + 2, second.begin(), second.end());  // picked in no particular order
    dialogs.FilesAnswers.push_back(parts);
    form.PageControl1->setCurrentIndex(TForm1::RejoinTab);
    form.SelectJoinFiles(false);
    Settle(300);
    form.grab().save(QDir(folder).filePath(QStringLiteral("main-rejoin-runs.png")));

    SetDialogs(&desktopDialogs);
    SetPlatform(&desktop);
}

}  // namespace zendra
