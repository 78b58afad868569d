#include "platform/forms/WidgetHelpers.h"

#include <QWidget>

namespace zendra {

void EnableChildControls(QWidget* control, bool enabled)
{
    if (!control)
        return;
    for (QObject* child : control->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || widget->isWindow())
            continue;
        widget->setEnabled(enabled);
        EnableChildControls(widget, enabled);
    }
}

QFont PixelFont(const char* family, QFont::StyleHint hint, int pixelSize)
{
    QFont font(QString::fromLatin1(family));
    font.setStyleHint(hint);
    font.setPixelSize(pixelSize);
    return font;
}

}  // namespace zendra
