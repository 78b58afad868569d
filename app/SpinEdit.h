// A spin edit that takes any typed text, like the classic one: the handler decides
// what the digits mean.
#pragma once

#include <QAbstractSpinBox>

namespace zendra {

class TSpinEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    explicit TSpinEdit(QWidget* parent = nullptr);

    QString Text() const;
    void SetText(const QString& text);
    // The digits of the text; 0 when there are none, MaxValue when they overflow.
    int Value() const;
    // Writes value kept within MinValue and MaxValue.
    void SetValue(int value);

    int MinValue = 2;
    int MaxValue = 99999;
    int Increment = 10;

    void stepBy(int steps) override;
    QSize sizeHint() const override;

signals:
    // The text changed: typed, set by code or by the arrows.
    void Changed();
    // The focus left the control.
    void Exit();

protected:
    StepEnabled stepEnabled() const override;
    void focusOutEvent(QFocusEvent* event) override;
};

}  // namespace zendra
