#include "viewer/MainStruct.h"

namespace zendra {

TMainStructForm::TMainStructForm(QWidget* owner) : TMyForm(owner)
{
    setWindowTitle(QStringLiteral("AVI file structure viewer"));
    AfterConstruction();
}

TMainStructForm::~TMainStructForm() = default;

void TMainStructForm::ShowStructure(const QString&)
{
    exec();
}

}  // namespace zendra
