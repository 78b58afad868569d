#include "viewer/MainStruct.h"

#include <cstdio>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "platform/Dialogs.h"
#include "platform/Platform.h"
#include "viewer/FrameListModel.h"
#include "viewer/FrameListView.h"

namespace zendra {

namespace {

// The hourglass for the length of a load, however it ends.
class TWaitCursor {
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
};

QGroupBox* GroupAround(const QString& title, QWidget* content, const QString& name = {})
{
    auto* group = new QGroupBox(title);
    if (!name.isEmpty())
        group->setObjectName(name);
    auto* layout = new QVBoxLayout(group);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(content);
    return group;
}

}  // namespace

TMainStructForm::TMainStructForm(QWidget* owner) : TMyForm(owner)
{
    setObjectName(QStringLiteral("MainStructForm"));
    setWindowTitle(QStringLiteral("AVI file structure viewer"));
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    resize(808, 641);
    BuildWindow();
    ConnectSignals();
    // Escape breaks the index walk whichever control has the focus.
    qApp->installEventFilter(this);
    AfterConstruction();
}

TMainStructForm::~TMainStructForm()
{
    qApp->removeEventFilter(this);
    // The list rows point into the entry lists and header rows: empty the widgets first.
    ResetView();
}

void TMainStructForm::BuildWindow()
{
    Edit1 = new QLineEdit;
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setReadOnly(true);
    sbOpen1 = new QToolButton;
    sbOpen1->setObjectName(QStringLiteral("sbOpen1"));
    sbOpen1->setText(QStringLiteral("Open"));
    sbOpen1->setMinimumWidth(75);
    gbFilename = new QGroupBox(QStringLiteral("Filename"));
    gbFilename->setObjectName(QStringLiteral("gbFilename"));
    auto* fileRow = new QHBoxLayout(gbFilename);
    fileRow->setContentsMargins(8, 4, 8, 4);
    fileRow->addWidget(Edit1, 1);
    fileRow->addWidget(sbOpen1);

    PageControl1 = new QTabWidget;
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    tsHeaders = BuildHeadersTab();
    tsData = BuildDataTab();
    PageControl1->addTab(tsHeaders, QStringLiteral("Headers"));
    PageControl1->addTab(tsData, QStringLiteral("Data"));
    PageControl1->setCurrentWidget(tsHeaders);

    StatusBar1 = new QStatusBar;
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    const int widths[3] = {200, 200, 50};
    for (int i = 0; i < 3; ++i) {
        FStatusPanels[i] = new QLabel;
        FStatusPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        FStatusPanels[i]->setFixedWidth(widths[i]);
        StatusBar1->addWidget(FStatusPanels[i]);
    }

    ToolTimer1 = new QTimer(this);
    ToolTimer1->setObjectName(QStringLiteral("ToolTimer1"));
    ToolTimer1->setInterval(100);
    ToolTimer1->setSingleShot(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->addWidget(gbFilename);
    layout->addWidget(PageControl1, 1);
    layout->addWidget(StatusBar1);
}

QTreeWidget* TMainStructForm::MakeHeaderList(const QString& name, bool withSize)
{
    auto* list = new QTreeWidget;
    list->setObjectName(name);
    list->setRootIsDecorated(false);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setUniformRowHeights(true);
    if (withSize) {
        list->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("Value")});
        list->setColumnWidth(0, 150);
        list->setColumnWidth(1, 80);
        list->setColumnWidth(2, 100);
    } else {
        list->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Value")});
        list->setColumnWidth(0, 150);
        list->setColumnWidth(1, 100);
    }
    return list;
}

QWidget* TMainStructForm::BuildHeadersTab()
{
    lvMainHeader = MakeHeaderList(QStringLiteral("lvMainHeader"), true);
    lvCalculated = MakeHeaderList(QStringLiteral("lvCalculated"), false);
    lvVidHeader = MakeHeaderList(QStringLiteral("lvVidHeader"), true);
    lvVidStruct = MakeHeaderList(QStringLiteral("lvVidStruct"), true);
    lvAudHeader = MakeHeaderList(QStringLiteral("lvAudHeader"), true);
    lvAudStruct = MakeHeaderList(QStringLiteral("lvAudStruct"), true);

    auto pair = [](QWidget* left, QWidget* right) {
        auto* splitter = new QSplitter(Qt::Horizontal);
        splitter->addWidget(left);
        splitter->addWidget(right);
        return splitter;
    };
    auto* fileHeader = pair(lvMainHeader, GroupAround(QStringLiteral("Practical informations:"), lvCalculated));
    auto* video = pair(GroupAround(QStringLiteral("Header"), lvVidHeader),
                       GroupAround(QStringLiteral("Structure"), lvVidStruct));
    auto* audio = pair(GroupAround(QStringLiteral("Header"), lvAudHeader),
                       GroupAround(QStringLiteral("Structure"), lvAudStruct));

    auto* rows = new QSplitter(Qt::Vertical);
    rows->addWidget(GroupAround(QStringLiteral("File header"), fileHeader));
    rows->addWidget(GroupAround(QStringLiteral("Video "), video));
    rows->addWidget(GroupAround(QStringLiteral("Audio "), audio));

    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsHeaders"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(rows);
    return page;
}

void TMainStructForm::ConnectSignals()
{
    connect(ToolTimer1, &QTimer::timeout, this, &TMainStructForm::ToolTimer1Timer);
    connect(sbOpen1, &QToolButton::clicked, this, &TMainStructForm::sbOpen1Click);
    connect(cbFrameMode, &QComboBox::currentIndexChanged, this, &TMainStructForm::RB1Click);
    connect(lbData, &TFrameListView::currentRowChanged, this, &TMainStructForm::lbDataClick);
    connect(sbData, &QScrollBar::valueChanged, this, &TMainStructForm::sbDataChange);
    connect(sbHex, &QToolButton::clicked, this, &TMainStructForm::sbDataChange);
    connect(sbChar, &QToolButton::clicked, this, &TMainStructForm::sbDataChange);
    connect(sgData, &QTableWidget::cellClicked, this, &TMainStructForm::sgDataClick);
}

void TMainStructForm::ShowStructure(const QString& fileName)
{
    SetFrameModeQuietly(fmVideoKeyOnly);
    Edit1->setText(fileName);
    FDialogFileName = fileName;
    FOpenedWithFile = true;
    ToolTimer1->start();
    setWindowState(windowState() | Qt::WindowMaximized);
    exec();
}

void TMainStructForm::ToolTimer1Timer()
{
    ToolTimer1->stop();
    if (FOpenedWithFile && !FDialogFileName.isEmpty() && QFileInfo(FDialogFileName).isFile())
        LoadFile(FDialogFileName);
}

void TMainStructForm::sbOpen1Click()
{
    const std::string chosen = Dialogs().OpenFile("Open", "AVI (*.avi)", QFileInfo(FDialogFileName).path().toStdString());
    if (chosen.empty())
        return;
    FDialogFileName = QString::fromStdString(chosen);
    Edit1->setText(FDialogFileName);
    SetFrameModeQuietly(fmVideoKeyOnly);
    PageControl1->setCurrentWidget(tsHeaders);
    LoadFile(FDialogFileName);
}

void TMainStructForm::RB1Click(int index)
{
    FFrameMode = index;
    LoadFile(Edit1->text());
}

void TMainStructForm::SetFrameModeQuietly(int mode)
{
    FFrameMode = mode;
    const QSignalBlocker quiet(cbFrameMode);
    cbFrameMode->setCurrentIndex(mode);
}

bool TMainStructForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyRelease && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && (widget == this || isAncestorOf(widget)))
            FormKeyUp();
    }
    if (event->type() == QEvent::MouseMove && sgData && watched == sgData->viewport())
        sgDataMouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
    return TMyForm::eventFilter(watched, event);
}

void TMainStructForm::FormKeyUp()
{
    FBreak = true;
}

void TMainStructForm::keyPressEvent(QKeyEvent* event)
{
    // Escape breaks a walk; it does not close the window.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    TMyForm::keyPressEvent(event);
}

void TMainStructForm::showEvent(QShowEvent* event)
{
    TMyForm::showEvent(event);
    PrepareGrid();
}

void TMainStructForm::done(int result)
{
    // The walk runs inside an event of this window: close once it has stopped.
    if (FWalking) {
        FBreak = true;
        FCloseAfterWalk = true;
        return;
    }
    TMyForm::done(result);
}

void TMainStructForm::ResetView()
{
    for (QTreeWidget* list : {lvMainHeader, lvVidHeader, lvVidStruct, lvAudHeader, lvAudStruct})
        list->clear();
    {
        const QSignalBlocker quiet(lbData);
        FFrameLines->Clear();
    }
    FSelected = nullptr;
    FTopLeft = 0;
}

bool TMainStructForm::LoadFile(const QString& fileName)
{
    if (FWalking || fileName.isEmpty() || !QFileInfo(fileName).isFile())
        return false;
    {
        const TWaitCursor hourglass;
        ProcessMessages();
        FLoaded = false;
        ResetView();
        FState.Reset();
        FFileName = fileName;
        if (std::FILE* file = std::fopen(QFile::encodeName(fileName).constData(), "rb")) {
            FWalking = true;
            sbOpen1->setEnabled(false);
            cbFrameMode->setEnabled(false);
            FBreak = false;
            WalkStructure(file, FState, FFrameMode, *this);
            std::fclose(file);
            FWalking = false;
            sbOpen1->setEnabled(true);
            cbFrameMode->setEnabled(true);
        }
        FillCalculated();
        FLoaded = true;
        FBreak = false;
    }
    if (FCloseAfterWalk)
        done(QDialog::Rejected);
    return true;
}

void TMainStructForm::FillCalculated()
{
    lvCalculated->clear();
    for (const auto& [caption, value] : CalculatedValues(FState.Records))
        new QTreeWidgetItem(lvCalculated, {QString::fromStdString(caption), QString::fromStdString(value)});
}

QTreeWidget* TMainStructForm::ListFor(THeaderList list) const
{
    switch (list) {
    case THeaderList::MainHeader: return lvMainHeader;
    case THeaderList::VidHeader: return lvVidHeader;
    case THeaderList::VidStruct: return lvVidStruct;
    case THeaderList::AudHeader: return lvAudHeader;
    case THeaderList::AudStruct: return lvAudStruct;
    }
    return lvMainHeader;
}

void TMainStructForm::SetStatus(int panel, const QString& text)
{
    if (FStatusPanels[panel]->text() != text)
        FStatusPanels[panel]->setText(text);
}

void TMainStructForm::HeaderRowAdded(const THeaderRow& row)
{
    auto* item = new QTreeWidgetItem(ListFor(row.List), {QString::fromStdString(row.Name),
                                                         QString::fromStdString(row.TypeText),
                                                         QString::fromStdString(row.ValueText)});
    item->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(row.Info)));
}

void TMainStructForm::IndexWalkStarting()
{
    SetStatus(0, QStringLiteral("Press Escape to break"));
}

bool TMainStructForm::IndexStep(std::uint32_t i, std::uint32_t count)
{
    // Lines reach the view in batches: one insertion per entry would cost more than the walk.
    if (FFrameLines->PendingLines() >= 4096)
        FFrameLines->Flush();
    ProcessMessages();
    if (FBreak)
        return false;
    SetStatus(1, QString::fromStdString(IndexPercentText(i, count)));
    return true;
}

bool TMainStructForm::SearchStep()
{
    SetStatus(0, QStringLiteral("Press Escape to break"));
    ProcessMessages();
    return !FBreak;
}

void TMainStructForm::WalkEnded()
{
    FFrameLines->Flush();
    SetStatus(0, QString());
    SetStatus(1, QString());
}

}  // namespace zendra
