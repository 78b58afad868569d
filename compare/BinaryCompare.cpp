#include "compare/BinaryCompare.h"

namespace zendra {

TBinaryCompare::TBinaryCompare(QWidget* owner) : QDialog(owner)
{
    setWindowTitle(QStringLiteral("Binary file compare"));
}

TBinaryCompare::~TBinaryCompare() = default;

}  // namespace zendra
