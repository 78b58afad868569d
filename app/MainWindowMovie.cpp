// Opening a movie, the control refresh, the status texts and the output folder.
#include "app/MainWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <cmath>

#include "app/KeyFrameStrip.h"
#include "app/KeyFrames.h"
#include "app/SpinEdit.h"
#include "app/jobs/JobCore.h"
#include "common/FileHelpers.h"
#include "common/ScopeExit.h"
#include "platform/forms/ShellDirDialog.h"
#include "common/TextHelpers.h"
#include "platform/forms/WidgetHelpers.h"
#include "engine/Zendra.h"
#include "platform/Platform.h"

namespace zendra {

namespace {

// Halves to even, as the classic Round.
std::int64_t RoundEven(double value)
{
    return static_cast<std::int64_t>(std::nearbyint(value));
}

// "0h: 01m: 00s": a duration broken up as a time of day, without milliseconds.
QString HoursMinutesSeconds(double seconds)
{
    const TTimeOfDay t = DayFractionToTime(seconds / 86400.0);
    return QString::number(t.hours) + QStringLiteral("h: ") +
           QString::fromStdString(TwoDigitText(static_cast<std::uint16_t>(t.minutes))) + QStringLiteral("m: ") +
           QString::fromStdString(TwoDigitText(static_cast<std::uint16_t>(t.seconds))) + QStringLiteral("s");
}

// Drops folders from the middle of path until it fits width, like the platform's minimized names.
QString MinimizeName(const QString& path, const QFontMetrics& metrics, int width)
{
    if (metrics.horizontalAdvance(path) <= width)
        return path;
    QStringList parts = path.split(QLatin1Char('/'));
    if (parts.size() < 3)
        return metrics.elidedText(path, Qt::ElideLeft, width);
    const QString first = parts.takeFirst();
    const QString name = parts.takeLast();
    while (!parts.isEmpty()) {
        parts.removeAt(parts.size() / 2);
        QStringList shown{first, QStringLiteral("...")};
        shown += parts;
        shown << name;
        const QString candidate = shown.join(QLatin1Char('/'));
        if (metrics.horizontalAdvance(candidate) <= width)
            return candidate;
    }
    const QString shortest = first + QStringLiteral("/.../") + name;
    if (metrics.horizontalAdvance(shortest) <= width)
        return shortest;
    return metrics.elidedText(QStringLiteral(".../") + name, Qt::ElideLeft, width);
}

}  // namespace

void TForm1::SetStatusPanel(int index, const QString& text)
{
    SB1Panels[index]->setText(text);
}

QString TForm1::StatusPanel(int index) const
{
    return SB1Panels[index]->text();
}

void TForm1::BeginOpening()
{
    FOpening = true;
    Notebook1->setCurrentIndex(WaitPage);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    EnableChildControls(this, false);
}

void TForm1::EndOpening()
{
    EnableChildControls(this, true);
    QApplication::restoreOverrideCursor();
    Notebook1->setCurrentIndex(DefaultPage);
    FOpening = false;
    // Re-enabling everything must not leave Start or the tabs usable for a movie that is not.
    UpdateControls();
}

// Lets the preview load; false when it failed or did not get ready in time.
bool TForm1::WaitForPlayer()
{
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer poll;
    const auto ready = [this] { return WMP1->ReadyState() == TReadyState::Ready; };
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (ready() || WMP1->LoadFailed() || clock.elapsed() > PlayerReadyTimeoutMs)
            loop.quit();
    });
    poll.start(5);
    if (!ready() && !WMP1->LoadFailed())
        loop.exec();
    return ready();
}

// The engine reads the movie here, once for all the window shows of it. A movie that is
// gone or refused by the split check is not taken; the preview then must not go on
// showing the one before under the new name.
bool TForm1::AcceptMovie(const QString& name)
{
    if (!QFileInfo(name).isFile()) {
        ForgetMovie();
        ShowMessage(("File " + name + " does not exists").toStdString());
        return false;
    }
    TScopeExit refusal([this] { ForgetMovie(); });  // also when reading or the check raised an error
    FMovie = std::make_unique<TZendra>(name.toStdString(), TZendra::TProgressEvent{}, TIndexRebuild::Ask);
    // The jobs open the movie again: they rebuild as the user answered here, without asking.
    MovieIndexRebuild = FMovie->IndexRebuilt ? TIndexRebuild::Rebuild : TIndexRebuild::Refuse;
    if (!PrepareSplitModes())
        return false;
    refusal.Release();
    return true;
}

void TForm1::ReadMovieLength()
{
    WMP1->SetDisplayMode(1);
    TotalFrames = static_cast<std::int32_t>(RoundEven(WMP1->Duration()));
    WMP1->SetDisplayMode(0);
    MovieDuration = WMP1->Duration();
    FrameRate = MovieDuration > 0 ? TotalFrames / MovieDuration : 0;
}

bool TForm1::OpenMovie()
{
    sbStop1->setChecked(true);
    MovieUsable = false;
    bStart->setEnabled(false);
    SetStatusPanel(2, {});
    const QString name = MovieFileName;
    if (name.isEmpty())
        return false;
    if (!AcceptMovie(name))
        return false;

    const TScopeExit opening([this] { EndOpening(); });
    BeginOpening();
    ProcessMessages();
    WMP1->SetFileName(name, IndexLength(*FMovie));
    if (!WaitForPlayer()) {
        // The preview never got ready: the movie is not taken.
        ForgetMovie();
        ShowMessage(("The preview can not load " + name).toStdString());
        return false;
    }
    WMP1->Stop();
    pWMPPanelResize();

    ReadMovieLength();
    TrackBar1->setMaximum(TotalFrames);
    pKeyFrames->SetKeyFrames(KeyFrameNumbers(*FMovie));
    MovieLoaded = true;
    MovieUsable = FrameRate > 0;
    eSplitFilename->setText(QString::fromStdString(NameWithoutExt(name.toStdString())));
    UpdateOutputFolder();

    ProcessMessages();
    LastTrackPosition = -1;  // a new movie: show its first position even when the bar stays at 0
    if (TrackBar1->value() == 0)
        TrackBar1Change();
    else
        TrackBar1->setValue(0);
    ClipStartFrame = 0;
    ClipEndFrame = TotalFrames;
    UpdateControls();
    return true;
}

void TForm1::UpdateControls()
{
    if (RefreshGuard)
        return;
    RefreshGuard = true;
    const TScopeExit clearGuard([this] { RefreshGuard = false; });

    TrackBar1->setEnabled(MovieLoaded);
    // While a job runs the top panel stays disabled, whatever handler refreshes.
    EnableChildControls(pPlayButtons, MovieLoaded && !Busy);
    sbSelect->setEnabled(!Busy);
    UpdateJobCommands();

    sbRemoveCombi->setEnabled(!lvCombine->selectedItems().isEmpty());
    sbClearCombi->setEnabled(lvCombine->topLevelItemCount() > 0);

    const TTab tab = ActiveTab();
    if (tab == SplitTab)
        EnableChildControls(tbSplitting, MovieUsable);
    else if (tab == ClipTab)
        EnableChildControls(tbCropping, MovieUsable);

    bStart->setEnabled(!Busy && (tab == RejoinTab ? lvCombine->topLevelItemCount() >= 2 : MovieUsable));
    if (!MovieLoaded)
        TrackBar1->setValue(0);

    // A mark shows the time of its frame, the time the status bar read when it was picked.
    const double rate = FrameRate;
    const auto timeOfFrame = [rate](std::int32_t frame) {
        return QString::fromStdString(SecondsToTimeText(rate > 0 ? PositionOfFrame(frame) / rate : 0));
    };
    lbStartCustom->setText(timeOfFrame(ClipStartFrame));
    lbEndCustom->setText(timeOfFrame(ClipEndFrame));
    if (tab == ClipTab)
        lbRealStart->setText(RealStartText());  // walks the index: only where it is seen
    UpdatePlayCommands();
    (ClipStartFrame != 0 ? rbStartCustom : rbStartDefault)->setChecked(true);
    if (!WMP1->FileName().isEmpty() && ClipEndFrame != 0)
        (ClipEndFrame == TotalFrames ? rbEndDefault : rbEndCustom)->setChecked(true);

    SetStatusPanel(1, ResultText());
    pPlayButtons->setVisible(tab != RejoinTab);
    SetStatusPanel(2, tab == RejoinTab ? QString() : ShortenedMovieName());
}

// No movie in the preview: nothing shown, nothing to mark.
void TForm1::ForgetMovie()
{
    sbStop1->setChecked(true);
    WMP1->Stop();
    WMP1->SetFileName({}, {});
    MovieLoaded = false;
    MovieUsable = false;
    TotalFrames = 0;
    MovieDuration = 0;
    FrameRate = 0;
    ClipStartFrame = 0;
    ClipEndFrame = 0;
    TrackBar1->setMaximum(0);
    FMovie.reset();
    pKeyFrames->SetKeyFrames({});
    UpdateControls();
}

QString TForm1::ShortenedMovieName() const
{
    // Besides the two panels, the size grip and the bar's spacing take their share.
    const int width = statusBar()->width() - SB1Panels[0]->width() - SB1Panels[1]->width() - 8 - 32;
    return MinimizeName(MovieFileName, fontMetrics(), std::max(width, 0));
}

QString TForm1::ResultText()
{
    const QString none = QStringLiteral("Result: 0h: 00m: 00s");
    switch (ActiveTab()) {
    case SplitTab: {
        const int parts = seSplitMax->Value();
        if (!MovieUsable || parts <= 0)
            return none;
        const double each = TotalFrames / parts;
        return HoursMinutesSeconds(each / FrameRate) + QStringLiteral(" ") + SizeText() + QStringLiteral(" each");
    }
    case RejoinTab:
        return JoinTotalText;
    case ClipTab:
        if (!MovieUsable || ClipEndFrame < ClipStartFrame || FrameRate <= 0)
            return none;
        return QStringLiteral("Result: ") + HoursMinutesSeconds((ClipEndFrame - ClipStartFrame) / FrameRate) +
               SizeText();
    }
    return none;
}

QString TForm1::SizeText()
{
    if (!MovieUsable)
        return {};
    const std::int64_t fileSize = FileSizeOf(MovieFileName.toStdString());
    if (fileSize < 0)
        return {};  // the movie went away since it was opened
    const auto size = static_cast<std::int32_t>(fileSize);
    double bytes = 0;
    switch (ActiveTab()) {
    case SplitTab: {
        const int parts = seSplitMax->Value();
        if (parts <= 0)
            return {};
        bytes = static_cast<double>(size) / parts;
        break;
    }
    case ClipTab:
        if (ClipEndFrame == ClipStartFrame || TotalFrames <= 0)
            return {};
        bytes = static_cast<double>(ClipEndFrame - ClipStartFrame) / TotalFrames * size;
        break;
    case RejoinTab:
        return {};
    }
    const std::int64_t kb = RoundEven(bytes) / 1024;
    return QStringLiteral(" [around ") + QString::number(kb) + QStringLiteral("kb]");
}

void TForm1::UpdateOutputFolder()
{
    QString prefix = OutputBaseFolder;
    if (!prefix.endsWith(QLatin1Char('/')))
        prefix += QLatin1Char('/');
    prefix += eSplitFilename->text();
    eSplitOutDir->setText(NextFreeFolder(prefix) + QLatin1Char('/'));
}

QString TForm1::NextFreeFolder(const QString& prefix) const
{
    return QString::fromStdString(zendra::NextFreeFolder(prefix.toStdString()));
}

QString DefaultOutputBase(const QString& programFolder)
{
    const QString beside = QDir(programFolder).filePath(QStringLiteral("Output/"));
    if (ForceDirectories(beside.toStdString()) && QFileInfo(beside).isWritable()) {
        QFile probe(QDir(beside).filePath(QStringLiteral(".zendra-write-test")));
        if (probe.open(QIODevice::WriteOnly)) {
            probe.close();
            probe.remove();
            return beside;
        }
    }
    QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (videos.isEmpty())
        videos = QDir::homePath();
    const QString zendra = QDir(videos).filePath(QStringLiteral("Zendra/"));
    ForceDirectories(zendra.toStdString());  // failure is fine: the split asks again
    return zendra;
}

void TForm1::Defaultoutputdirectory1Click()
{
    TShellDirDialog dialog;
    dialog.Comment = QStringLiteral(
        "Select the base location for splitting results.\nA new output folder will be added later for each process.");
    dialog.Directory = OutputBaseFolder;
    if (dialog.Execute()) {
        OutputBaseFolder = dialog.Directory;
        UpdateOutputFolder();
    }
}

void TForm1::HandleDroppedFiles(const QStringList& names)
{
    if (Busy)
        return;  // a running job reads the movie as it goes
    for (const QString& name : names) {
        const QFileInfo info(name);
        if (info.isFile() && info.suffix().toLower() == QStringLiteral("avi")) {
            MovieFileName = name;
            OpenMovie();
            break;
        }
    }
}

}  // namespace zendra
