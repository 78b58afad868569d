#include "platform/QtPlatform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QUrl>

#include "platform/DesktopServices.h"

namespace zendra {

namespace {

QPointer<QWidget> dialogParent;

QWidget* Parent()
{
    return dialogParent ? dialogParent.data() : QApplication::activeWindow();
}

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

}  // namespace

void SetDialogParent(QWidget* parent)
{
    dialogParent = parent;
}

void TQtPlatform::ShowMessage(const std::string& text)
{
    QMessageBox::information(Parent(), QApplication::applicationName(), Q(text));
}

TAnswer TQtPlatform::Confirm(const std::string& text, TButtons buttons)
{
    QMessageBox::StandardButtons set = QMessageBox::Ok;
    switch (buttons) {
    case TButtons::OK: set = QMessageBox::Ok; break;
    case TButtons::OKCancel: set = QMessageBox::Ok | QMessageBox::Cancel; break;
    case TButtons::YesNo: set = QMessageBox::Yes | QMessageBox::No; break;
    case TButtons::YesNoCancel: set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    }
    const auto answer = QMessageBox::question(Parent(), QApplication::applicationName(), Q(text), set);
    switch (answer) {
    case QMessageBox::Ok: return TAnswer::OK;
    case QMessageBox::Yes: return TAnswer::Yes;
    case QMessageBox::No: return TAnswer::No;
    default: return buttons == TButtons::YesNo ? TAnswer::No : TAnswer::Cancel;
    }
}

void TQtPlatform::ProcessMessages()
{
    if (FSinceEvents.isValid() && FSinceEvents.elapsed() < 10)
        return;
    QCoreApplication::processEvents();
    FSinceEvents.start();
}

bool TQtPlatform::RecycleFile(const std::string& fileName)
{
    return MoveFileToTrash(fileName);
}

std::string TQtPlatform::NewGuidText()
{
    return CreateGuidText();
}

bool TQtPlatform::ShellOpen(const std::string& target)
{
    const QString text = Q(target);
    const QUrl url = text.contains(QStringLiteral("://")) || text.startsWith(QStringLiteral("mailto:"))
                         ? QUrl(text)
                         : QUrl::fromLocalFile(text);
    return QDesktopServices::openUrl(url);
}

std::string TQtDialogs::OpenFile(const std::string& title, const std::string& filter, const std::string& folder)
{
    return QFileDialog::getOpenFileName(Parent(), Q(title), Q(folder), Q(filter)).toStdString();
}

std::vector<std::string> TQtDialogs::OpenFiles(const std::string& title, const std::string& filter,
                                               const std::string& folder)
{
    std::vector<std::string> names;
    for (const QString& name : QFileDialog::getOpenFileNames(Parent(), Q(title), Q(folder), Q(filter)))
        names.push_back(name.toStdString());
    return names;
}

std::string TQtDialogs::SaveFile(const std::string& title, const std::string& filter, const std::string& folder,
                                 const std::string& defaultSuffix)
{
    QFileDialog dialog(Parent(), Q(title), Q(folder), Q(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(Q(defaultSuffix));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front().toStdString();
}

std::string TQtDialogs::ChooseFolder(const std::string& comment, const std::string& startFolder)
{
    // The explanation goes into the dialog's body; the title says what is asked.
    QFileDialog dialog(Parent(), QStringLiteral("Select folder"), Q(startFolder));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        auto* explanation = new QLabel(Q(comment), &dialog);
        explanation->setObjectName(QStringLiteral("Comment"));
        explanation->setWordWrap(true);
        grid->addWidget(explanation, grid->rowCount(), 0, 1, grid->columnCount());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst().toStdString();
}

TDesktopSession::TDesktopSession()
{
    SetPlatform(&FPlatform);
    SetDialogs(&FDialogs);
}

TDesktopSession::~TDesktopSession()
{
    SetDialogParent(nullptr);
    SetPlatform(nullptr);
    SetDialogs(nullptr);
}

}  // namespace zendra
