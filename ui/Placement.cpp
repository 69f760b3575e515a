#include "ui/Placement.h"

#include <QScreen>
#include <QWidget>

namespace nuvex {

void CentreOnScreen(QWidget* window)
{
    if (QScreen* shown = window->screen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(shown->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

} // namespace nuvex
