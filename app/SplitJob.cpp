// The split job: plan the parts of the selected mode, write them into the run's folder.
#include "app/MainWindow.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "app/SpinEdit.h"
#include "app/jobs/JobCore.h"
#include "common/ScopeExit.h"
#include "engine/Zendra.h"
#include "platform/Platform.h"

namespace zendra {

void TForm1::StartSplit()
{
    TZendra movie(MovieFileName.toStdString(), [this](std::int32_t done, std::int32_t total) {
        ShowProgress(done, total);
    }, MovieIndexRebuild);
    std::vector<std::int32_t> starts;
    // A movie without key entries gives no plan: nothing to write, nothing to say.
    if (PlanSelectedMode(movie, starts))
        RunSplit(starts, static_cast<std::int32_t>(movie.Index.size()));
}

bool TForm1::RunSplit(const std::vector<std::int32_t>& plan, std::int32_t entryCount)
{
    ProgressBase = 0;
    eSplitFilename->setText(eSplitFilename->text().trimmed());
    TSplitResult result;
    {
        // The Default page returns however the run ends, before any question or error box.
        const TScopeExit runEnd([this] { ShowDefaultPage(); });
        result = RunSplitParts(MovieFileName.toStdString(), plan, entryCount,
                               eSplitOutDir->text().toStdString(), eSplitFilename->text().toStdString(), JobHooks());
    }
    if (!result.Finished)
        return false;
    if (result.Written.empty())
        return true;
    const QString first = QString::fromStdString(result.Written.front());
    if (Confirm(("Splitting is finished. Play the first file " + first + "?").toStdString(), TButtons::YesNo) ==
        TAnswer::Yes)
        ViewJobResult(first);
    return true;
}

}  // namespace zendra
