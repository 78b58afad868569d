#include "platform/forms/MyForm.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

namespace zendra {

TErrorReport& ErrorReport()
{
    static TErrorReport report;
    return report;
}

TMyForm::TMyForm(QWidget* owner) : QDialog(owner) {}

void TMyForm::AfterConstruction()
{
    if (auto* owner = qobject_cast<TMyForm*>(parentWidget())) {
        FTextSink = owner->TextSink();
        if (FTextSink)
            DumpControlTexts(this, FStartDepth);
    }
}

void TMyForm::DumpControlTexts(QWidget* control, int depth)
{
    if (!FTextSink || !control)
        return;
    const int d = depth + 1;
    QString caption;
    bool captioned = true;
    if (control->isWindow())
        caption = control->windowTitle();
    else if (auto* label = qobject_cast<QLabel*>(control))
        caption = label->text();
    else if (auto* box = qobject_cast<QGroupBox*>(control))
        caption = box->title();
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        caption = button->text();
    else
        captioned = false;
    QString line = captioned ? QString(d, QLatin1Char(' ')) + caption : QString();
    if (control->isWindow())
        if (auto* bar = control->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly))
            for (QAction* item : bar->actions())
                DumpMenuTexts(item, d);
    if (!control->toolTip().isEmpty())
        line += QStringLiteral("  Hint:") + control->toolTip();
    if (!line.isEmpty())
        FTextSink->append(line);
    for (QObject* child : control->children())
        if (auto* widget = qobject_cast<QWidget*>(child); widget && !widget->isWindow())
            DumpControlTexts(widget, d);
}

void TMyForm::DumpMenuTexts(QAction* item, int depth)
{
    if (!FTextSink || !item || !item->isVisible())
        return;
    FTextSink->append(QStringLiteral("  Menu:") + item->text());
    if (QMenu* menu = item->menu())
        for (QAction* sub : menu->actions())
            DumpMenuTexts(sub, depth + 1);
}

}  // namespace zendra
