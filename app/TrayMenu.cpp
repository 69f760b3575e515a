#include "app/TrayMenu.h"

#include <QFontDatabase>
#include <QPaintEvent>
#include <QPainter>

namespace nuvex {

std::vector<TGradientBand> VerticalGradientBands(const QRect& rect, const QColor& from, const QColor& to,
                                                 int steps)
{
    std::vector<TGradientBand> bands;
    if (steps <= 0 || rect.isEmpty())
        return bands;
    const auto mix = [steps](int a, int b, int step) {
        return steps == 1 ? a : a + (b - a) * step / (steps - 1);
    };
    for (int step = 0; step < steps; ++step) {
        // Band edges spread the rows evenly, so the bands cover the rectangle exactly.
        const int top = rect.top() + rect.height() * step / steps;
        const int bottom = rect.top() + rect.height() * (step + 1) / steps;
        if (bottom <= top)
            continue;
        bands.push_back({QRect(rect.left(), top, rect.width(), bottom - top),
                         QColor(mix(from.red(), to.red(), step), mix(from.green(), to.green(), step),
                                mix(from.blue(), to.blue(), step))});
    }
    return bands;
}

void PopupMenuDrawMargin(QPainter& painter, const QRect& margin)
{
    painter.save();
    painter.setClipRect(margin);
    for (const TGradientBand& band :
         VerticalGradientBands(margin, QColor(255, 0, 0), QColor(0, 255 / 4, 0), 32))
        painter.fillRect(band.rect, band.color);

    QFont font(QStringLiteral("Courier New"), 10, QFont::Bold);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.setBackgroundMode(Qt::TransparentMode);
    // The text's cell starts at the margin's left edge and runs upwards from 5 pixels
    // above its bottom.
    painter.translate(margin.left(), margin.bottom() - 5);
    painter.rotate(-90);
    painter.drawText(0, painter.fontMetrics().ascent(), kMenuMarginText);
    painter.restore();
}

TMarginMenu::TMarginMenu(QWidget* parent) : QMenu(parent)
{
    setObjectName(QStringLiteral("PopupMenu"));
    setContentsMargins(kMenuMarginWidth, 0, 0, 0);
}

void TMarginMenu::paintEvent(QPaintEvent* event)
{
    QMenu::paintEvent(event);
    QPainter painter(this);
    PopupMenuDrawMargin(painter, QRect(0, 0, kMenuMarginWidth, height()));
}

} // namespace nuvex
