// The "Data" tab of the structure viewer: the frame list and the raw bytes of a chunk.
#include <QButtonGroup>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/Platform.h"
#include "platform/forms/WidgetHelpers.h"
#include "viewer/FrameList.h"
#include "viewer/FrameListModel.h"
#include "viewer/FrameListView.h"
#include "viewer/MainStruct.h"
#include "viewer/RawPage.h"

namespace zendra {

namespace {

constexpr int kGridSide = 16;

QFont FixedFont(int pixels)
{
    QFont font = PixelFont("Courier New", QFont::TypeWriter, pixels);
    font.setFixedPitch(true);
    return font;
}

QString HexPair(int value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

QWidget* TMainStructForm::BuildDataTab()
{
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsData"));
    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(BuildFrameInformation());
    layout->addWidget(BuildRawData(), 1);
    return page;
}

QWidget* TMainStructForm::BuildFrameInformation()
{
    cbFrameMode = new QComboBox;
    cbFrameMode->setObjectName(QStringLiteral("cbFrameMode"));
    cbFrameMode->addItems({QStringLiteral("Video and audio frame"), QStringLiteral("Audio frame only"),
                           QStringLiteral("Video frame only"), QStringLiteral("Video key-frame only")});

    // The column titles above the fixed-width lines.
    auto* titles = new QStandardItemModel(0, 5, this);
    const QString names[5] = {QStringLiteral("A/V"), QStringLiteral("Number"), QStringLiteral("Flag"),
                              QStringLiteral("Offset"), QStringLiteral("Size")};
    const int widths[5] = {32, 70, 40, 85, 80};
    HeaderControl1 = new QHeaderView(Qt::Horizontal);
    HeaderControl1->setObjectName(QStringLiteral("HeaderControl1"));
    HeaderControl1->setModel(titles);
    HeaderControl1->setSectionResizeMode(QHeaderView::Fixed);
    HeaderControl1->setSectionsClickable(false);
    for (int i = 0; i < 5; ++i) {
        titles->setHeaderData(i, Qt::Horizontal, names[i]);
        titles->setHeaderData(i, Qt::Horizontal,
                              int(i == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignRight | Qt::AlignVCenter),
                              Qt::TextAlignmentRole);
        HeaderControl1->resizeSection(i, widths[i]);
    }
    HeaderControl1->setFixedHeight(HeaderControl1->sizeHint().height());

    FFrameLines = new TFrameListModel(FState, this);
    lbData = new TFrameListView;
    lbData->setObjectName(QStringLiteral("lbData"));
    lbData->setFont(FixedFont(12));
    lbData->setModel(FFrameLines);

    auto* group = new QGroupBox(QStringLiteral("Frame information"));
    group->setObjectName(QStringLiteral("gbFrameInformation"));
    auto* layout = new QVBoxLayout(group);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    layout->addWidget(cbFrameMode);
    layout->addWidget(HeaderControl1);
    layout->addWidget(lbData, 1);
    // Wide enough for a whole line and the list's scroll bar.
    const int lineWidth = QFontMetrics(lbData->font()).horizontalAdvance(QString(43, QLatin1Char('0')));
    group->setFixedWidth(qMax(lineWidth, 307) + 40);
    return group;
}

// Hex/Char and the byte, WORD and DWORD readouts above the grid.
QLayout* TMainStructForm::BuildRawModes()
{
    sbHex = new QToolButton;
    sbHex->setObjectName(QStringLiteral("sbHex"));
    sbHex->setText(QStringLiteral("Hex"));
    sbChar = new QToolButton;
    sbChar->setObjectName(QStringLiteral("sbChar"));
    sbChar->setText(QStringLiteral("Char"));
    auto* modes = new QButtonGroup(this);
    modes->setExclusive(true);
    for (QToolButton* b : {sbHex, sbChar}) {
        b->setCheckable(true);
        b->setMinimumWidth(50);
        modes->addButton(b);
    }
    sbHex->setChecked(true);

    auto makeReadout = [](const QString& name, const QString& text) {
        auto* label = new QLabel(text);
        label->setObjectName(name);
        label->setFont(FixedFont(11));
        return label;
    };
    lbAsByte = makeReadout(QStringLiteral("lbAsByte"), QStringLiteral("As Byte"));
    lbAsWORD = makeReadout(QStringLiteral("lbAsWORD"), QStringLiteral("As WORD"));
    lbAsDWORD = makeReadout(QStringLiteral("lbAsDWORD"), QStringLiteral("As DWORD"));
    auto* readouts = new QVBoxLayout;
    readouts->setSpacing(0);
    readouts->addWidget(lbAsByte);
    readouts->addWidget(lbAsWORD);
    readouts->addWidget(lbAsDWORD);

    auto* top = new QHBoxLayout;
    top->addWidget(sbHex);
    top->addWidget(sbChar);
    top->addSpacing(12);
    top->addLayout(readouts);
    top->addStretch(1);
    return top;
}

QLayout* TMainStructForm::BuildDataGrid()
{
    sgData = new QTableWidget(kGridSide, kGridSide);
    sgData->setObjectName(QStringLiteral("sgData"));
    sgData->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgData->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sgData->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sgData->setShowGrid(true);
    sgData->setMouseTracking(true);
    sgData->viewport()->setMouseTracking(true);
    sgData->viewport()->installEventFilter(this);
    sgData->setSelectionMode(QAbstractItemView::SingleSelection);
    QFont cellFont = sgData->font();
    cellFont.setPixelSize(11);
    sgData->setFont(cellFont);
    sgData->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // Wide enough for a bracketed "[FF]".
    sgData->horizontalHeader()->setDefaultSectionSize(36);
    sgData->horizontalHeader()->setMinimumSectionSize(20);
    sgData->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    sgData->verticalHeader()->setDefaultSectionSize(20);
    sgData->verticalHeader()->setMinimumSectionSize(16);

    sbData = new QScrollBar(Qt::Vertical);
    sbData->setObjectName(QStringLiteral("sbData"));
    sbData->setEnabled(false);
    sbData->setRange(0, 0);
    sbData->setPageStep(1);

    auto* gridRow = new QHBoxLayout;
    gridRow->setSpacing(0);
    gridRow->addWidget(sgData);
    gridRow->addWidget(sbData);
    gridRow->addStretch(1);
    return gridRow;
}

QWidget* TMainStructForm::BuildRawData()
{
    auto* group = new QGroupBox(QStringLiteral("Raw data "));
    group->setObjectName(QStringLiteral("gbRawData"));
    auto* layout = new QVBoxLayout(group);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(BuildRawModes());
    layout->addLayout(BuildDataGrid());
    layout->addStretch(1);
    PrepareGrid();
    return group;
}

// Headings: the byte offsets within a page, and a grid sized to show all of it.
void TMainStructForm::PrepareGrid()
{
    QStringList columns, rows;
    for (int i = 0; i < kGridSide; ++i) {
        columns << HexPair(i);
        rows << HexPair(i * kGridSide);
    }
    sgData->setHorizontalHeaderLabels(columns);
    sgData->setVerticalHeaderLabels(rows);
    const int width = sgData->verticalHeader()->sizeHint().width() +
                      kGridSide * sgData->horizontalHeader()->defaultSectionSize() + 2 * sgData->frameWidth();
    const int height = sgData->horizontalHeader()->sizeHint().height() +
                       kGridSide * sgData->verticalHeader()->defaultSectionSize() + 2 * sgData->frameWidth();
    sgData->setFixedSize(width, height);
    sbData->setFixedHeight(height);
}

// The walk has just let messages run for this entry (IndexStep); the text of the line is
// made only when the list shows it.
void TMainStructForm::AddFrameLine(const IndexEntry&, bool video)
{
    const TEntryList& list = video ? FState.VideoEntries : FState.AudioEntries;
    FFrameLines->Append(video, static_cast<std::uint32_t>(list.Count() - 1));
}

void TMainStructForm::lbDataClick()
{
    FSelected = nullptr;
    if (!FLoaded)
        return;
    const IndexEntry* entry = FFrameLines->EntryAt(lbData->currentRow());
    if (!entry)
        return;
    FSelected = entry;
    sbData->setEnabled(false);
    {
        const QSignalBlocker quiet(sbData);
        sbData->setMaximum(LastRawPage(SelectedChunkPosition(), entry->Length));
        sbData->setValue(0);
    }
    ShowRawPage(0);
    sbData->setEnabled(true);
}

void TMainStructForm::sbDataChange()
{
    ShowRawPage(sbData->value());
}

std::uint64_t TMainStructForm::SelectedChunkPosition() const
{
    return ChunkPosition(*FSelected, FState.Records.RelativeIndex, FState.Records.MovieDataPosition);
}

void TMainStructForm::ClearGridCells()
{
    for (int row = 0; row < kGridSide; ++row)
        for (int column = 0; column < kGridSide; ++column)
            if (QTableWidgetItem* cell = sgData->item(row, column))
                cell->setText(QString());
}

void TMainStructForm::ShowRawPage(int page)
{
    FTopLeft = 0;
    ClearGridCells();
    if (!FLoaded || !FSelected)
        return;
    TRawPage raw;
    if (!ReadRawPage(QFile::encodeName(FFileName).toStdString(), SelectedChunkPosition(), FSelected->Length, page,
                     sbChar->isChecked(), raw))
        return;
    FTopLeft = raw.TopLeft;
    SetStatus(0, QStringLiteral("Left top Position: ") +
                     QString::fromStdString(OffsetText(FTopLeft)));
    SetStatus(1, QString());
    for (std::size_t i = 0; i < raw.Cells.size(); ++i) {
        const int row = static_cast<int>(i) / kGridSide;
        const int column = static_cast<int>(i) % kGridSide;
        QTableWidgetItem* cell = sgData->item(row, column);
        if (!cell) {
            cell = new QTableWidgetItem;
            cell->setTextAlignment(Qt::AlignCenter);
            sgData->setItem(row, column, cell);
        }
        cell->setText(QString::fromStdString(raw.Cells[i]));
    }
}

void TMainStructForm::sgDataMouseMove(const QPoint& pos)
{
    SetStatus(1, QString());
    const QModelIndex cell = sgData->indexAt(pos);
    if (!FLoaded || !FSelected || !cell.isValid())
        return;
    const std::uint64_t at = FTopLeft + static_cast<std::uint64_t>(cell.row()) * kGridSide + cell.column();
    SetStatus(1, QStringLiteral("Cell Position: ") + QString::fromStdString(OffsetText(at)));
}

void TMainStructForm::sgDataClick(int row, int column)
{
    if (!FLoaded || !FSelected || row < 0 || column < 0)
        return;
    TCellValues values;
    const std::uint64_t at = FTopLeft + static_cast<std::uint64_t>(row) * kGridSide + column;
    if (!ReadCellValues(QFile::encodeName(FFileName).toStdString(), at, values))
        return;
    lbAsByte->setText(QString::fromStdString(ReadoutText("As  Byte:", values.Byte)));
    lbAsWORD->setText(QString::fromStdString(ReadoutText("As  WORD:", values.Word)));
    lbAsDWORD->setText(QString::fromStdString(ReadoutText("As DWORD:", values.DWord)));
}

}  // namespace zendra
