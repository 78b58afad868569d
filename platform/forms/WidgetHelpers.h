// Enabling whole panels and pages at once, and fonts by their classic names.
#pragma once

#include <QFont>

class QWidget;

namespace zendra {

// Sets the enabled state of every descendant of control; control keeps its own state.
void EnableChildControls(QWidget* control, bool enabled);

// A font by its classic family name, at a size in pixels; where the family is missing,
// the hint picks the stand-in.
QFont PixelFont(const char* family, QFont::StyleHint hint, int pixelSize);

}  // namespace zendra
