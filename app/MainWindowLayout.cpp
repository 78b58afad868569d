// Building the window's widgets, each connected to its handler where it is made; the
// handlers live in the other MainWindow*.cpp files.
#include "app/MainWindow.h"

#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/KeyFrameStrip.h"
#include "app/SpinEdit.h"
#include "app/jobs/JoinMembers.h"
#include "platform/WMPlayer.h"

namespace zendra {

namespace {

template <typename T>
T* Named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QAction* AddItem(QMenu* menu, const char* name, const QString& caption)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

// An item that runs handler of form when it is chosen.
QAction* AddCommand(QMenu* menu, const char* name, const QString& caption, TForm1* form, void (TForm1::*handler)())
{
    QAction* action = AddItem(menu, name, caption);
    QObject::connect(action, &QAction::triggered, form, handler);
    return action;
}

QAction* AddKey(QMenu* menu, const char* name, const QString& caption, const QKeySequence& keys)
{
    QAction* action = AddItem(menu, name, caption);
    action->setShortcut(keys);
    action->setEnabled(false);
    return action;
}

QToolButton* SpeedButton(QWidget* parent, const char* name, const QString& caption, const QString& hint = {})
{
    auto* button = Named(new QToolButton(parent), name);
    button->setText(caption);
    button->setToolTip(hint);
    button->setAutoRaise(false);
    return button;
}

void SetTextColour(QWidget* widget, const QColor& colour)
{
    // Only the enabled groups: a disabled control must still look disabled.
    QPalette palette = widget->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::WindowText, colour);
        palette.setColor(group, QPalette::ButtonText, colour);
    }
    widget->setPalette(palette);
}

void Embolden(QWidget* widget)
{
    QFont font = widget->font();
    font.setBold(true);
    widget->setFont(font);
}

// Tight margins: the tabs have 121 pixels for everything.
template <typename Layout>
Layout* Compact(Layout* layout, int margin = 4, int spacing = 4)
{
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(spacing);
    return layout;
}

QGroupBox* GroupBox(QWidget* parent, const char* name, const QString& caption)
{
    auto* box = Named(new QGroupBox(caption, parent), name);
    return box;
}

// One end of the clip on the Clip tab: the window's members it fills, their names and
// captions, and the handlers of its two choices, its pick button ("!") and Locate.
struct TClipEnd {
    QGroupBox*& box;
    const char* boxName;
    QString caption;
    QRadioButton*& byDefault;
    const char* defaultName;
    QString defaultCaption;
    QRadioButton*& custom;
    const char* customName;
    QGroupBox*& customBox;
    const char* customBoxName;
    QString customCaption;
    QLabel*& time;
    const char* timeName;
    QToolButton*& pick;
    const char* pickName;
    QToolButton*& locate;
    const char* locateName;
    void (TForm1::*onDefault)();
    void (TForm1::*onCustom)();
    void (TForm1::*onPick)();
    void (TForm1::*onLocate)();
};

QGroupBox* CreateClipEnd(TForm1& form, QWidget* tab, const TClipEnd& end)
{
    end.box = GroupBox(tab, end.boxName, end.caption);
    auto* inner = Compact(new QHBoxLayout(end.box), 4, 6);
    auto* choices = Compact(new QVBoxLayout, 0, 2);
    end.byDefault = Named(new QRadioButton(end.defaultCaption, end.box), end.defaultName);
    end.byDefault->setChecked(true);
    end.custom = Named(new QRadioButton(QStringLiteral("Custom"), end.box), end.customName);
    choices->addWidget(end.byDefault);
    choices->addWidget(end.custom);
    inner->addLayout(choices);

    end.customBox = GroupBox(end.box, end.customBoxName, end.customCaption);
    // Time above its buttons: both ends fit side by side in the narrowest window.
    auto* custom = Compact(new QVBoxLayout(end.customBox), 4, 2);
    end.time = Named(new QLabel(QStringLiteral("0h:00m:00s:00ms"), end.customBox), end.timeName);
    SetTextColour(end.time, QColor(0, 0, 128));
    end.time->setMinimumWidth(end.time->fontMetrics().horizontalAdvance(QStringLiteral("00h:00m:00s:00ms")));
    auto* buttons = Compact(new QHBoxLayout, 0, 4);
    end.pick = SpeedButton(end.customBox, end.pickName, QStringLiteral("!"), QStringLiteral("Pick current position"));
    SetTextColour(end.pick, Qt::red);
    Embolden(end.pick);
    end.locate = SpeedButton(end.customBox, end.locateName, QStringLiteral("Locate"));
    custom->addWidget(end.time);
    buttons->addWidget(end.pick);
    buttons->addWidget(end.locate);
    buttons->addStretch(1);
    custom->addLayout(buttons);
    inner->addWidget(end.customBox, 1);

    QObject::connect(end.byDefault, &QRadioButton::clicked, &form, end.onDefault);
    QObject::connect(end.custom, &QRadioButton::clicked, &form, end.onCustom);
    QObject::connect(end.pick, &QToolButton::clicked, &form, end.onPick);
    QObject::connect(end.locate, &QToolButton::clicked, &form, end.onLocate);
    return end.box;
}

}  // namespace

void TForm1::CreateMenus()
{
    File1 = Named(menuBar()->addMenu(QStringLiteral("File")), "File1");
    connect(File1, &QMenu::aboutToShow, this, &TForm1::File1Click);
    Open1 = AddCommand(File1, "Open1", QStringLiteral("Select file(s)..."), this, &TForm1::Open1Click);
    File1->addSeparator();
    NewProject1 = AddCommand(File1, "NewProject1", QStringLiteral("New Project"), this, &TForm1::NewProject1Click);
    OpenProject1 =
        AddCommand(File1, "OpenProject1", QStringLiteral("Open Project..."), this, &TForm1::OpenProject1Click);
    SaveProject1 = AddCommand(File1, "SaveProject1", QStringLiteral("Save Project"), this, &TForm1::SaveProject1Click);
    SaveProjectas1 =
        AddCommand(File1, "SaveProjectas1", QStringLiteral("Save Project as..."), this, &TForm1::SaveProjectas1Click);
    File1->addSeparator();
    Startsplitting1 = AddCommand(File1, "Startsplitting1", QStringLiteral("Start "), this, &TForm1::bStartClick);
    Startsplitting1->setEnabled(false);
    Defaultoutputdirectory1 = AddCommand(File1, "Defaultoutputdirectory1",
                                         QStringLiteral("Default output directory..."), this,
                                         &TForm1::Defaultoutputdirectory1Click);
    File1->addSeparator();
    Exit1 = AddCommand(File1, "Exit1", QStringLiteral("Exit"), this, &TForm1::Exit1Click);

    CreatePlayMenu();

    Tools1 = Named(menuBar()->addMenu(QStringLiteral("Tools")), "Tools1");
    connect(Tools1, &QMenu::aboutToShow, this, &TForm1::Tools1Click);
    Binaryfilecompare1 = AddCommand(Tools1, "Binaryfilecompare1", QStringLiteral("Binary file compare"), this,
                                    &TForm1::Binaryfilecompare1Click);
    Avistructure1 =
        AddCommand(Tools1, "Avistructure1", QStringLiteral("Avi file structure"), this, &TForm1::Avistructure1Click);

    Help1 = Named(menuBar()->addMenu(QStringLiteral("Help")), "Help1");
    Helpcontents1 =
        AddCommand(Help1, "Helpcontents1", QStringLiteral("Help contents"), this, &TForm1::Helpcontents1Click);
    About1 = AddCommand(Help1, "About1", QStringLiteral("About"), this, &TForm1::About1Click);
    Website1 = AddCommand(Help1, "Website1", QStringLiteral("Zendra home page (README)"), this, &TForm1::Website1Click);
}

// The keys of the player panel and the Clip tab, with their shortcuts on show.
void TForm1::CreatePlayMenu()
{
    Play1 = Named(menuBar()->addMenu(QStringLiteral("Play")), "Play1");
    PlayPause1 = AddKey(Play1, "PlayPause1", QStringLiteral("Play / Pause"), Qt::Key_Space);
    Play1->addSeparator();
    PreviousFrame1 = AddKey(Play1, "PreviousFrame1", QStringLiteral("Previous frame"), Qt::Key_Left);
    NextFrame1 = AddKey(Play1, "NextFrame1", QStringLiteral("Next frame"), Qt::Key_Right);
    PreviousKeyFrame1 =
        AddKey(Play1, "PreviousKeyFrame1", QStringLiteral("Previous key frame"), Qt::CTRL | Qt::Key_Left);
    NextKeyFrame1 = AddKey(Play1, "NextKeyFrame1", QStringLiteral("Next key frame"), Qt::CTRL | Qt::Key_Right);
    FirstFrame1 = AddKey(Play1, "FirstFrame1", QStringLiteral("First frame"), Qt::Key_Home);
    LastFrame1 = AddKey(Play1, "LastFrame1", QStringLiteral("Last frame"), Qt::Key_End);
    Play1->addSeparator();
    SetClipStart1 = AddKey(Play1, "SetClipStart1", QStringLiteral("Clip start at this frame"), Qt::Key_I);
    SetClipEnd1 = AddKey(Play1, "SetClipEnd1", QStringLiteral("Clip end at this frame"), Qt::Key_O);

    connect(PlayPause1, &QAction::triggered, this, &TForm1::PlayPause1Click);
    connect(PreviousFrame1, &QAction::triggered, this, [this] { StepFrame(-1); });
    connect(NextFrame1, &QAction::triggered, this, [this] { StepFrame(1); });
    connect(PreviousKeyFrame1, &QAction::triggered, this, [this] { StepKeyFrame(-1); });
    connect(NextKeyFrame1, &QAction::triggered, this, [this] { StepKeyFrame(1); });
    connect(FirstFrame1, &QAction::triggered, this, [this] { sbFirst1Click(sbFirst1); });
    connect(LastFrame1, &QAction::triggered, this, [this] { sbFirst1Click(sbLast1); });
    connect(SetClipStart1, &QAction::triggered, this, &TForm1::SetClipStart1Click);
    connect(SetClipEnd1, &QAction::triggered, this, &TForm1::SetClipEnd1Click);
}

void TForm1::CreatePlayButtons()
{
    pPlayButtons = Named(new QWidget(pTopPanel), "pPlayButtons");
    auto* row = Compact(new QHBoxLayout(pPlayButtons), 0, 2);
    PlayButtonGroup = new QButtonGroup(this);
    PlayButtonGroup->setExclusive(true);
    const auto add = [&](const char* name, QStyle::StandardPixmap glyph, const QString& caption,
                         const QString& hint) {
        QToolButton* button = SpeedButton(pPlayButtons, name, caption, hint);
        if (caption.isEmpty())
            button->setIcon(style()->standardIcon(glyph));
        button->setCheckable(true);
        button->setFixedSize(28, 25);
        PlayButtonGroup->addButton(button);
        row->addWidget(button);
        return button;
    };
    sbPlay1 = add("sbPlay1", QStyle::SP_MediaPlay, {}, QStringLiteral("Play movie "));
    sbStop1 = add("sbStop1", QStyle::SP_MediaStop, {}, QStringLiteral("Stop"));
    sbFirst1 = add("sbFirst1", QStyle::SP_MediaSkipBackward, {}, QStringLiteral("Go to the begining"));
    sbLast1 = add("sbLast1", QStyle::SP_MediaSkipForward, {}, QStringLiteral("Go to the end"));
    sbOneLeft = add("sbOneLeft", QStyle::SP_ArrowLeft, QStringLiteral("<"), QStringLiteral("One frame to the left"));
    sbOneRight = add("sbOneRight", QStyle::SP_ArrowRight, QStringLiteral(">"), QStringLiteral("One frame to the right"));
    sbSlowMotion = add("sbSlowMotion", QStyle::SP_MediaSeekForward, {}, QStringLiteral("Slow motion (Without sound)"));
    sbFastMotion = add("sbFastMotion", QStyle::SP_MediaSeekForward, {}, QStringLiteral("Fast forward (Without sound)"));
    for (QToolButton* hidden : {sbOneLeft, sbOneRight, sbSlowMotion, sbFastMotion})
        hidden->setVisible(false);
    sbStop1->setChecked(true);

    // Connected once Stop is down: its toggle handler needs the timers, made later.
    connect(sbPlay1, &QToolButton::clicked, this, &TForm1::sbPlay1Click);
    connect(sbStop1, &QToolButton::clicked, this, &TForm1::sbStop1Click);
    connect(sbStop1, &QToolButton::toggled, this, &TForm1::sbStop1Toggled);
    connect(sbFirst1, &QToolButton::clicked, this, [this] { sbFirst1Click(sbFirst1); });
    connect(sbLast1, &QToolButton::clicked, this, [this] { sbFirst1Click(sbLast1); });
    connect(sbSlowMotion, &QToolButton::clicked, this, &TForm1::sbSlowMotionClick);
    connect(sbFastMotion, &QToolButton::clicked, this, &TForm1::sbSlowMotionClick);
    for (QToolButton* step : {sbOneLeft, sbOneRight}) {
        // pressed fires for the left button only.
        connect(step, &QToolButton::pressed, this, [this, step] { sbOneLeftMouseDown(step); });
        connect(step, &QToolButton::released, this, &TForm1::sbOneLeftMouseUp);
        connect(step, &QToolButton::clicked, this, &TForm1::sbOneLeftClick);
    }
}

void TForm1::CreateTopPanel()
{
    pTopPanel = Named(new QFrame, "pTopPanel");
    pTopPanel->setFixedHeight(33);
    auto* row = Compact(new QHBoxLayout(pTopPanel), 4, 4);
    sbSelect = SpeedButton(pTopPanel, "sbSelect", QStringLiteral("Select"));
    SetTextColour(sbSelect, Qt::blue);
    bStart = SpeedButton(pTopPanel, "bStart", QStringLiteral("Start"));
    SetTextColour(bStart, Qt::red);
    for (QToolButton* button : {sbSelect, bStart}) {
        Embolden(button);
        button->setFixedSize(72, 25);
        row->addWidget(button);
    }
    bStart->setEnabled(false);
    connect(sbSelect, &QToolButton::clicked, this, &TForm1::Open1Click);
    connect(bStart, &QToolButton::clicked, this, &TForm1::bStartClick);
    row->addSpacing(12);
    CreatePlayButtons();
    row->addWidget(pPlayButtons);
    row->addStretch(1);
}

void TForm1::CreateBackground(const TPlayerFactory& makePlayer)
{
    pBackground = Named(new QWidget, "pBackground");
    auto* stack = Compact(new QVBoxLayout(pBackground), 0, 0);

    lvCombine = Named(new QTreeWidget(pBackground), "lvCombine");
    lvCombine->setRootIsDecorated(false);
    lvCombine->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvCombine->setHeaderLabels({QStringLiteral("Filename"), QStringLiteral("Idx"), QStringLiteral("Duration"),
                                QStringLiteral("Batch identity"), QStringLiteral("Location")});
    const int widths[] = {150, 30, 80, 250, 300};
    for (int column = 0; column < 5; ++column)
        lvCombine->setColumnWidth(column, widths[column]);
    lvCombine->setVisible(false);
    connect(lvCombine, &QTreeWidget::itemSelectionChanged, this, &TForm1::UpdateControls);
    stack->addWidget(lvCombine);

    Panel3 = Named(new QWidget(pBackground), "Panel3");
    auto* column = Compact(new QVBoxLayout(Panel3), 0, 0);
    pWMPPanel = Named(new QFrame(Panel3), "pWMPPanel");
    pWMPPanel->setAutoFillBackground(true);
    QPalette teal = pWMPPanel->palette();
    teal.setColor(QPalette::Window, QColor(0, 128, 128));
    pWMPPanel->setPalette(teal);
    pWMPPanel->setAcceptDrops(true);
    WMP1 = makePlayer ? makePlayer(pWMPPanel) : new TWMPlayer(pWMPPanel);
    WMP1->Widget()->setObjectName(QStringLiteral("WMP1"));
    WMP1->Widget()->setFixedSize(239, 179);
    pWMPPanel->installEventFilter(this);  // drops and resizes: PanelWindowProc
    column->addWidget(pWMPPanel, 1);

    sbTracker1 = Named(new QScrollArea(Panel3), "sbTracker1");
    sbTracker1->setFixedHeight(34);  // the track bar and its key-frame strip
    sbTracker1->setFrameShape(QFrame::NoFrame);
    sbTracker1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sbTracker1->setWidgetResizable(true);
    pTrack1 = Named(new QWidget, "pTrack1");
    pTrack1->setMinimumHeight(30);
    auto* track = Compact(new QVBoxLayout(pTrack1), 0, 0);
    track->setContentsMargins(3, 0, 3, 0);  // the track bar's left offset, on both sides
    TrackBar1 = Named(new QSlider(Qt::Horizontal, pTrack1), "TrackBar1");
    TrackBar1->setFixedHeight(24);
    TrackBar1->setRange(0, 0);
    TrackBar1->setSingleStep(1);
    TrackBar1->setTickPosition(QSlider::NoTicks);
    connect(TrackBar1, &QSlider::valueChanged, this, &TForm1::TrackBar1Change);
    track->addWidget(TrackBar1);
    pKeyFrames = Named(new TKeyFrameStrip(TrackBar1, pTrack1), "pKeyFrames");
    pKeyFrames->setFixedHeight(7);
    track->addWidget(pKeyFrames);
    sbTracker1->setWidget(pTrack1);
    column->addWidget(sbTracker1);
    stack->addWidget(Panel3);
}

void TForm1::CreateSplitTab()
{
    tbSplitting = Named(new QWidget, "tbSplitting");
    auto* grid = Compact(new QGridLayout(tbSplitting), 4, 2);
    CreateSplitModeBox();
    CreateSplitNameBox();
    CreateSplitFolderBox();
    grid->addWidget(GroupBox4, 0, 0);
    grid->addWidget(GroupBox5, 0, 1);
    grid->addWidget(GroupBox6, 1, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    PageControl1->addTab(tbSplitting, QStringLiteral("Split"));
}

void TForm1::CreateSplitModeBox()
{
    GroupBox4 = GroupBox(tbSplitting, "GroupBox4", QStringLiteral("Split into (approx.):"));
    auto* modeRow = Compact(new QHBoxLayout(GroupBox4), 4, 4);
    cbMode = Named(new QComboBox(GroupBox4), "cbMode");
    cbMode->addItems({QStringLiteral("Optimal"), QStringLiteral("Median"), QStringLiteral("Smallest"),
                      QStringLiteral("Custom"), QStringLiteral("By size")});
    seSplitMax = Named(new TSpinEdit(GroupBox4), "seSplitMax");
    seSplitMax->SetText(QStringLiteral("100"));
    Label1 = Named(new QLabel(QStringLiteral("parts"), GroupBox4), "Label1");
    modeRow->addWidget(cbMode);
    modeRow->addWidget(seSplitMax);
    modeRow->addWidget(Label1);
    lbSplitSize = Named(new QLabel(QStringLiteral("of at most"), GroupBox4), "lbSplitSize");
    seSplitSize = Named(new QDoubleSpinBox(GroupBox4), "seSplitSize");
    seSplitSize->setDecimals(2);
    seSplitSize->setRange(0.01, 999999.99);  // parts past 1 GiB are OpenDML: no limit but the disk
    seSplitSize->setValue(700);
    seSplitSize->setSuffix(QStringLiteral(" MB"));
    seSplitSize->setKeyboardTracking(false);  // one new plan per value, not one per keystroke
    modeRow->addWidget(lbSplitSize);
    modeRow->addWidget(seSplitSize);
    modeRow->addStretch(1);
    connect(cbMode, &QComboBox::activated, this, &TForm1::cbModeChange);
    connect(seSplitMax, &TSpinEdit::Changed, this, &TForm1::seSplitMaxChange);
    connect(seSplitMax, &TSpinEdit::Exit, this, &TForm1::seSplitMaxExit);
    connect(seSplitMax, &TSpinEdit::editingFinished, this, &TForm1::seSplitMaxExit);
    connect(seSplitSize, &QDoubleSpinBox::valueChanged, this, &TForm1::seSplitSizeChange);
}

void TForm1::CreateSplitNameBox()
{
    GroupBox5 = GroupBox(tbSplitting, "GroupBox5", QStringLiteral("Output base name"));
    auto* nameRow = Compact(new QHBoxLayout(GroupBox5), 4, 6);
    eSplitFilename = Named(new QLineEdit(QStringLiteral("Output"), GroupBox5), "eSplitFilename");
    Label4 = Named(new QLabel(QStringLiteral("Five digit indexer will be added  at the end of the output file name."),
                              GroupBox5),
                   "Label4");
    Label4->setWordWrap(true);
    SetTextColour(Label4, Qt::blue);
    QFont small = Label4->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    Label4->setFont(small);
    nameRow->addWidget(eSplitFilename, 1);
    nameRow->addWidget(Label4, 2);
    connect(eSplitFilename, &QLineEdit::textChanged, this, &TForm1::eSplitFilenameChange);
}

void TForm1::CreateSplitFolderBox()
{
    GroupBox6 = GroupBox(tbSplitting, "GroupBox6", QStringLiteral("Output folder:"));
    auto* folderRow = Compact(new QHBoxLayout(GroupBox6), 4, 4);
    eSplitOutDir = Named(new QLineEdit(GroupBox6), "eSplitOutDir");
    eSplitOutDir->setReadOnly(true);
    Panel5 = Named(new QWidget(GroupBox6), "Panel5");
    auto* buttonBox = Compact(new QHBoxLayout(Panel5), 0, 0);
    SpeedButton3 = SpeedButton(Panel5, "SpeedButton3", QStringLiteral("Set base"));
    buttonBox->addWidget(SpeedButton3);
    connect(SpeedButton3, &QToolButton::clicked, this, &TForm1::Defaultoutputdirectory1Click);
    folderRow->addWidget(eSplitOutDir, 1);
    folderRow->addWidget(Panel5);
}

void TForm1::CreateRejoinTab()
{
    TabSheet2 = Named(new QWidget, "TabSheet2");
    auto* grid = Compact(new QGridLayout(TabSheet2), 4, 4);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    sbAddCombi = SpeedButton(TabSheet2, "sbAddCombi", QStringLiteral("Add"));
    sbRemoveCombi = SpeedButton(TabSheet2, "sbRemoveCombi", QStringLiteral("Remove"));
    sbClearCombi = SpeedButton(TabSheet2, "sbClearCombi", QStringLiteral("Clear"));
    for (QToolButton* button : {sbAddCombi, sbRemoveCombi, sbClearCombi}) {
        button->setMinimumWidth(64);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    connect(sbAddCombi, &QToolButton::clicked, this, &TForm1::sbAddCombiClick);
    connect(sbRemoveCombi, &QToolButton::clicked, this, &TForm1::sbRemoveCombiClick);
    connect(sbClearCombi, &QToolButton::clicked, this, &TForm1::sbClearCombiClick);

    lbCombiWarning = Named(new QLabel(QString::fromLatin1(kMixedOriginText), TabSheet2), "lbCombiWarning");
    lbCombiWarning->setWordWrap(true);
    SetTextColour(lbCombiWarning, Qt::red);
    lbCombiWarning->setVisible(false);

    GroupBox2 = GroupBox(TabSheet2, "GroupBox2", QStringLiteral("Output filename: "));
    auto* outputRow = Compact(new QHBoxLayout(GroupBox2), 4, 4);
    eJoinFilename = Named(new QLineEdit(GroupBox2), "eJoinFilename");
    eJoinFilename->setReadOnly(true);
    SpeedButton1 = SpeedButton(GroupBox2, "SpeedButton1", QStringLiteral("Set"));
    connect(SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);
    outputRow->addWidget(eJoinFilename, 1);
    outputRow->addWidget(SpeedButton1);

    grid->addLayout(buttons, 0, 0);
    grid->addWidget(lbCombiWarning, 0, 1);
    grid->addWidget(GroupBox2, 1, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    PageControl1->addTab(TabSheet2, QStringLiteral("Rejoin"));
}

void TForm1::CreateClipTab()
{
    tbCropping = Named(new QWidget, "tbCropping");
    auto* page = Compact(new QVBoxLayout(tbCropping), 4, 2);
    auto* row = Compact(new QHBoxLayout, 0, 6);
    page->addLayout(row, 1);
    const TClipEnd ends[] = {
        {GroupBox3, "GroupBox3", QStringLiteral("Starting from :"), rbStartDefault, "rbStartDefault",
         QStringLiteral("The beginning"), rbStartCustom, "rbStartCustom", gbStartCustom, "gbStartCustom",
         QStringLiteral("Custom Start"), lbStartCustom, "lbStartCustom", sbCustomStart, "sbCustomStart",
         sbLocateStart, "sbLocateStart", &TForm1::rbStartDefaultClick, &TForm1::rbStartCustomClick,
         &TForm1::sbCustomStartClick, &TForm1::sbLocateStartClick},
        {GroupBox1, "GroupBox1", QStringLiteral("Ending at :"), rbEndDefault, "rbEndDefault",
         QStringLiteral("The end"), rbEndCustom, "rbEndCustom", gbEndCustom, "gbEndCustom",
         QStringLiteral("Custom end"), lbEndCustom, "lbEndCustom", sbCustomEnd, "sbCustomEnd", sbLocateEnd,
         "sbLocateEnd", &TForm1::rbEndDefaultClick, &TForm1::rbEndCustomClick, &TForm1::sbCustomEndClick,
         &TForm1::sbLocateEndClick},
    };
    for (const TClipEnd& end : ends)
        row->addWidget(CreateClipEnd(*this, tbCropping, end), 1);
    // Where the clip really starts: the key frame its start snaps to.
    lbRealStart = Named(new QLabel(tbCropping), "lbRealStart");
    SetTextColour(lbRealStart, QColor(0, 0, 128));
    page->addWidget(lbRealStart);
    PageControl1->addTab(tbCropping, QStringLiteral("Clip"));
}

void TForm1::CreateWorkingPage()
{
    auto* page = Named(new QWidget, "Working");
    auto* row = Compact(new QHBoxLayout(page), 6, 6);
    auto* column = Compact(new QVBoxLayout, 0, 6);
    lbWriting = Named(new QLabel(QStringLiteral("Writing file "), page), "lbWriting");
    ProgressBar1 = Named(new QProgressBar(page), "ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    lbProgress = Named(new QLabel(QStringLiteral("Estimated time left:..."), page), "lbProgress");
    SetTextColour(lbProgress, QColor(0, 0, 128));
    column->addWidget(lbWriting);
    column->addWidget(ProgressBar1);
    column->addWidget(lbProgress);
    column->addStretch(1);
    Panel2 = Named(new QWidget(page), "Panel2");
    Panel2->setFixedWidth(105);
    auto* buttonBox = Compact(new QVBoxLayout(Panel2), 4, 4);
    bBreak1 = Named(new QPushButton(QStringLiteral("Break"), Panel2), "bBreak1");
    connect(bBreak1, &QPushButton::clicked, this, &TForm1::bCancelClick);
    buttonBox->addWidget(bBreak1);
    buttonBox->addStretch(1);
    row->addLayout(column, 1);
    row->addWidget(Panel2);
    Notebook1->addWidget(page);
}

void TForm1::CreateWaitPage()
{
    auto* page = Named(new QWidget, "Wait");
    auto* row = Compact(new QHBoxLayout(page), 6, 6);
    lbWait = Named(new QLabel(QStringLiteral("Please wait. Opening file....."), page), "lbWait");
    lbWait->setAlignment(Qt::AlignCenter);
    Embolden(lbWait);
    row->addWidget(lbWait);
    Notebook1->addWidget(page);
}

void TForm1::CreateNotebook()
{
    Notebook1 = Named(new QStackedWidget, "Notebook1");
    // 121 pixels held the tabs in the classic fonts; today's need a little more.
    Notebook1->setFixedHeight(150);
    auto* defaultPage = Named(new QWidget, "Default");
    auto* holder = Compact(new QVBoxLayout(defaultPage), 0, 0);
    PageControl1 = Named(new QTabWidget(defaultPage), "PageControl1");
    PageControl1->setTabPosition(QTabWidget::South);
    PageControl1->setDocumentMode(true);
    Embolden(PageControl1->tabBar());
    holder->addWidget(PageControl1);
    CreateSplitTab();
    CreateRejoinTab();
    CreateClipTab();
    // Connected once the tabs are in: adding the first one makes it current.
    connect(PageControl1, &QTabWidget::currentChanged, this, &TForm1::PageControl1Change);
    Notebook1->addWidget(defaultPage);
    CreateWorkingPage();
    CreateWaitPage();
}

void TForm1::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("SB1"));
    bar->setSizeGripEnabled(true);
    // The estimate panel is wider than the classic 200 pixels: its texts did not fit in today's fonts.
    const int widths[] = {160, 270, 50};
    for (int i = 0; i < 3; ++i) {
        SB1Panels[i] = Named(new QLabel(bar), i == 0 ? "SB1Panel0" : i == 1 ? "SB1Panel1" : "SB1Panel2");
        SB1Panels[i]->setFrameShape(QFrame::StyledPanel);
        SB1Panels[i]->setFrameShadow(QFrame::Sunken);
        if (i < 2)
            SB1Panels[i]->setFixedWidth(widths[i]);
        else
            SB1Panels[i]->setMinimumWidth(widths[i]);
        SB1Panels[i]->setSizePolicy(i == 2 ? QSizePolicy::Ignored : QSizePolicy::Fixed, QSizePolicy::Preferred);
        // The last panel takes what is left.
        bar->addWidget(SB1Panels[i], i == 2 ? 1 : 0);
    }
}

void TForm1::CreateTimers()
{
    TrackTimer1 = Named(new QTimer(this), "TrackTimer1");
    TrackTimer1->setInterval(100);
    tmSlowMotion = Named(new QTimer(this), "tmSlowMotion");
    tmSlowMotion->setInterval(200);
    TmStep1 = Named(new QTimer(this), "TmStep1");
    connect(TrackTimer1, &QTimer::timeout, this, &TForm1::TrackTimer1Timer);
    connect(tmSlowMotion, &QTimer::timeout, this, &TForm1::tmSlowMotionTimer);
    connect(TmStep1, &QTimer::timeout, this, &TForm1::TmStep1Timer);
}

}  // namespace zendra
