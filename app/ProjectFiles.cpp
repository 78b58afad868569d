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

TProjectLoad ReadProjectFile(const QString& name)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        throw EZendraError(S("Cannot open file " + name));
    const QByteArray data = file.readAll();
    return DecodeProject(TProjectBytes(data.begin(), data.end()));
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

QString TForm1::ChooseProjectFile()
{
    OpenProjDlg.Title = QStringLiteral("Select Zendra Project File");
    const QString name = Q(Dialogs().OpenFile(S(OpenProjDlg.Title), S(kProjectFilter), S(FolderToStartIn(OpenProjDlg))));
    if (name.isEmpty())
        return {};
    OpenProjDlg.FileName = name;
    if (!FileExists(S(name))) {
        ShowMessage(S("Project file " + name + " does not exists"));
        return {};
    }
    return name;
}

bool TForm1::LoadProjectFile()
{
    const QString name = ChooseProjectFile();
    if (name.isEmpty())
        return false;
    // What was read before a failure stays applied, in the file's order; the failure is
    // raised where the value that broke would have been applied.
    const TProjectLoad load = ReadProjectFile(name);
    load.ThrowUnless(TProjectField::Mark);
    if (!load.Marked)
        return false;
    ApplyProjectMovie(load, name);
    ApplyProjectSplit(load);
    ApplyProjectJoinList(load);
    return true;
}

void TForm1::ApplyProjectMovie(const TProjectLoad& load, const QString& name)
{
    const TProjectData& project = load.Data;
    load.ThrowUnless(TProjectField::MovieFile);
    MovieFileName = Q(project.MovieFile);
    load.ThrowUnless(TProjectField::JoinOutputFile);
    OutFileDlg.FileName = Q(project.JoinOutputFile);
    load.ThrowUnless(TProjectField::JoinFileName);
    eJoinFilename->setText(Q(project.JoinFileName));
    load.ThrowUnless(TProjectField::SplitBaseName);
    const QString splitFolder = Q(project.SplitFolder);
    const QString baseName = Q(project.SplitBaseName);
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
}

void TForm1::ApplyProjectSplit(const TProjectLoad& load)
{
    const TProjectData& project = load.Data;
    load.ThrowUnless(TProjectField::PartCount);
    {
        // The stored count belongs to the stored mode: writing it must not switch to "Custom".
        ModeChanging = true;
        const TScopeExit restore([this] { ModeChanging = false; });
        seSplitMax->SetValue(project.PartCount);
    }
    cbMode->setCurrentIndex(project.SplitMode);
    ClipStartFrame = project.ClipStart;
    ClipEndFrame = project.ClipEnd;
    UpdateControls();
}

void TForm1::ApplyProjectJoinList(const TProjectLoad& load)
{
    const TProjectData& project = load.Data;
    ClearJoinList();
    load.ThrowUnless(TProjectField::RowCount);
    double seconds = 0;
    for (const std::vector<std::string>& texts : project.Rows) {
        auto* row = new TCombiItem;
        lvCombine->addTopLevelItem(row);
        for (std::size_t c = 0; c < texts.size() && c < jcColumnCount; ++c)
            row->setText(static_cast<int>(c), Q(texts[c]));
        seconds += static_cast<double>(SecondsOfTimeText(row->text(jcDuration)));
    }
    load.ThrowUnless(TProjectField::SplitMaxSize);
    if (load.HasSplitMaxSize) {
        // The limit of mode "By size": it belongs to the stored mode, so no mode change here.
        const QSignalBlocker quiet(seSplitSize);
        seSplitSize->setValue(project.SplitMaxSize / (1024.0 * 1024.0));
    }
    // The list's total and warning describe the restored rows, not those of before.
    JoinTotalText = JoinTotalOf(seconds);
    FitJoinColumns(*lvCombine);
    CheckJoinOrigin(*lvCombine, *lbCombiWarning);
    UpdateControls();
}

}  // namespace zendra
