// Base of the tool and About windows: can list its captions, hints and menus into a
// text sink handed down from its owner.
#pragma once

#include <QDialog>
#include <QStringList>

class QAction;
class QMenu;

namespace zendra {

// A string list with nothing of its own; one global instance.
class TErrorReport : public QStringList {};
TErrorReport& ErrorReport();

class TMyForm : public QDialog {
    Q_OBJECT
public:
    explicit TMyForm(QWidget* owner = nullptr);

    QStringList* TextSink() const { return FTextSink; }
    void SetTextSink(QStringList* sink) { FTextSink = sink; }
    int StartDepth() const { return FStartDepth; }

    void DumpControlTexts(QWidget* control, int depth);
    void DumpMenuTexts(QAction* item, int depth);

protected:
    // Subclasses call this at the end of their constructor.
    void AfterConstruction();
    int FStartDepth = 0;

private:
    QStringList* FTextSink = nullptr;
};

}  // namespace zendra
