#include "passwords/DialogPlacement.h"

#include <QLabel>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace nuvex {

int PlaceWrappedLabel(QLabel* label, int left, int top, int width, int height)
{
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const int needed = std::max(height, label->heightForWidth(width));
    label->setGeometry(left, top, width, needed);
    return needed - height;
}

} // namespace nuvex
