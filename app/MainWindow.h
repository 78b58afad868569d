// The main window: the movie being worked on, the three job tabs, the preview with
// its track bar, the progress page and the status bar.
#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/IndexRebuild.h"
#include "platform/MoviePlayer.h"

class QAbstractButton;
class QAction;
class QButtonGroup;
class QComboBox;
class QDoubleSpinBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSlider;
class QStackedWidget;
class QTabWidget;
class QTimer;
class QToolButton;
class QTreeWidget;

namespace zendra {

class TKeyFrameStrip;
class TSpinEdit;
class TZendra;
struct TJobHooks;
struct TProjectLoad;

// What the classic file dialogs kept between runs of the dialog.
struct TFileDialogState {
    QString FileName;
    QString Title;
    QString Filter;
    QString InitialDir;
    QString DefaultExt;
};

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // makePlayer builds the preview player; empty: the libmpv player.
    explicit TForm1(TPlayerFactory makePlayer = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    enum TTab { SplitTab = 0, RejoinTab = 1, ClipTab = 2 };
    enum TPage { DefaultPage = 0, WorkingPage = 1, WaitPage = 2 };

    // --- operations of the window
    bool OpenMovie();
    void UpdateControls();
    QString ResultText();
    QString SizeText();
    void UpdateOutputFolder();
    QString NextFreeFolder(const QString& prefix) const;
    void HandleDroppedFiles(const QStringList& names);
    // Drops and resizes of the preview panel; true when the event was taken.
    bool PanelWindowProc(QEvent* event);
    // After an error escaped a command: the window usable again on its Default page.
    void RecoverFromError();
    // A second start asked this instance to come to the front.
    void WakeUp();
    QString StatusPanel(int index) const;
    TTab ActiveTab() const;

    // --- split tab
    // The split check of the movie just read, and its modes' part counts.
    bool PrepareSplitModes();
    void cbModeChange();
    void seSplitMaxChange();
    void seSplitMaxExit();
    void eSplitFilenameChange();
    void seSplitSizeChange();
    // The plan of the selected mode; false for a movie without key entries.
    bool PlanSelectedMode(const TZendra& movie, std::vector<std::int32_t>& starts) const;
    std::uint64_t SplitSizeBytes() const;
    void ShowSizeModeCount();

    // --- the jobs
    void StartSplit();
    bool RunJoin();
    bool SelectJoinFiles(bool add);
    std::vector<std::string> PickJoinFiles(bool add);
    bool RunClip(std::int32_t startFrame, std::int32_t endFrame);
    bool RunSplit(const std::vector<std::int32_t>& plan, std::int32_t entryCount);

    // --- Working page
    void ShowProgress(std::int32_t done, std::int32_t total);
    void bCancelClick();

    // --- clip tab
    void rbStartDefaultClick();
    void rbStartCustomClick();
    void rbEndDefaultClick();
    void rbEndCustomClick();
    void sbCustomStartClick();
    void sbCustomEndClick();
    void sbLocateStartClick();
    void sbLocateEndClick();

    // --- join list
    void ClearJoinList();
    void sbAddCombiClick();
    void sbRemoveCombiClick();
    void sbClearCombiClick();
    void SpeedButton1Click();

    // --- project files
    void NewProject1Click();
    void OpenProject1Click();
    void SaveProject1Click();
    void SaveProjectas1Click();
    bool SaveProjectFile();
    bool LoadProjectFile();
    QString ChooseProjectFile();
    void ApplyProjectMovie(const TProjectLoad& load, const QString& name);
    void ApplyProjectSplit(const TProjectLoad& load);
    void ApplyProjectJoinList(const TProjectLoad& load);

    // --- player panel
    void TrackBar1Change();
    void sbPlay1Click();
    void sbStop1Click();
    void TrackTimer1Timer();
    void sbFirst1Click(QAbstractButton* sender);
    void sbSlowMotionClick();
    void tmSlowMotionTimer();
    void sbOneLeftMouseDown(QAbstractButton* sender);
    void sbOneLeftMouseUp();
    void sbOneLeftClick();
    void TmStep1Timer();
    void pWMPPanelResize();
    std::int32_t CurrentFrame() const;
    double CurrentTime() const;
    // Frames count from 1, the track bar from 0: position p shows frame p + 1.
    std::int32_t FrameShown() const;
    std::int32_t FrameAtPosition(int position) const;
    static int PositionOfFrame(std::int32_t frame);
    void sbStop1Toggled(bool down);

    // --- keys of the Play menu
    void PlayPause1Click();
    void StepFrame(int step);
    void StepKeyFrame(int direction);
    void SetClipStart1Click();
    void SetClipEnd1Click();

    // --- handlers of the menu and the top panel
    void Open1Click();
    void bStartClick();
    void PageControl1Change();
    void File1Click();
    void Exit1Click();
    void Defaultoutputdirectory1Click();
    void Helpcontents1Click();
    void Website1Click();
    void About1Click();
    void Binaryfilecompare1Click();
    void Avistructure1Click();
    void Tools1Click() {}

    // --- window state
    // The movie being worked on: the one last chosen, also when it was refused.
    QString MovieFileName;
    bool Busy = false;
    bool ModeChanging = false;
    TZendra* CurrentEngine = nullptr;
    std::int32_t ClipStartFrame = 0;
    std::int32_t ClipEndFrame = 0;
    double JobStartTime = 0;
    bool MovieUsable = false;
    bool MovieLoaded = false;
    std::int32_t ProgressBase = 0;
    QString JoinTotalText;
    std::int32_t LastTrackPosition = -1;
    double MovieDuration = 0;
    std::int32_t TotalFrames = 0;
    double FrameRate = 0;
    QString OutputBaseFolder;
    bool RefreshGuard = false;
    // Marks of the player panel (the timers' tags in the classic layout).
    int PlayingMark = 0;
    int MotionMark = 0;
    int StepState = 0;
    // How long OpenMovie waits for the preview to load a movie.
    int PlayerReadyTimeoutMs = 15000;

    TFileDialogState FileOpenDlg;  // its file name stays empty: the window holds the movie
    TFileDialogState OutFileDlg;
    TFileDialogState SplitDlg;
    TFileDialogState SaveProjDlg;
    TFileDialogState OpenProjDlg;
    // Steady clock of the running job: its estimate survives midnight and clock changes.
    QElapsedTimer JobClock;
    // Shows a finished result; empty: the desktop's video player (ViewResult).
    std::function<bool(const QString&)> ResultViewer;

    // --- menu
    QMenu* File1 = nullptr;
    QMenu* Tools1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* Open1 = nullptr;
    QAction* NewProject1 = nullptr;
    QAction* OpenProject1 = nullptr;
    QAction* SaveProject1 = nullptr;
    QAction* SaveProjectas1 = nullptr;
    QAction* Startsplitting1 = nullptr;
    QAction* Defaultoutputdirectory1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* Binaryfilecompare1 = nullptr;
    QAction* Avistructure1 = nullptr;
    QAction* Helpcontents1 = nullptr;
    QAction* About1 = nullptr;
    QAction* Website1 = nullptr;
    QMenu* Play1 = nullptr;
    QAction* PlayPause1 = nullptr;
    QAction* PreviousFrame1 = nullptr;
    QAction* NextFrame1 = nullptr;
    QAction* PreviousKeyFrame1 = nullptr;
    QAction* NextKeyFrame1 = nullptr;
    QAction* FirstFrame1 = nullptr;
    QAction* LastFrame1 = nullptr;
    QAction* SetClipStart1 = nullptr;
    QAction* SetClipEnd1 = nullptr;

    // --- top panel
    QFrame* pTopPanel = nullptr;
    QToolButton* sbSelect = nullptr;
    QToolButton* bStart = nullptr;
    QWidget* pPlayButtons = nullptr;
    QButtonGroup* PlayButtonGroup = nullptr;
    QToolButton* sbPlay1 = nullptr;
    QToolButton* sbStop1 = nullptr;
    QToolButton* sbFirst1 = nullptr;
    QToolButton* sbLast1 = nullptr;
    QToolButton* sbOneLeft = nullptr;
    QToolButton* sbOneRight = nullptr;
    QToolButton* sbSlowMotion = nullptr;
    QToolButton* sbFastMotion = nullptr;

    // --- preview area and join list
    QWidget* pBackground = nullptr;
    QTreeWidget* lvCombine = nullptr;
    QWidget* Panel3 = nullptr;
    QFrame* pWMPPanel = nullptr;
    IMoviePlayer* WMP1 = nullptr;
    QScrollArea* sbTracker1 = nullptr;
    QWidget* pTrack1 = nullptr;
    QSlider* TrackBar1 = nullptr;
    TKeyFrameStrip* pKeyFrames = nullptr;

    // --- pages
    QStackedWidget* Notebook1 = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* tbSplitting = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* tbCropping = nullptr;

    // Split tab
    QGroupBox* GroupBox4 = nullptr;
    QComboBox* cbMode = nullptr;
    TSpinEdit* seSplitMax = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lbSplitSize = nullptr;
    QDoubleSpinBox* seSplitSize = nullptr;  // MB; the limit of mode "By size"
    QGroupBox* GroupBox5 = nullptr;
    QLineEdit* eSplitFilename = nullptr;
    QLabel* Label4 = nullptr;
    QGroupBox* GroupBox6 = nullptr;
    QLineEdit* eSplitOutDir = nullptr;
    QWidget* Panel5 = nullptr;
    QToolButton* SpeedButton3 = nullptr;

    // Rejoin tab
    QToolButton* sbAddCombi = nullptr;
    QToolButton* sbRemoveCombi = nullptr;
    QToolButton* sbClearCombi = nullptr;
    QLabel* lbCombiWarning = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QLineEdit* eJoinFilename = nullptr;

    // Clip tab
    QGroupBox* GroupBox3 = nullptr;
    QRadioButton* rbStartDefault = nullptr;
    QRadioButton* rbStartCustom = nullptr;
    QGroupBox* gbStartCustom = nullptr;
    QLabel* lbStartCustom = nullptr;
    QToolButton* sbCustomStart = nullptr;
    QToolButton* sbLocateStart = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QRadioButton* rbEndDefault = nullptr;
    QRadioButton* rbEndCustom = nullptr;
    QGroupBox* gbEndCustom = nullptr;
    QLabel* lbEndCustom = nullptr;
    QToolButton* sbCustomEnd = nullptr;
    QToolButton* sbLocateEnd = nullptr;
    QLabel* lbRealStart = nullptr;

    // Working and Wait pages
    QLabel* lbWriting = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* lbProgress = nullptr;
    QWidget* Panel2 = nullptr;
    QPushButton* bBreak1 = nullptr;
    QLabel* lbWait = nullptr;

    // --- status bar and timers
    QLabel* SB1Panels[3] = {};
    QTimer* TrackTimer1 = nullptr;
    QTimer* tmSlowMotion = nullptr;
    QTimer* TmStep1 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateMenus();
    void CreatePlayMenu();
    void CreateTopPanel();
    void CreatePlayButtons();
    void CreateBackground(const TPlayerFactory& makePlayer);
    void CreateNotebook();
    void CreateSplitTab();
    void CreateSplitModeBox();
    void CreateSplitNameBox();
    void CreateSplitFolderBox();
    void CreateRejoinTab();
    void CreateClipTab();
    void CreateWorkingPage();
    void CreateWaitPage();
    void CreateStatusBar();
    void CreateTimers();
    void FormCreate();
    bool FormCloseQuery() const;
    void FormResize();
    bool WaitForPlayer();
    void SetStatusPanel(int index, const QString& text);
    QString ShortenedMovieName() const;
    void BeginOpening();
    void EndOpening();
    // The jobs' parts of the window: their hooks and shared steps.
    void UpdateJobCommands();
    TJobHooks JobHooks();
    void ShowWorkingPage(const QString& writingText);
    void ShowDefaultPage();
    bool ViewJobResult(const QString& fileName);
    // The player panel's and Clip tab's view of the movie's index.
    bool AcceptMovie(const QString& name);
    void ReadMovieLength();
    void ForgetMovie();
    void HoldFrameShown();
    void UpdatePlayCommands();
    QString RealStartText() const;
    std::int32_t ClipEndForJob(std::int32_t endFrame) const;

    bool FOpening = false;
    // The movie's engine, read once when it is opened: its split modes, key frames, length
    // and the clip's real start.
    std::unique_ptr<TZendra> FMovie;
    // The answer to the rebuild question, asked once when the movie is opened.
    TIndexRebuild MovieIndexRebuild = TIndexRebuild::Refuse;
};

// The folder beside the program ("Output/") when it can be written, else a Zendra folder
// in the user's videos folder (an installed program's folder is not the user's).
QString DefaultOutputBase(const QString& programFolder);

}  // namespace zendra
