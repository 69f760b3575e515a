#pragma once

// Small placement helpers the password manager's dialogs share.

#include "ui/Placement.h"

#include <QString>
#include <Qt>

class QLabel;
class QWidget;

namespace nuvex {

// A dialog's border: a title and the close box, no minimising, maximising or help button.
inline constexpr Qt::WindowFlags kDialogBorder =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

// A word-wrapped label at (left, top), `width` wide and at least `height` high; returns how
// much higher than `height` the current font makes it, so that the dialog can make room.
int PlaceWrappedLabel(QLabel* label, int left, int top, int width, int height);

} // namespace nuvex
