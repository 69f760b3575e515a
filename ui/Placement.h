#pragma once

// Where windows go and how big they are: the helpers every window and dialog shares.

#include <QSize>
#include <Qt>

class QLabel;
class QWidget;

namespace nuvex {

// A dialog's border: a title and the close box, no minimising, maximising or help button.
inline constexpr Qt::WindowFlags kDialogBorder =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

// Centres a window, frame included, on the screen it is shown on.
void CentreOnScreen(QWidget* window);

// Gives a window a client area of `size` that the user cannot change, and takes away the
// maximise box, so that window managers offer no maximise for a window that cannot grow.
// Called before the window is first shown: a change of flags later would recreate it.
void FixWindowSize(QWidget* window, QSize size);

// A word-wrapped label at (left, top), `width` wide and at least `height` high; returns how
// much higher than `height` the current font makes it, so that the dialog can make room.
int PlaceWrappedLabel(QLabel* label, int left, int top, int width, int height);

} // namespace nuvex
