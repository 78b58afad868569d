// Enabling whole panels and pages at once.
#pragma once

class QWidget;

namespace zendra {

// Sets the enabled state of every descendant of control; control keeps its own state.
void EnableChildControls(QWidget* control, bool enabled);

}  // namespace zendra
