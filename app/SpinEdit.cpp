#include "app/SpinEdit.h"

#include <QLineEdit>

#include <algorithm>
#include <stdexcept>

#include "common/TextHelpers.h"

namespace zendra {

TSpinEdit::TSpinEdit(QWidget* parent) : QAbstractSpinBox(parent)
{
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    connect(lineEdit(), &QLineEdit::textChanged, this, &TSpinEdit::Changed);
}

QString TSpinEdit::Text() const
{
    return lineEdit()->text();
}

void TSpinEdit::SetText(const QString& text)
{
    if (lineEdit()->text() != text)
        lineEdit()->setText(text);
}

int TSpinEdit::Value() const
{
    try {
        return DigitsToInt(Text().toStdString());
    } catch (const std::out_of_range&) {
        return MaxValue;
    }
}

void TSpinEdit::SetValue(int value)
{
    SetText(QString::number(std::max(std::min(value, MaxValue), MinValue)));
}

void TSpinEdit::stepBy(int steps)
{
    const QString before = Text();
    SetValue(Value() + steps * Increment);
    // An arrow click counts as a change even when the value stays.
    if (Text() == before)
        emit Changed();
}

QAbstractSpinBox::StepEnabled TSpinEdit::stepEnabled() const
{
    return StepUpEnabled | StepDownEnabled;
}

void TSpinEdit::focusOutEvent(QFocusEvent* event)
{
    QAbstractSpinBox::focusOutEvent(event);
    emit Exit();
}

QSize TSpinEdit::sizeHint() const
{
    QSize hint = QAbstractSpinBox::sizeHint();
    hint.setWidth(std::max(hint.width(), fontMetrics().horizontalAdvance(QStringLiteral("999999")) + 40));
    return hint;
}

}  // namespace zendra
