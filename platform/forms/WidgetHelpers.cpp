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

}  // namespace zendra
