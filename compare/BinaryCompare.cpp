#include "compare/BinaryCompare.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "compare/CompareCore.h"
#include "platform/Dialogs.h"
#include "platform/Platform.h"

namespace zendra {

namespace {

bool NamesFile(const QLineEdit* edit)
{
    return !edit->text().isEmpty() && QFileInfo(edit->text()).isFile();
}

std::string LocalPath(const QLineEdit* edit)
{
    return QFile::encodeName(edit->text()).toStdString();
}

}  // namespace

TBinaryCompare::TBinaryCompare(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("BinaryCompare"));
    setWindowTitle(QStringLiteral("Binary file compare"));
    BuildWindow();
    ConnectSignals();
}

TBinaryCompare::~TBinaryCompare() = default;

QGroupBox* TBinaryCompare::BuildFileGroup(const QString& title, QLineEdit*& edit, QWidget*& panel,
                                          QToolButton*& button, int number)
{
    edit = new QLineEdit;
    edit->setObjectName(QStringLiteral("Edit%1").arg(number));
    edit->setReadOnly(true);
    button = new QToolButton;
    button->setObjectName(QStringLiteral("sbSet%1").arg(number));
    button->setText(QStringLiteral("Select"));
    button->setMinimumWidth(70);
    // The select panel keeps its width; the edit takes the rest of the row.
    panel = new QWidget;
    panel->setObjectName(QStringLiteral("Panel%1").arg(number));
    panel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(button);

    auto* group = new QGroupBox(title);
    auto* layout = new QHBoxLayout(group);
    layout->setContentsMargins(6, 2, 6, 4);
    layout->addWidget(edit, 1);
    layout->addWidget(panel);
    return group;
}

void TBinaryCompare::BuildWindow()
{
    auto* first = BuildFileGroup(QStringLiteral("First file"), Edit1, Panel1, sbSet1, 1);
    auto* second = BuildFileGroup(QStringLiteral("Second file"), Edit2, Panel2, sbSet2, 2);

    sbCompare = new QPushButton(QStringLiteral("Compare"));
    sbCompare->setObjectName(QStringLiteral("sbCompare"));
    QFont bold = sbCompare->font();
    bold.setBold(true);
    sbCompare->setFont(bold);
    sbCompare->setStyleSheet(QStringLiteral("QPushButton:enabled { color: blue; }"));
    sbCompare->setEnabled(false);
    sbCompare->setAutoDefault(false);
    sbClose = new QPushButton(QStringLiteral("Close"));
    sbClose->setObjectName(QStringLiteral("sbClose"));
    sbClose->setAutoDefault(false);

    lbSoFar = new QLabel(QStringLiteral("So far they are identical..."));
    lbSoFar->setObjectName(QStringLiteral("lbSoFar"));
    lbSoFar->hide();
    ProgressBar1 = new QProgressBar;
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();

    auto* progress = new QVBoxLayout;
    progress->setSpacing(0);
    progress->addWidget(lbSoFar);
    progress->addWidget(ProgressBar1);
    auto* buttons = new QHBoxLayout;
    buttons->addLayout(progress, 1);
    buttons->addWidget(sbCompare);
    buttons->addWidget(sbClose);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(first);
    layout->addWidget(second);
    layout->addLayout(buttons);
    setFixedSize(483, 150);
}

void TBinaryCompare::ConnectSignals()
{
    connect(sbSet1, &QToolButton::clicked, this, &TBinaryCompare::sbSet1Click);
    connect(sbSet2, &QToolButton::clicked, this, &TBinaryCompare::sbSet1Click);
    connect(sbCompare, &QPushButton::clicked, this, &TBinaryCompare::sbCompareClick);
    connect(sbClose, &QPushButton::clicked, this, &TBinaryCompare::sbCloseClick);
}

void TBinaryCompare::sbSet1Click()
{
    // A file chosen mid-run would be reported on under the old compare's findings.
    if (FComparing)
        return;
    sbCompare->setEnabled(false);
    QLineEdit* edit = sender() == sbSet2 ? Edit2 : Edit1;
    const std::string chosen =
        Dialogs().OpenFile("Select", "AVI file (*.avi);;All files (*.*)", edit->text().toStdString());
    if (chosen.empty())
        return;
    edit->setText(QString::fromStdString(chosen));
    UpdateCompareButton();
}

void TBinaryCompare::UpdateCompareButton()
{
    sbCompare->setEnabled(NamesFile(Edit1) && NamesFile(Edit2));
}

void TBinaryCompare::sbCloseClick()
{
    if (FComparing)
        FStopRequested = true;
    else
        close();
}

void TBinaryCompare::done(int result)
{
    // Closing while comparing asks to stop first, like Break.
    if (FComparing) {
        FStopRequested = true;
        return;
    }
    QDialog::done(result);
}

void TBinaryCompare::sbCompareClick()
{
    FStopRequested = false;
    if (FComparing || !NamesFile(Edit1) || !NamesFile(Edit2))
        return;
    RunCompare();
}

void TBinaryCompare::BeginCompare()
{
    sbClose->setText(QStringLiteral("Break"));
    FComparing = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    sbCompare->setEnabled(false);
    sbSet1->setEnabled(false);
    sbSet2->setEnabled(false);
}

void TBinaryCompare::EndCompare()
{
    lbSoFar->hide();
    ProgressBar1->hide();
    FComparing = false;
    sbSet1->setEnabled(true);
    sbSet2->setEnabled(true);
    sbCompare->setEnabled(true);
    sbClose->setText(QStringLiteral("Close"));
    QApplication::restoreOverrideCursor();
}

bool TBinaryCompare::AskStopRequest()
{
    if (!FStopRequested)
        return true;
    if (Confirm(kStopQuestion, TButtons::OKCancel) == TAnswer::OK)
        return false;
    FStopRequested = false;
    return true;
}

bool TBinaryCompare::ReportDifference(const std::string& text)
{
    lbSoFar->hide();
    return Confirm(text, TButtons::YesNo) == TAnswer::Yes;
}

void TBinaryCompare::RunCompare()
{
    bool begun = false;
    TCompareHooks hooks;
    hooks.Begin = [&](std::int64_t, std::int64_t) {
        begun = true;
        BeginCompare();
    };
    hooks.ConfirmSizes = [](const std::string& text) { return Confirm(text, TButtons::OKCancel) == TAnswer::OK; };
    hooks.Reading = [this](std::int32_t maximum) {
        ProgressBar1->setRange(0, maximum);
        ProgressBar1->show();
        lbSoFar->show();
    };
    hooks.ContinueAfterStop = [this] { return AskStopRequest(); };
    hooks.Progress = [this](std::int32_t position) {
        ProgressBar1->setValue(qMin(position, ProgressBar1->maximum()));
        ProcessMessages();
    };
    hooks.Difference = [this](std::int32_t, const std::string& text) { return ReportDifference(text); };

    ReportOutcome(CompareFiles(LocalPath(Edit1), LocalPath(Edit2), hooks));
    if (begun)
        EndCompare();
}

void TBinaryCompare::ReportOutcome(const TCompareResult& result)
{
    if (result.Outcome == TCompareOutcome::TooLarge) {
        const bool firstTooLarge = result.FirstSize >= kCompareSizeLimit;
        ShowMessage(TooLargeText((firstTooLarge ? Edit1 : Edit2)->text().toStdString()));
        return;
    }
    const bool reachedEnd = result.Outcome == TCompareOutcome::Identical ||
                            result.Outcome == TCompareOutcome::CommonPart || result.Outcome == TCompareOutcome::Changed;
    if (!reachedEnd)
        return;
    lbSoFar->hide();
    ProgressBar1->hide();
    if (result.Outcome == TCompareOutcome::Identical)
        ShowMessage(kIdenticalText);
    else if (result.Outcome == TCompareOutcome::CommonPart)
        ShowMessage(CommonPartText(result.Compared));
    else
        ShowMessage(ChangeReport(result));
}

// Which file changed during the run, and what was compared before.
std::string TBinaryCompare::ChangeReport(const TCompareResult& result) const
{
    std::string text;
    if (result.FirstChanged)
        text += ChangedText(Edit1->text().toStdString(), result.FirstSize, result.FirstEndSize) + "\n";
    if (result.SecondChanged)
        text += ChangedText(Edit2->text().toStdString(), result.SecondSize, result.SecondEndSize) + "\n";
    if (result.Differences == 0)
        text += CommonPartText(result.Compared);
    else
        text += "The compare is not complete.";
    return text;
}

}  // namespace zendra
