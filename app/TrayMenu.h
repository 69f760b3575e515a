#pragma once

// The tray icon's menu: items to the right of an 18-pixel margin painted with a gradient
// from red to dark green and the program's name running upwards.

#include <QColor>
#include <QMenu>
#include <QRect>
#include <vector>

class QPainter;

namespace nuvex {

inline constexpr int kMenuMarginWidth = 18;
inline const QString kMenuMarginText = QStringLiteral("NUVEX 2.0");

struct TGradientBand
{
    QRect rect;
    QColor color;
};

// A vertical gradient in steps bands, from `from` at the top to `to` at the bottom.
std::vector<TGradientBand> VerticalGradientBands(const QRect& rect, const QColor& from, const QColor& to,
                                                 int steps);

// Paints the margin: 32 steps from pure red to dark green (0, 63, 0), then the text in
// white bold Courier New 10 point (or the closest monospace font), running upwards from
// 5 pixels above the margin's bottom, clipped to the margin.
void PopupMenuDrawMargin(QPainter& painter, const QRect& margin);

class TMarginMenu : public QMenu
{
    Q_OBJECT

public:
    explicit TMarginMenu(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace nuvex
