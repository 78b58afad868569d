// The Split tab's modes and part count, prepared when a movie is opened.
#include "app/MainWindow.h"

#include <cmath>

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>

#include "app/SpinEdit.h"
#include "app/jobs/JobCore.h"
#include "engine/Zendra.h"
#include "platform/Platform.h"

namespace zendra {

namespace {

// Working a part count out reads the movie: a wait cursor meanwhile, and the count field's
// own change handler held off until it is set.
class TModeChanging {
public:
    explicit TModeChanging(bool& flag) : FFlag(flag)
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        FFlag = true;
    }
    ~TModeChanging()
    {
        FFlag = false;
        QApplication::restoreOverrideCursor();
    }
    TModeChanging(const TModeChanging&) = delete;
    TModeChanging& operator=(const TModeChanging&) = delete;

private:
    bool& FFlag;
};

constexpr int kCustomMode = 3;

}  // namespace

bool TForm1::PrepareSplitModes(const QString& name)
{
    MovieIndexRebuild = TIndexRebuild::Refuse;
    TZendra movie(name.toStdString(), {}, TIndexRebuild::Ask);
    if (movie.IndexRebuilt)
        MovieIndexRebuild = TIndexRebuild::Rebuild;
    if (!movie.IsCompressed()) {
        ShowMessage(("Video part in " + name + " is not compressed and can not be processed").toStdString());
        return false;
    }
    for (int mode = 0; mode < 3; ++mode)
        cbMode->setItemData(mode, movie.TargetPartSize(mode));
    seSplitMax->MaxValue = movie.PartCount(2);
    cbMode->setCurrentIndex(0);
    cbModeChange();
    return true;
}

void TForm1::cbModeChange()
{
    const int mode = cbMode->currentIndex();
    if (mode == kCustomMode)
        return;
    if (mode == SizeMode) {
        ShowSizeModeCount();
        return;
    }
    const TModeChanging changing(ModeChanging);
    TZendra movie(FileOpenDlg.FileName.toStdString(), {}, MovieIndexRebuild);
    seSplitMax->SetValue(movie.PartCount(mode));
}

void TForm1::seSplitMaxChange()
{
    int n = seSplitMax->Value();
    if (n == 0)
        return;
    // A count below the minimum waits for the field to be left: 15 begins with a 1.
    if (n > seSplitMax->MaxValue)
        n = seSplitMax->MaxValue;
    if (seSplitMax->Text() != QString::number(n))
        seSplitMax->SetText(QString::number(n));  // runs this handler again with the clean text
    else
        UpdateControls();
    if (!ModeChanging) {
        const QSignalBlocker quiet(cbMode);
        cbMode->setCurrentIndex(kCustomMode);
    }
}

void TForm1::seSplitMaxExit()
{
    if (seSplitMax->Text().trimmed().isEmpty())
        seSplitMax->SetText(QStringLiteral("2"));
    else if (const int n = seSplitMax->Value(); n > 0 && n < seSplitMax->MinValue)
        seSplitMax->SetValue(n);  // kept within the bounds: raised to the minimum
}

void TForm1::eSplitFilenameChange()
{
    // Only a movie's extension goes; other dots belong to the name being typed.
    const QString text = eSplitFilename->text();
    if (text.endsWith(QStringLiteral(".avi"), Qt::CaseInsensitive)) {
        eSplitFilename->setText(QString::fromStdString(NameWithoutExt(text.toStdString())));  // comes back here
        return;
    }
    UpdateOutputFolder();
}

void TForm1::seSplitSizeChange()
{
    if (!MovieUsable)
        return;
    // A size of its own picks the size mode, as a count of its own picks "Custom".
    const QSignalBlocker quiet(cbMode);
    cbMode->setCurrentIndex(SizeMode);
    ShowSizeModeCount();
}

void TForm1::ShowSizeModeCount()
{
    const TModeChanging changing(ModeChanging);
    const TZendra movie(FileOpenDlg.FileName.toStdString(), {}, MovieIndexRebuild);
    std::vector<std::int32_t> starts;
    try {
        if (!movie.PlanPartsBySize(starts, SplitSizeBytes()))
            return;
    } catch (const EZendraError& refused) {
        // Start shows the refusal; until then the field says it in red.
        seSplitSize->setToolTip(QString::fromStdString(refused.what()));
        seSplitSize->setStyleSheet(QStringLiteral("color: red"));
        return;
    }
    seSplitSize->setToolTip({});
    seSplitSize->setStyleSheet({});
    seSplitMax->SetValue(static_cast<int>(starts.size()));
}

std::uint64_t TForm1::SplitSizeBytes() const
{
    return static_cast<std::uint64_t>(std::llround(seSplitSize->value() * 1024 * 1024));
}

bool TForm1::PlanSelectedMode(const TZendra& movie, std::vector<std::int32_t>& starts) const
{
    if (cbMode->currentIndex() == SizeMode)
        return movie.PlanPartsBySize(starts, SplitSizeBytes());
    std::vector<std::int32_t> accumulators;
    return movie.PlanParts(starts, accumulators, SplitTarget(movie, cbMode->currentIndex(), seSplitMax->Value()));
}

}  // namespace zendra
