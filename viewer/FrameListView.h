// The frame list's view: lines of one height, drawn only while they are on screen. It
// keeps nothing per line (a stock list view keeps a layout position for every row), so a
// list of millions costs no more here than a short one.
#pragma once

#include <QAbstractScrollArea>

class QAbstractItemModel;

namespace zendra {

class TFrameListView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TFrameListView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model);
    QAbstractItemModel* model() const { return FModel; }
    int currentRow() const { return FCurrent; }
    // Selects row (-1: none) and scrolls it into view.
    void setCurrentRow(int row);

signals:
    void currentRowChanged(int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void RowsChanged();
    void ModelReset();

private:
    int LineHeight() const;
    int LinesOnScreen() const;
    int RowCount() const;
    void UpdateScrollRanges();
    void ScrollTo(int row);

    QAbstractItemModel* FModel = nullptr;
    int FCurrent = -1;
};

}  // namespace zendra
