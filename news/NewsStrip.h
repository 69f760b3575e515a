#pragma once

// The painted strip at the left of the news window: a gradient from white to pure red
// with the title and the build text written upwards in white.

#include <QColor>
#include <QRect>
#include <QString>
#include <QWidget>
#include <vector>

namespace nuvex {

struct TStripBand
{
    QRect rect;
    QColor color;
};

// The strip's gradient: min(40, height) bands (at least 2) of height / bands rows, from
// white at the top to pure red, the remaining rows pure red. Empty for an empty rectangle.
// The bands come first, top to bottom (they have no rows when the rectangle is lower than
// the number of bands); a last, pure red band holds the rows left over, if any.
std::vector<TStripBand> NewsStripBands(const QRect& rect);

// a * b / c rounded to the nearest integer, halves away from zero, as Windows' MulDiv
// rounds; c must not be 0.
int MulDivRounded(int a, int b, int c);

// PaintBox1 of the news window.
class TNewsStripBox : public QWidget
{
    Q_OBJECT

public:
    explicit TNewsStripBox(QWidget* parent = nullptr);

    void SetTitle(const QString& title);
    QString Title() const { return title_; }
    void SetBuildText(const QString& text);
    QString BuildText() const { return buildText_; }

    // White bold Courier New, 10 points at the 96 dpi the strip was laid out for.
    static QFont StripFont();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString title_;
    QString buildText_;
};

} // namespace nuvex
