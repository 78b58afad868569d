// The Rejoin tab: the list of parts to join, kept in run and part order, and the join job.
#include "app/MainWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTreeWidget>

#include "app/CombiSort.h"
#include "app/jobs/JobCore.h"
#include "app/jobs/JoinMembers.h"
#include "common/FileHelpers.h"
#include "common/ScopeExit.h"
#include "common/TextHelpers.h"
#include "platform/Dialogs.h"
#include "platform/Platform.h"

namespace zendra {

TCombiSort* RecordOf(QTreeWidgetItem* row)
{
    auto* item = dynamic_cast<TCombiItem*>(row);
    return item ? item->Record.get() : nullptr;
}

long double SecondsOfTimeText(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d+)h:(\\d+)m:(\\d+)s:(\\d+)ms$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return 0;
    return match.captured(1).toLongLong() * 3600.0L + match.captured(2).toInt() * 60.0L +
           match.captured(3).toInt() + match.captured(4).toInt() / 100.0L;
}

QString JoinTotalOf(double seconds)
{
    const TTimeOfDay t = DayFractionToTime(seconds / 86400.0);
    return QStringLiteral("Result around: ") + QString::number(t.hours) + QStringLiteral("h: ") +
           QString::fromStdString(TwoDigitText(static_cast<std::uint16_t>(t.minutes))) + QStringLiteral("m: ") +
           QString::fromStdString(TwoDigitText(static_cast<std::uint16_t>(t.seconds))) + QStringLiteral("s ");
}

void FitJoinColumns(QTreeWidget& list)
{
    for (int column = jcFilename; column < jcLocation; ++column) {
        const int classic = list.columnWidth(column);
        list.resizeColumnToContents(column);
        if (list.columnWidth(column) < classic)
            list.setColumnWidth(column, classic);
    }
}

void CheckJoinOrigin(const QTreeWidget& list, QLabel& warning)
{
    std::vector<std::string> batches;
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        batches.push_back(list.topLevelItem(i)->text(jcBatchIdentity).toStdString());
    warning.setVisible(MixedOrigins(batches));
}

namespace {

// One row of the list being rebuilt: a row already listed, a freshly read record, or both
// (a restored row whose file was read again).
struct TJoinEntry {
    std::string Key;
    TCombiItem* Row = nullptr;
    std::unique_ptr<TCombiSort> Fresh;

    const TCombiSort& Record() const { return Fresh ? *Fresh : *Row->Record; }
};

// The file's part record and playing time; nothing when it is no part of a split run.
// rebuild: what to do with a part whose index is missing or cut short.
std::unique_ptr<TCombiSort> ReadPart(const QString& path, TIndexRebuild rebuild)
{
    const auto member = ReadJoinMember(path.toStdString(), rebuild);
    if (!member)
        return {};
    auto record = std::make_unique<TCombiSort>();
    record->FilePath = path;
    record->Info = member->Record;
    record->PlayTime = member->PlayTime;
    record->IndexRebuilt = !member->RebuiltIndex.empty();
    return record;
}

// A row restored from a project file: read its file again; when that is gone or no
// longer a part, its texts are all there is.
std::unique_ptr<TCombiSort> RecordOfRestoredRow(const QTreeWidgetItem& row)
{
    const QString location = row.text(jcLocation);
    try {
        if (auto record = ReadPart(location, TIndexRebuild::Refuse))
            return record;
    } catch (const EZendraError&) {
        // a damaged file: the row keeps what its texts say
    }
    auto record = std::make_unique<TCombiSort>();
    record->FilePath = location;
    record->Info.SetBatchIdentity(row.text(jcBatchIdentity).toStdString());
    record->Info.SetPartIndex(static_cast<std::uint16_t>(DigitsToInt(row.text(jcIdx).toStdString())));
    record->PlayTime = SecondsOfTimeText(row.text(jcDuration));
    return record;
}

void SetRowTexts(QTreeWidgetItem& row, const TCombiSort& record)
{
    row.setText(jcFilename, QFileInfo(record.FilePath).fileName());
    row.setText(jcIdx, QString::fromStdString(IntToZeroPadded(record.Info.PartIndex(), 5)));
    row.setText(jcDuration, QString::fromStdString(SecondsToTimeText(record.PlayTime)));
    row.setText(jcBatchIdentity, QString::fromStdString(record.Info.BatchIdentity()));
    row.setText(jcLocation, record.FilePath);
}

QString TotalText(const std::vector<TJoinEntry>& entries)
{
    double seconds = 0;
    for (const TJoinEntry& entry : entries)
        seconds += static_cast<double>(entry.Record().PlayTime);
    return JoinTotalOf(seconds);
}

// The total of the rows now in the list; an empty list reads as at the start.
QString RowsTotalText(const QTreeWidget& list)
{
    if (list.topLevelItemCount() == 0)
        return QStringLiteral("Result: 0h: 00m: 00s");
    double seconds = 0;
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = list.topLevelItem(i);
        const TCombiSort* record = RecordOf(row);
        seconds += static_cast<double>(record ? record->PlayTime : SecondsOfTimeText(row->text(jcDuration)));
    }
    return JoinTotalOf(seconds);
}

// The rows listed now, each with its record (a restored row's read again).
std::vector<TJoinEntry> ListedEntries(const QTreeWidget& list)
{
    std::vector<TJoinEntry> entries;
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        TJoinEntry entry;
        entry.Row = static_cast<TCombiItem*>(list.topLevelItem(i));
        if (!entry.Row->Record)
            entry.Fresh = RecordOfRestoredRow(*entry.Row);
        entry.Key = JoinSortKey(entry.Record().Info);
        entries.push_back(std::move(entry));
    }
    return entries;
}

// Adds the picked files that are parts of a split run and not listed yet.
void AddPickedParts(std::vector<TJoinEntry>& entries, const std::vector<std::string>& picked)
{
    for (const std::string& name : picked) {
        ProcessMessages();
        const QString path = QString::fromStdString(name);
        if (QFileInfo(path).suffix().toLower() != QStringLiteral("avi"))
            continue;
        TJoinEntry entry;
        entry.Fresh = ReadPart(path, TIndexRebuild::Ask);
        if (!entry.Fresh)
            continue;
        entry.Key = JoinSortKey(entry.Fresh->Info);
        // The same part of the same run is listed already, or was picked twice.
        if (ListsPart(entries, entry.Key))
            continue;
        entries.push_back(std::move(entry));
    }
}

// Empties the list without deleting its rows: the entries hold them.
void TakeAllRows(QTreeWidget& list)
{
    while (list.topLevelItemCount() > 0)
        list.takeTopLevelItem(list.topLevelItemCount() - 1);
}

void AddEntryRows(QTreeWidget& list, std::vector<TJoinEntry>& entries)
{
    for (TJoinEntry& entry : entries) {
        TCombiItem* row = entry.Row ? entry.Row : new TCombiItem;
        if (entry.Fresh)
            row->Record = std::move(entry.Fresh);
        SetRowTexts(*row, *row->Record);
        list.addTopLevelItem(row);
    }
}

QString NotTakenText(std::size_t count)
{
    return QStringLiteral("There are ") + QString::number(count) + QStringLiteral(" file") +
           (count > 1 ? QStringLiteral("s") : QString()) +
           QStringLiteral(" in the selection which has an unknown format,\n has been included in the list,\n or is "
                          "not a result of a splitting by Zendra");
}

}  // namespace

std::vector<std::string> TForm1::PickJoinFiles(bool add)
{
    for (;;) {
        std::vector<std::string> picked = Dialogs().OpenFiles(
            SplitDlg.Title.toStdString(), SplitDlg.Filter.toStdString(), SplitDlg.InitialDir.toStdString());
        if (picked.empty() || add || picked.size() >= 2)
            return picked;
        ShowMessage("At least two files are needed to join.\nUse mouse click in combination with Shift key \nor "
                    "Control key for multiple selection.");
    }
}

bool TForm1::SelectJoinFiles(bool add)
{
    SplitDlg.Title = QStringLiteral("Select movies to join");
    if (SplitDlg.InitialDir.isEmpty())
        SplitDlg.InitialDir = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Output"));
    lvCombine->setUpdatesEnabled(false);
    const TScopeExit repaint([this] { lvCombine->setUpdatesEnabled(true); });

    const std::vector<std::string> picked = PickJoinFiles(add);
    if (picked.empty())
        return false;
    SplitDlg.InitialDir = QFileInfo(QString::fromStdString(picked.front())).absolutePath();

    std::vector<TJoinEntry> entries;
    if (add)
        entries = ListedEntries(*lvCombine);
    const std::size_t listed = entries.size();
    AddPickedParts(entries, picked);
    if (!add && entries.size() < 2) {
        ShowMessage("At least two valid files are needed to join.");
        return false;
    }
    const std::size_t notTaken = picked.size() + listed - entries.size();
    SortForJoin(entries);

    if (add)
        TakeAllRows(*lvCombine);
    else
        ClearJoinList();
    JoinTotalText = TotalText(entries);
    AddEntryRows(*lvCombine, entries);
    FitJoinColumns(*lvCombine);
    CheckJoinOrigin(*lvCombine, *lbCombiWarning);
    UpdateControls();
    if (notTaken > 0)
        ShowMessage(NotTakenText(notTaken).toStdString());
    return true;
}

void TForm1::ClearJoinList()
{
    lvCombine->clear();  // the rows own their records
}

void TForm1::sbAddCombiClick()
{
    SelectJoinFiles(true);
}

void TForm1::sbRemoveCombiClick()
{
    if (Confirm("Remove the selected items from the list?", TButtons::OKCancel) != TAnswer::OK)
        return;
    lbCombiWarning->setVisible(false);
    const QList<QTreeWidgetItem*> selected = lvCombine->selectedItems();
    if (selected.isEmpty())
        return;
    for (int i = lvCombine->topLevelItemCount() - 1; i >= 0; --i)
        if (lvCombine->topLevelItem(i)->isSelected())
            delete lvCombine->takeTopLevelItem(i);
    JoinTotalText = RowsTotalText(*lvCombine);
    CheckJoinOrigin(*lvCombine, *lbCombiWarning);
    UpdateControls();
}

void TForm1::sbClearCombiClick()
{
    if (Confirm("Clear the item list?", TButtons::OKCancel) != TAnswer::OK)
        return;
    lbCombiWarning->setVisible(false);
    ClearJoinList();
    JoinTotalText = RowsTotalText(*lvCombine);
    UpdateControls();
}

void TForm1::SpeedButton1Click()
{
    OutFileDlg.FileName = eJoinFilename->text();
    const QString folder =
        OutFileDlg.FileName.isEmpty() ? OutFileDlg.InitialDir : QFileInfo(OutFileDlg.FileName).absolutePath();
    const QString chosen = QString::fromStdString(Dialogs().SaveFile(
        OutFileDlg.Title.toStdString(), OutFileDlg.Filter.toStdString(), folder.toStdString(),
        OutFileDlg.DefaultExt.toStdString()));
    if (chosen.isEmpty())
        return;
    OutFileDlg.FileName = chosen;
    eJoinFilename->setText(chosen);
}

bool TForm1::RunJoin()
{
    if (lvCombine->topLevelItemCount() < 2) {
        ShowMessage(kTooFewToJoinText);
        return false;
    }
    OutFileDlg.FileName = eJoinFilename->text();
    if (OutFileDlg.FileName.isEmpty()) {
        SpeedButton1Click();
        if (OutFileDlg.FileName.isEmpty())
            return false;
    }
    const QString path = OutFileDlg.FileName;
    if (FileExists(path.toStdString())) {
        if (Confirm(("File " + path + " exists. Overwrite?").toStdString(), TButtons::OKCancel) != TAnswer::OK)
            return false;
        if (!RecycleFile(path.toStdString())) {
            ShowMessage(("Can not delete " + path + ". File is in use.").toStdString());
            return false;
        }
    }

    const std::string first = lvCombine->topLevelItem(0)->text(jcLocation).toStdString();
    std::vector<std::string> members;
    for (int i = 1; i < lvCombine->topLevelItemCount(); ++i)
        members.push_back(lvCombine->topLevelItem(i)->text(jcLocation).toStdString());

    bool joined = false;
    {
        const TScopeExit jobEnd([this] { ShowDefaultPage(); });
        ProgressBase = 0;
        ShowWorkingPage(QStringLiteral("Writing output file: ") + path);
        ProcessMessages();
        TJobHooks hooks = JobHooks();
        // Parts whose index the user had built when they were listed are read that way again.
        for (int i = 0; i < lvCombine->topLevelItemCount(); ++i)
            if (const TCombiSort* record = RecordOf(lvCombine->topLevelItem(i)); record && record->IndexRebuilt)
                hooks.IndexRebuild = TIndexRebuild::Rebuild;
        joined = RunJoinParts(first, members, path.toStdString(), hooks);
    }
    if (joined && Confirm(("File " + path + " is ready. See the result?").toStdString(), TButtons::YesNo) ==
                      TAnswer::Yes)
        ViewJobResult(path);
    return joined;
}

}  // namespace zendra
