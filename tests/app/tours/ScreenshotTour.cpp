#include "tests/app/tours/ScreenshotTour.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>

#include "tests/app/tours/JobsTour.h"
#include "app/MainWindow.h"
#include "app/jobs/SplitMode.h"
#include "platform/forms/AboutForm.h"

namespace zendra {

namespace {

void Settle(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void Photograph(TForm1& form, const QString& folder, const QString& suffix)
{
    static const char* const names[] = {"main-split", "main-rejoin", "main-clip"};
    for (int tab = 0; tab < 3; ++tab) {
        form.PageControl1->setCurrentIndex(tab);
        Settle(300);
        form.grab().save(QDir(folder).filePath(QString::fromLatin1(names[tab]) + suffix + QStringLiteral(".png")));
    }
}

void Save(QWidget& widget, const QString& folder, const char* name)
{
    widget.grab().save(QDir(folder).filePath(QString::fromLatin1(name) + QStringLiteral(".png")));
}

// The key-frame strip under the track bar, and a clip whose start snaps to a key frame.
void PhotographKeyFrames(TForm1& form, const QString& folder)
{
    form.PageControl1->setCurrentIndex(TForm1::ClipTab);
    form.TrackBar1->setValue(form.TotalFrames / 3 + 5);
    form.sbCustomStartClick();
    form.TrackBar1->setValue(form.TotalFrames * 3 / 4);
    form.sbCustomEndClick();
    form.sbLocateStartClick();
    Settle(500);
    Save(form, folder, "main-clip-snapped");
    form.PageControl1->setCurrentIndex(TForm1::SplitTab);
    form.NextKeyFrame1->trigger();  // Ctrl+Right: the handle on the next mark
    form.NextKeyFrame1->trigger();
    Settle(800);
    Save(form, folder, "main-key-frames");
}

void PhotographSizeMode(TForm1& form, const QString& folder)
{
    form.PageControl1->setCurrentIndex(TForm1::SplitTab);
    form.seSplitSize->setValue(0.25);
    Settle(300);
    Save(form, folder, "main-split-size");
    form.cbMode->setCurrentIndex(SplitModeNumber(TSplitMode::Optimal));
    form.cbModeChange();
}

void RunTour(TForm1& form, const QString& folder, const QString& movie)
{
    QDir().mkpath(folder);
    form.MovieFileName = movie;
    form.OpenMovie();
    form.TrackBar1->setValue(form.TotalFrames / 3);
    Settle(500);
    Photograph(form, folder, QString());
    PhotographSizeMode(form, folder);
    form.resize(form.minimumSize());
    Settle(300);
    Photograph(form, folder, QStringLiteral("-minimum"));
    form.resize(673, 589);
    PhotographKeyFrames(form, folder);
    TAboutForm about(&form);
    about.show();
    Settle(300);
    about.grab().save(QDir(folder).filePath(QStringLiteral("about.png")));
    about.close();
    PhotographJobs(form, folder);
    QCoreApplication::quit();
}

}  // namespace

void StartScreenshotTour(TForm1& form, const QString& folder, const QString& movie)
{
    QTimer::singleShot(500, &form, [&form, folder, movie] { RunTour(form, folder, movie); });
}

}  // namespace zendra
