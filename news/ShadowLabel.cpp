#include "news/ShadowLabel.h"

#include <QPainter>

namespace nuvex {

TShadowLabel::TShadowLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

void TShadowLabel::SetShadow(const QColor& color, int size)
{
    shadowColor_ = color;
    shadowSize_ = size;
    updateGeometry();
    update();
}

QSize TShadowLabel::sizeHint() const
{
    return QLabel::sizeHint() + QSize(shadowSize_, shadowSize_);
}

QSize TShadowLabel::minimumSizeHint() const
{
    return QLabel::minimumSizeHint() + QSize(shadowSize_, shadowSize_);
}

void TShadowLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(font());
    const QRect textArea = rect().adjusted(0, 0, -shadowSize_, -shadowSize_);
    const int flags = static_cast<int>(alignment()) | Qt::TextSingleLine;
    if (shadowSize_ > 0) {
        painter.setPen(shadowColor_);
        painter.drawText(textArea.translated(shadowSize_, shadowSize_), flags, text());
    }
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(textArea, flags, text());
}

} // namespace nuvex
