// The About window: borderless, closes on any key or mouse press outside its links.
#pragma once

#include "platform/forms/MyForm.h"

class QLabel;

namespace zendra {

class TAboutForm : public TMyForm {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* owner = nullptr);

    QLabel* lbVersion = nullptr;
    QLabel* lbCPUSpeed = nullptr;
    QLabel* Label12 = nullptr;  // mail link
    QLabel* Label13 = nullptr;  // web link

    static const char* SupportAddress;
    // The product has no web site: its home page is the README beside the program.
    static QString HomePage();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    void Label12Click();
    void Label13Click();
    QLabel* AddLabel(QWidget* parent, const QString& text, int left, int top);
    QLabel* AddShadowedTitle(QWidget* parent, const QString& text, int pixelSize, QPoint red, QPoint white);
};

}  // namespace zendra
