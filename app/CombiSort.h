// The record behind one row of the join list.
#pragma once

#include <QString>
#include <QTreeWidgetItem>

#include <memory>

class QLabel;
class QTreeWidget;

#include "engine/AviRecords.h"

namespace zendra {

struct TCombiSort {
    QString FilePath;
    TPartRecord Info;        // the member's part record as the engine read it
    long double PlayTime = 0;  // seconds
    bool IndexRebuilt = false;  // the user agreed to build its index from its contents
};

enum TJoinColumn { jcFilename = 0, jcIdx, jcDuration, jcBatchIdentity, jcLocation, jcColumnCount };

// A row of the join list. It owns its record; rows restored from a project file have none
// until files are added to the list again.
class TCombiItem : public QTreeWidgetItem {
public:
    std::unique_ptr<TCombiSort> Record;
};

// The row's record, or nothing.
TCombiSort* RecordOf(QTreeWidgetItem* row);

// "Result around: 1h: 02m: 05s " for the summed playing time of the rows.
QString JoinTotalOf(double seconds);
// Seconds of a duration text of the list ("1h:02m:05s:50ms"); 0 when it is none.
long double SecondsOfTimeText(const QString& text);
// Widens the columns whose texts would be cut (the classic widths were made for smaller fonts).
void FitJoinColumns(QTreeWidget& list);
// Shows the warning when the rows come from more than one split run.
void CheckJoinOrigin(const QTreeWidget& list, QLabel& warning);

}  // namespace zendra
