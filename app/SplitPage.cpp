// The Split tab's modes and part count, prepared when a movie is opened.
#include "app/MainWindow.h"

#include <cmath>

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>

#include "app/SpinEdit.h"
#include "app/jobs/JobCore.h"
#include "app/jobs/SplitPlan.h"
#include "common/ScopeExit.h"
#include "engine/Zendra.h"
#include "platform/Platform.h"

namespace zendra {

namespace {

// Working a part count out walks the movie's index: a wait cursor meanwhile, and the count
// field's own change handler held off until it is set.
auto ModeChangingScope(bool& flag)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    flag = true;
    return TScopeExit([&flag] {
        flag = false;
        QApplication::restoreOverrideCursor();
    });
}

constexpr int kCustomItem = SplitModeNumber(TSplitMode::Custom);
constexpr int kSizeItem = SplitModeNumber(TSplitMode::BySize);

}  // namespace

bool TForm1::PrepareSplitModes()
{
    const TZendra& movie = *FMovie;
    if (!movie.IsCompressed()) {
        ShowMessage(NotCompressedText(movie.MovieFile));
        return false;
    }
    for (const TSplitMode mode : {TSplitMode::Optimal, TSplitMode::Median, TSplitMode::Smallest})
        cbMode->setItemData(SplitModeNumber(mode), movie.TargetPartSize(SplitModeNumber(mode)));
    seSplitMax->MaxValue = movie.PartCount(SplitModeNumber(TSplitMode::Smallest));
    cbMode->setCurrentIndex(0);
    cbModeChange();
    return true;
}

void TForm1::cbModeChange()
{
    const int mode = cbMode->currentIndex();
    if (mode == kCustomItem || !FMovie)
        return;
    if (mode == kSizeItem) {
        ShowSizeModeCount();
        return;
    }
    const auto changing = ModeChangingScope(ModeChanging);
    seSplitMax->SetValue(FMovie->PartCount(mode));
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
        cbMode->setCurrentIndex(kCustomItem);
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
    cbMode->setCurrentIndex(kSizeItem);
    ShowSizeModeCount();
}

void TForm1::ShowSizeModeCount()
{
    if (!FMovie)
        return;
    const auto changing = ModeChangingScope(ModeChanging);
    std::vector<std::int32_t> starts;
    try {
        if (!PlanSplit(*FMovie, {TSplitMode::BySize, 0, SplitSizeBytes()}, starts))
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
    const TSplitRequest request{static_cast<TSplitMode>(cbMode->currentIndex()), seSplitMax->Value(), SplitSizeBytes()};
    return PlanSplit(movie, request, starts);
}

}  // namespace zendra
