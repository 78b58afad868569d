// Takes pictures of the structure viewer and the compare window on a given movie:
//   tool_screenshots MOVIE OUTPUT_FOLDER
#include <cstdio>

#include <QApplication>
#include <QComboBox>
#include <QAbstractItemModel>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>

#include "compare/BinaryCompare.h"
#include "platform/Dialogs.h"
#include "platform/ScriptedPlatform.h"
#include "viewer/FrameListView.h"
#include "viewer/MainStruct.h"

namespace {

void Settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

bool Save(QWidget& window, const QString& path)
{
    Settle();
    const bool saved = window.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: tool_screenshots MOVIE OUTPUT_FOLDER\n");
        return 2;
    }
    const QString movie = QString::fromLocal8Bit(argv[1]);
    const QString folder = QString::fromLocal8Bit(argv[2]);
    zendra::TScriptedPlatform platform;
    platform.Install();
    zendra::TScriptedDialogs dialogs;
    zendra::SetDialogs(&dialogs);
    bool ok = true;

    zendra::TMainStructForm viewer(nullptr);
    viewer.resize(1000, 720);
    viewer.show();
    dialogs.FileAnswers = {movie.toStdString()};
    viewer.findChild<QToolButton*>(QStringLiteral("sbOpen1"))->click();
    ok &= Save(viewer, folder + "/viewer.png");

    viewer.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(1);
    viewer.findChild<QComboBox*>(QStringLiteral("cbFrameMode"))->setCurrentIndex(0);
    auto* lines = viewer.findChild<zendra::TFrameListView*>(QStringLiteral("lbData"));
    lines->setCurrentRow(1);
    auto* grid = viewer.findChild<QTableWidget*>(QStringLiteral("sgData"));
    grid->setCurrentCell(2, 3);
    emit grid->cellClicked(2, 3);
    ok &= Save(viewer, folder + "/viewer-data.png");
    viewer.findChild<QToolButton*>(QStringLiteral("sbChar"))->click();
    ok &= Save(viewer, folder + "/viewer-char.png");
    viewer.hide();

    zendra::TBinaryCompare compare(nullptr);
    compare.show();
    dialogs.FileAnswers = {movie.toStdString(), movie.toStdString()};
    compare.findChild<QToolButton*>(QStringLiteral("sbSet1"))->click();
    compare.findChild<QToolButton*>(QStringLiteral("sbSet2"))->click();
    ok &= Save(compare, folder + "/compare.png");
    return ok ? 0 : 1;
}
