// The binary file compare window: two files, compared 1024 bytes at a time.
#pragma once

#include <string>

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolButton;
class QWidget;

namespace zendra {

struct TCompareResult;

class TBinaryCompare : public QDialog {
    Q_OBJECT
public:
    explicit TBinaryCompare(QWidget* owner);
    ~TBinaryCompare() override;

    bool Comparing() const { return FComparing; }

protected:
    void done(int result) override;

private slots:
    void sbSet1Click();
    void sbCompareClick();
    void sbCloseClick();

private:
    void BuildWindow();
    QGroupBox* BuildFileGroup(const QString& title, QLineEdit*& edit, QWidget*& panel, QToolButton*& button,
                              int number);
    void ConnectSignals();
    void UpdateCompareButton();
    void RunCompare();
    void BeginCompare();
    void EndCompare();
    bool AskStopRequest();
    bool ReportDifference(const std::string& text);
    void ReportOutcome(const TCompareResult& result);
    std::string ChangeReport(const TCompareResult& result) const;

    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QWidget* Panel1 = nullptr;
    QWidget* Panel2 = nullptr;
    QToolButton* sbSet1 = nullptr;
    QToolButton* sbSet2 = nullptr;
    QPushButton* sbCompare = nullptr;
    QPushButton* sbClose = nullptr;
    QLabel* lbSoFar = nullptr;
    QProgressBar* ProgressBar1 = nullptr;

    bool FStopRequested = false;
    bool FComparing = false;
};

}  // namespace zendra
