#include "ui/Placement.h"

#include <QLabel>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace nuvex {

void CentreOnScreen(QWidget* window)
{
    if (QScreen* shown = window->screen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(shown->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

void FixWindowSize(QWidget* window, QSize size)
{
    window->setFixedSize(size);
    // The size hints (minimum = maximum) already tell X11 window managers; the flags say
    // it to the rest, and Windows draws the thin border of a fixed-size dialog.
    const Qt::WindowFlags flags = window->windowFlags();
    const Qt::WindowFlags fixed = (flags & ~Qt::WindowMaximizeButtonHint) | Qt::MSWindowsFixedSizeDialogHint;
    if (fixed != flags)
        window->setWindowFlags(fixed);
}

int PlaceWrappedLabel(QLabel* label, int left, int top, int width, int height)
{
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const int needed = std::max(height, label->heightForWidth(width));
    label->setGeometry(left, top, width, needed);
    return needed - height;
}

} // namespace nuvex
