// Project files: the settings of the three job tabs, saved and loaded in one fixed order.
#include "app/MainWindow.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTreeWidget>

#include "app/CombiSort.h"
#include "app/SpinEdit.h"
#include "app/jobs/ProjectFile.h"
#include "common/FileHelpers.h"
#include "common/ScopeExit.h"
#include "engine/AviRecords.h"
#include "engine/Zendra.h"
#include "platform/Dialogs.h"
#include "platform/Platform.h"

namespace zendra {

namespace {

const QString kProjectFilter = QStringLiteral("Zendra Project file (*.kvx);;all files (*.*)");

std::string S(const QString& text)
{
    return text.toStdString();
}

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

QString FolderToStartIn(const TFileDialogState& dialog)
{
    return dialog.FileName.isEmpty() ? dialog.InitialDir : QFileInfo(dialog.FileName).absolutePath();
}

}  // namespace

void TForm1::NewProject1Click()
{
    MovieLoaded = false;
    MovieUsable = false;
    WMP1->Stop();
    WMP1->SetFileName({}, {});
    FMovie.reset();
    MovieFileName.clear();
    OpenProjDlg.FileName.clear();
    SaveProjDlg.FileName.clear();
    OutFileDlg.FileName.clear();
    MovieDuration = 0;
    TotalFrames = 0;
    FrameRate = 0;
    TrackBar1->setValue(0);
    TrackBar1->setMaximum(0);
    rbStartDefault->setChecked(true);
    rbEndDefault->setChecked(true);
    UpdateControls();
    OpenMovie();
}

void TForm1::OpenProject1Click()
{
    LoadProjectFile();
}

void TForm1::SaveProject1Click()
{
    if (SaveProjDlg.FileName.isEmpty())
        SaveProjectas1Click();
    else
        SaveProjectFile();
}

void TForm1::SaveProjectas1Click()
{
    SaveProjDlg.Title = QStringLiteral("Save Zendra Project File as");
    const std::string chosen = Dialogs().SaveFile(S(SaveProjDlg.Title), S(kProjectFilter),
                                                  S(FolderToStartIn(SaveProjDlg)), "kvx");
    if (chosen.empty())
        return;
    SaveProjDlg.FileName = Q(chosen);
    SaveProjectFile();
}

bool TForm1::SaveProjectFile()
{
    const QString name = SaveProjDlg.FileName;
    const QString folder = QFileInfo(name).absolutePath() + QLatin1Char('/');
    if (!DirectoryExists(S(folder))) {
        if (Confirm(S("Folder " + folder + " does not exists. Create it?"), TButtons::OKCancel) != TAnswer::OK)
            return false;
        if (!ForceDirectories(S(folder))) {
            ShowMessage(S("Can not create folder " + folder));
            return false;
        }
    }

    TProjectData project;
    project.MovieFile = S(MovieFileName);
    project.JoinOutputFile = S(OutFileDlg.FileName);
    project.JoinFileName = S(eJoinFilename->text());
    project.ClipStart = ClipStartFrame;
    project.ClipEnd = ClipEndFrame;
    project.SplitFolder = S(eSplitOutDir->text());
    project.SplitBaseName = S(eSplitFilename->text());
    project.SplitMode = cbMode->currentIndex();
    project.PartCount = seSplitMax->Value();
    project.SplitMaxSize = static_cast<std::int32_t>(SplitSizeBytes());
    project.Columns = lvCombine->columnCount();
    for (int i = 0; i < lvCombine->topLevelItemCount(); ++i) {
        std::vector<std::string> row;
        for (int c = 0; c < project.Columns; ++c)
            row.push_back(S(lvCombine->topLevelItem(i)->text(c)));
        project.Rows.push_back(std::move(row));
    }
    const TProjectBytes bytes = EncodeProject(project);

    // Written beside the old project and put in its place only when whole: a full disk or a
    // crash never leaves a broken project, and the old one goes to the trash only then.
    QSaveFile file(name);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        throw EZendraError(S("Cannot create file " + name));
    const auto size = static_cast<qint64>(bytes.size());
    if (file.write(reinterpret_cast<const char*>(bytes.data()), size) != size || !file.flush()) {
        file.cancelWriting();
        throw EZendraError(S("Stream write error " + name));  // a full disk must not pass for a saved project
    }
    if (FileExists(S(name)) && !RecycleFile(S(name))) {
        file.cancelWriting();
        ShowMessage(S("Saving project is canceled. Project file " + name + " is in use"));
        return false;
    }
    if (!file.commit())
        throw EZendraError(S("Stream write error " + name));

    OpenProjDlg.FileName = name;
    UpdateControls();
    return true;
}

bool TForm1::LoadProjectFile()
{
    OpenProjDlg.Title = QStringLiteral("Select Zendra Project File");
    const QString name = Q(Dialogs().OpenFile(S(OpenProjDlg.Title), S(kProjectFilter), S(FolderToStartIn(OpenProjDlg))));
    if (name.isEmpty())
        return false;
    OpenProjDlg.FileName = name;
    if (!FileExists(S(name))) {
        ShowMessage(S("Project file " + name + " does not exists"));
        return false;
    }
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        throw EZendraError(S("Cannot open file " + name));
    const QByteArray data = file.readAll();
    TProjectReader reader(TProjectBytes(data.begin(), data.end()));

    if (reader.ReadText() != kProjectMark)
        return false;
    reader.ReadInteger();  // the format version
    MovieFileName = Q(reader.ReadText());
    OutFileDlg.FileName = Q(reader.ReadText());
    eJoinFilename->setText(Q(reader.ReadText()));
    const std::int32_t clipStart = reader.ReadInteger();
    const std::int32_t clipEnd = reader.ReadInteger();
    const QString splitFolder = Q(reader.ReadText());
    const QString baseName = Q(reader.ReadText());
    eSplitOutDir->setText(splitFolder);
    eSplitFilename->setText(baseName);
    SaveProjDlg.FileName = name;

    OpenMovie();
    // Opening the movie proposed its own base name and folder: the project's win. The
    // proposal is the next free numbered folder beside the stored one, so a new run never
    // lands in the folder of an earlier one.
    eSplitFilename->setText(baseName);
    if (!splitFolder.isEmpty()) {
        OutputBaseFolder = QFileInfo(QDir::cleanPath(splitFolder)).absolutePath() + QLatin1Char('/');
        UpdateOutputFolder();
    }

    const std::int32_t mode = reader.ReadInteger();
    if (mode < 0 || mode >= cbMode->count())
        throw EZendraError("Invalid property value");
    const std::int32_t parts = reader.ReadInteger();
    {
        // The stored count belongs to the stored mode: writing it must not switch to "Custom".
        ModeChanging = true;
        const TScopeExit restore([this] { ModeChanging = false; });
        seSplitMax->SetValue(parts);
    }
    cbMode->setCurrentIndex(mode);
    ClipStartFrame = clipStart;
    ClipEndFrame = clipEnd;
    UpdateControls();

    ClearJoinList();
    const std::int32_t columns = reader.ReadInteger();
    const std::int32_t rows = reader.ReadInteger();
    if (columns < 1 || rows < 0)
        throw EZendraError("Invalid property value");
    double seconds = 0;
    for (std::int32_t r = 0; r < rows; ++r) {
        auto* row = new TCombiItem;
        lvCombine->addTopLevelItem(row);
        for (std::int32_t c = 0; c < columns; ++c) {
            const QString text = Q(reader.ReadText());
            if (c < jcColumnCount)
                row->setText(c, text);
        }
        seconds += static_cast<double>(SecondsOfTimeText(row->text(jcDuration)));
    }
    if (!reader.AtEnd()) {
        // The limit of mode "By size": it belongs to the stored mode, so no mode change here.
        const std::int32_t bytes = reader.ReadInteger();
        if (bytes <= 0)
            throw EZendraError("Invalid property value");
        const QSignalBlocker quiet(seSplitSize);
        seSplitSize->setValue(bytes / (1024.0 * 1024.0));
    }
    // The list's total and warning describe the restored rows, not those of before.
    JoinTotalText = JoinTotalOf(seconds);
    FitJoinColumns(*lvCombine);
    CheckJoinOrigin(*lvCombine, *lbCombiWarning);
    UpdateControls();
    return true;
}

}  // namespace zendra
