#include "news/NewsStrip.h"

#include <QPainter>
#include <algorithm>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace nuvex {

namespace {

constexpr int kMaxBands = 40;
constexpr int kMinBands = 2;
// Where the vertical texts start: this far above the bottom, at these distances from the left.
constexpr int kTextBottomGap = 5;
constexpr int kTitleX = 5;
constexpr int kBuildTextX = 20;

// Writes text upwards with the top of its line at x, starting at y.
void DrawUpwards(QPainter& painter, const QString& text, int x, int y)
{
    if (text.isEmpty())
        return;
    painter.save();
    painter.translate(x, y);
    painter.rotate(-90);
    painter.drawText(QPointF(0, painter.fontMetrics().ascent()), text);
    painter.restore();
}

} // namespace

int MulDivRounded(int a, int b, int c)
{
    const long long product = static_cast<long long>(a) * b;
    const long long divisor = std::llabs(static_cast<long long>(c));
    const long long quotient = (std::llabs(product) + divisor / 2) / divisor;
    return static_cast<int>(((product < 0) != (c < 0)) ? -quotient : quotient);
}

std::vector<TStripBand> NewsStripBands(const QRect& rect)
{
    std::vector<TStripBand> bands;
    if (rect.isEmpty())
        return bands;
    const int height = rect.height();
    const int count = std::max(kMinBands, std::min(kMaxBands, height));
    const int bandHeight = height / count;
    bands.reserve(static_cast<std::size_t>(count) + 1);
    for (int k = 0; k < count; ++k) {
        const int greenBlue = 255 + MulDivRounded(k, -255, count - 1);
        bands.push_back({QRect(rect.left(), rect.top() + k * bandHeight, rect.width(), bandHeight),
                         QColor(255, greenBlue, greenBlue)});
    }
    const int used = count * bandHeight;
    if (used < height)
        bands.push_back(
            {QRect(rect.left(), rect.top() + used, rect.width(), height - used), QColor(255, 0, 0)});
    return bands;
}

TNewsStripBox::TNewsStripBox(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TNewsStripBox::SetTitle(const QString& title)
{
    title_ = title;
    update();
}

void TNewsStripBox::SetBuildText(const QString& text)
{
    buildText_ = text;
    update();
}

QFont TNewsStripBox::StripFont()
{
    QFont font;
    // Courier New, or a font with the same metrics, or at least a monospace one.
    font.setFamilies(
        {u"Courier New"_s, u"Liberation Mono"_s, u"Nimbus Mono PS"_s, u"Cousine"_s, u"Courier"_s});
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(13);
    font.setBold(true);
    return font;
}

void TNewsStripBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = rect();
    for (const TStripBand& band : NewsStripBands(area))
        if (!band.rect.isEmpty())
            painter.fillRect(band.rect, band.color);

    // A title longer than the strip is high is cut off at its top edge.
    painter.setClipRect(area);
    painter.setFont(StripFont());
    painter.setPen(Qt::white);
    const int baseY = area.y() + area.height() - kTextBottomGap;
    DrawUpwards(painter, title_, area.x() + kTitleX, baseY);
    DrawUpwards(painter, buildText_, area.x() + kBuildTextX, baseY);
}

} // namespace nuvex
