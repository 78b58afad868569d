// The AVI structure viewer: header fields, calculated values, the index and raw bytes of a file.
#pragma once

#include <array>
#include <cstdint>

#include <QString>

#include "platform/forms/MyForm.h"
#include "viewer/FrameList.h"
#include "viewer/StructWalk.h"

class QComboBox;
class QGroupBox;
class QHeaderView;
class QLabel;
class QLayout;
class QLineEdit;
class QScrollBar;
class QStatusBar;
class QTabWidget;
class QTableWidget;
class QTimer;
class QToolButton;
class QTreeWidget;

namespace zendra {

class TFrameListModel;
class TFrameListView;

class TMainStructForm : public TMyForm, private IStructWalkSink {
    Q_OBJECT
    Q_PROPERTY(bool HasAudio READ HasAudio)
    Q_PROPERTY(bool HasAudioTrack READ HasAudioTrack)
    Q_PROPERTY(bool IsPCM READ IsPCM)
    Q_PROPERTY(double FPS READ FPSValue)
    Q_PROPERTY(QString Filename READ Filename)
    Q_PROPERTY(quint32 FrameWidth READ FrameWidth)
    Q_PROPERTY(quint32 FrameHeight READ FrameHeight)
    Q_PROPERTY(quint32 FrameCount READ FrameCount)
    Q_PROPERTY(double Duration READ DurationValue)

public:
    explicit TMainStructForm(QWidget* owner);
    ~TMainStructForm() override;

    // Shows the window modally; the first load of fileName starts once it is on screen.
    void ShowStructure(const QString& fileName);
    // Reads fileName into the lists; false when it does not exist or a walk is running.
    bool LoadFile(const QString& fileName);

    bool HasAudio() const { return FState.Records.HasAudio && FState.Records.HasAudioTrack; }
    bool HasAudioTrack() const { return FState.Records.HasAudio; }
    bool IsPCM() const { return FState.Records.AudioFormatTag() == 1; }
    long double FPS() const { return FState.Records.Fps(); }
    QString Filename() const { return FFileName; }
    quint32 FrameWidth() const { return FState.Records.Width(); }
    quint32 FrameHeight() const { return FState.Records.Height(); }
    quint32 FrameCount() const { return FState.Records.TotalFrames(); }
    long double Duration() const { return FState.Records.Duration(); }

    const TStructState& State() const { return FState; }
    bool Loaded() const { return FLoaded; }
    bool Walking() const { return FWalking; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private slots:
    void ToolTimer1Timer();
    void sbOpen1Click();
    void RB1Click(int index);
    void lbDataClick();
    void sbDataChange();
    void sgDataClick(int row, int column);

private:
    // The form's widgets, built in two parts.
    void BuildWindow();
    QWidget* BuildHeadersTab();
    QWidget* BuildDataTab();
    QWidget* BuildFrameInformation();
    QWidget* BuildRawData();
    QLayout* BuildRawModes();
    QLayout* BuildDataGrid();
    QTreeWidget* MakeHeaderList(const QString& name, bool withSize);
    void ConnectSignals();

    void FormKeyUp();
    void SetFrameModeQuietly(int mode);
    void ResetView();
    void FillCalculated();
    void SetStatus(int panel, const QString& text);
    QTreeWidget* ListFor(THeaderList list) const;

    // The raw data grid.
    void PrepareGrid();
    void ShowRawPage(int page);
    void ClearGridCells();
    void sgDataMouseMove(const QPoint& pos);
    std::uint64_t SelectedChunkPosition() const;

    // IStructWalkSink
    void HeaderRowAdded(const THeaderRow& row) override;
    void IndexWalkStarting() override;
    bool IndexStep(std::uint32_t i, std::uint32_t count) override;
    bool SearchStep() override;
    void AddFrameLine(const IndexEntry& entry, bool video) override;
    void WalkEnded() override;

    double FPSValue() const { return static_cast<double>(FPS()); }
    double DurationValue() const { return static_cast<double>(Duration()); }

    QGroupBox* gbFilename = nullptr;
    QLineEdit* Edit1 = nullptr;
    QToolButton* sbOpen1 = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* tsHeaders = nullptr;
    QWidget* tsData = nullptr;
    QTreeWidget* lvMainHeader = nullptr;
    QTreeWidget* lvCalculated = nullptr;
    QTreeWidget* lvVidHeader = nullptr;
    QTreeWidget* lvVidStruct = nullptr;
    QTreeWidget* lvAudHeader = nullptr;
    QTreeWidget* lvAudStruct = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    std::array<QLabel*, 3> FStatusPanels{};
    QTimer* ToolTimer1 = nullptr;

    QComboBox* cbFrameMode = nullptr;
    QHeaderView* HeaderControl1 = nullptr;
    TFrameListView* lbData = nullptr;
    TFrameListModel* FFrameLines = nullptr;
    QToolButton* sbHex = nullptr;
    QToolButton* sbChar = nullptr;
    QLabel* lbAsByte = nullptr;
    QLabel* lbAsWORD = nullptr;
    QLabel* lbAsDWORD = nullptr;
    QTableWidget* sgData = nullptr;
    QScrollBar* sbData = nullptr;

    TStructState FState;
    QString FFileName;
    QString FDialogFileName;  // the open dialog's file name
    int FFrameMode = fmVideoAndAudio;
    bool FLoaded = false;
    bool FBreak = false;
    bool FOpenedWithFile = false;
    bool FWalking = false;
    bool FCloseAfterWalk = false;
    const IndexEntry* FSelected = nullptr;
    std::uint64_t FTopLeft = 0;
};

}  // namespace zendra
