#include "app/MainWindow.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "app/SpinEdit.h"
#include "platform/forms/AboutForm.h"
#include "platform/forms/DataFiles.h"
#include "common/FileHelpers.h"
#include "common/ScopeExit.h"
#include "common/Version.h"
#include "platform/forms/WidgetHelpers.h"
#include "engine/Zendra.h"
#include "platform/Dialogs.h"
#include "platform/Platform.h"

#if __has_include("compare/BinaryCompare.h") && defined(ZENDRA_HAVE_COMPARE)
#include "compare/BinaryCompare.h"
#define ZENDRA_WITH_COMPARE 1
#endif
#if __has_include("viewer/MainStruct.h") && defined(ZENDRA_HAVE_VIEWER)
#include "viewer/MainStruct.h"
#define ZENDRA_WITH_VIEWER 1
#endif

namespace zendra {

namespace {

const QString kAviFilter = QStringLiteral("AVI (*.avi);;all files (*.*)");

}  // namespace

TForm1::TForm1(TPlayerFactory makePlayer, QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Zendra classic version " ZENDRA_VERSION_TEXT));
    CreateMenus();
    CreateTopPanel();
    CreateBackground(makePlayer);
    CreateNotebook();
    CreateStatusBar();
    CreateTimers();

    auto* central = new QWidget;
    central->setObjectName(QStringLiteral("Client"));
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(pTopPanel);
    column->addWidget(pBackground, 1);
    column->addWidget(Notebook1);
    setCentralWidget(central);

    // Never smaller than 520 x 200, nor than the tabs need in the fonts at hand.
    setMinimumSize(520, std::max(200, minimumSizeHint().height()));
    resize(673, 589);
    if (QScreen* screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    FileOpenDlg.Filter = kAviFilter;
    OutFileDlg.Title = QStringLiteral("Save output file as");
    OutFileDlg.Filter = QStringLiteral("AVI movie (*.avi);;all file (*.*)");
    OutFileDlg.DefaultExt = QStringLiteral("avi");
    SplitDlg.Filter = kAviFilter;

    FormCreate();
    TrackTimer1->start();
}

TForm1::~TForm1()
{
    // The panel stops taking drops before the window goes.
    pWMPPanel->removeEventFilter(this);
    pWMPPanel->setAcceptDrops(false);
}

void TForm1::FormCreate()
{
    Busy = false;
    LastTrackPosition = -1;
    ClipStartFrame = 0;
    ClipEndFrame = 0;
    ModeChanging = false;
    MovieLoaded = false;
    MovieUsable = false;
    Notebook1->setCurrentIndex(DefaultPage);
    UpdateControls();

    OutputBaseFolder = DefaultOutputBase(QCoreApplication::applicationDirPath());
    eSplitOutDir->setText(OutputBaseFolder);
    if (!OutputBaseFolder.startsWith(QCoreApplication::applicationDirPath()))
        eSplitOutDir->setToolTip(QStringLiteral("The program's folder can not be written: results go below ") +
                                 OutputBaseFolder);
    OutFileDlg.InitialDir = eSplitOutDir->text();

    JoinTotalText = ResultText();
    PageControl1->setCurrentIndex(SplitTab);
    PageControl1Change();
    Tools1->menuAction()->setVisible(false);
}

bool TForm1::FormCloseQuery() const
{
    return !Busy && !FOpening;
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (FormCloseQuery())
        event->accept();
    else
        event->ignore();
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TForm1::FormResize()
{
    // The minimum size is kept by the window system; the layouts size the track bar and edits.
    UpdateControls();
}

TForm1::TTab TForm1::ActiveTab() const
{
    return static_cast<TTab>(PageControl1->currentIndex());
}

void TForm1::PageControl1Change()
{
    const bool rejoin = ActiveTab() == RejoinTab;
    lvCombine->setVisible(rejoin);
    Panel3->setVisible(!rejoin);
    static const char* const captions[] = {"Start splitting", "Start joining", "Start clipping"};
    Startsplitting1->setText(QString::fromLatin1(captions[ActiveTab()]));
    UpdateControls();
}

void TForm1::File1Click()
{
    Startsplitting1->setEnabled(bStart->isEnabled());
}

void TForm1::Exit1Click()
{
    close();
}

void TForm1::Open1Click()
{
    sbStop1->setChecked(true);
    if (ActiveTab() == RejoinTab) {
        if (lvCombine->topLevelItemCount() == 0 ||
            Confirm("Clear the item list and select new files to join?", TButtons::OKCancel) == TAnswer::OK)
            SelectJoinFiles(false);
        return;
    }
    FileOpenDlg.Title = ActiveTab() == ClipTab ? QStringLiteral("Select movie to crop")
                                               : QStringLiteral("Select movie to split");
    const QString folder =
        MovieFileName.isEmpty() ? FileOpenDlg.InitialDir : QFileInfo(MovieFileName).absolutePath();
    const QString chosen = QString::fromStdString(Dialogs().OpenFile(
        FileOpenDlg.Title.toStdString(), FileOpenDlg.Filter.toStdString(), folder.toStdString()));
    if (chosen.isEmpty())
        return;
    MovieFileName = chosen;
    OpenMovie();
}

void TForm1::bStartClick()
{
    sbStop1Click();
    EnableChildControls(pTopPanel, false);
    Busy = true;
    // However the job ends, errors included.
    const TScopeExit jobEnd([this] {
        Busy = false;
        EnableChildControls(pTopPanel, true);
        UpdateControls();
    });
    switch (ActiveTab()) {
    case SplitTab:
        seSplitMaxExit();  // a count typed below the minimum is raised now
        if (seSplitMax->Value() > 1) {
            StartSplit();
            UpdateOutputFolder();
            UpdateControls();
        } else {
            ShowMessage("The minimum number of splitting is 2.");
        }
        break;
    case RejoinTab:
        RunJoin();
        UpdateControls();
        break;
    case ClipTab:
        RunClip(ClipStartFrame, ClipEndFrame);
        UpdateControls();
        break;
    }
}

void TForm1::Helpcontents1Click()
{
    ShellOpen(ProgramDataFile(QStringLiteral("help/Default.htm")).toStdString());
}

void TForm1::Website1Click()
{
    ShellOpen(TAboutForm::HomePage().toStdString());
}

void TForm1::About1Click()
{
    TAboutForm about(this);
    about.exec();
}

void TForm1::Binaryfilecompare1Click()
{
#ifdef ZENDRA_WITH_COMPARE
    TBinaryCompare compare(this);
    compare.exec();
#endif
}

void TForm1::Avistructure1Click()
{
#ifdef ZENDRA_WITH_VIEWER
    TMainStructForm viewer(this);
    viewer.ShowStructure(MovieFileName);
#endif
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == pWMPPanel && PanelWindowProc(event))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

// Drops and resizes of the preview panel; true when the event was taken.
bool TForm1::PanelWindowProc(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Resize:
        pWMPPanelResize();
        return false;
    case QEvent::DragEnter: {
        auto* enter = static_cast<QDragEnterEvent*>(event);
        if (enter->mimeData()->hasUrls())
            enter->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        QStringList names;
        for (const QUrl& url : drop->mimeData()->urls())
            if (url.isLocalFile())
                names << url.toLocalFile();
        drop->acceptProposedAction();
        HandleDroppedFiles(names);
        return true;
    }
    default:
        return false;
    }
}

void TForm1::WakeUp()
{
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void TForm1::RecoverFromError()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    // A job that lets messages run keeps its own state; its end puts the window back.
    if (Busy)
        return;
    FOpening = false;
    EnableChildControls(this, true);
    Notebook1->setCurrentIndex(DefaultPage);
    UpdateControls();
}

}  // namespace zendra
