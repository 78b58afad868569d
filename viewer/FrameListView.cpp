#include "viewer/FrameListView.h"

#include <QAbstractItemModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace zendra {

namespace {

constexpr int kTextMargin = 3;
constexpr int kLineCharacters = 43;

}  // namespace

TFrameListView::TFrameListView(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
}

void TFrameListView::setModel(QAbstractItemModel* model)
{
    if (FModel)
        disconnect(FModel, nullptr, this, nullptr);
    FModel = model;
    FCurrent = -1;
    if (FModel) {
        connect(FModel, &QAbstractItemModel::rowsInserted, this, &TFrameListView::RowsChanged);
        connect(FModel, &QAbstractItemModel::rowsRemoved, this, &TFrameListView::ModelReset);
        connect(FModel, &QAbstractItemModel::modelReset, this, &TFrameListView::ModelReset);
    }
    UpdateScrollRanges();
    viewport()->update();
}

int TFrameListView::RowCount() const
{
    return FModel ? FModel->rowCount() : 0;
}

int TFrameListView::LineHeight() const
{
    return fontMetrics().height() + 2;
}

int TFrameListView::LinesOnScreen() const
{
    return qMax(1, viewport()->height() / LineHeight());
}

void TFrameListView::UpdateScrollRanges()
{
    QScrollBar* lines = verticalScrollBar();
    lines->setRange(0, qMax(0, RowCount() - LinesOnScreen()));
    lines->setPageStep(LinesOnScreen());
    lines->setSingleStep(1);
    const int width = fontMetrics().horizontalAdvance(QString(kLineCharacters, QLatin1Char('0'))) + 2 * kTextMargin;
    horizontalScrollBar()->setRange(0, qMax(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void TFrameListView::RowsChanged()
{
    UpdateScrollRanges();
    viewport()->update();
}

// The rows are gone: nothing is selected, and saying so is the loader's business.
void TFrameListView::ModelReset()
{
    FCurrent = -1;
    verticalScrollBar()->setValue(0);
    UpdateScrollRanges();
    viewport()->update();
}

void TFrameListView::setCurrentRow(int row)
{
    if (row < -1 || row >= RowCount())
        return;
    if (row >= 0)
        ScrollTo(row);
    if (row == FCurrent)
        return;
    FCurrent = row;
    viewport()->update();
    emit currentRowChanged(row);
}

void TFrameListView::ScrollTo(int row)
{
    QScrollBar* lines = verticalScrollBar();
    if (row < lines->value())
        lines->setValue(row);
    else if (row >= lines->value() + LinesOnScreen())
        lines->setValue(row - LinesOnScreen() + 1);
}

void TFrameListView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const int first = verticalScrollBar()->value();
    const int last = qMin(RowCount(), first + LinesOnScreen() + 1);
    const int height = LineHeight();
    const int left = kTextMargin - horizontalScrollBar()->value();
    for (int row = first; row < last; ++row) {
        const QRect line(0, (row - first) * height, viewport()->width(), height);
        const bool current = row == FCurrent;
        if (current)
            painter.fillRect(line, palette().highlight());
        painter.setPen(current ? palette().highlightedText().color() : palette().text().color());
        const QString text = FModel->index(row, 0).data().toString();
        painter.drawText(line.adjusted(left, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
    }
}

void TFrameListView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRanges();
}

void TFrameListView::mousePressEvent(QMouseEvent* event)
{
    const int row = verticalScrollBar()->value() + event->position().toPoint().y() / LineHeight();
    if (event->button() == Qt::LeftButton && row < RowCount())
        setCurrentRow(row);
    QAbstractScrollArea::mousePressEvent(event);
}

void TFrameListView::keyPressEvent(QKeyEvent* event)
{
    const int count = RowCount();
    int row = FCurrent;
    switch (event->key()) {
    case Qt::Key_Up: row = qMax(0, row - 1); break;
    case Qt::Key_Down: row = qMin(count - 1, row + 1); break;
    case Qt::Key_PageUp: row = qMax(0, row - LinesOnScreen()); break;
    case Qt::Key_PageDown: row = qMin(count - 1, qMax(0, row) + LinesOnScreen()); break;
    case Qt::Key_Home: row = 0; break;
    case Qt::Key_End: row = count - 1; break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    if (count > 0)
        setCurrentRow(row);
    event->accept();
}

}  // namespace zendra
