#include "ui/Pictures.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <gtest/gtest.h>

using namespace nuvex;
using namespace Qt::StringLiterals;

namespace {

// What the program drew from the SVG at run time before the build rendered it.
QImage DrawnFromSvg(const QString& resourcePath, QSize pixels)
{
    QSvgRenderer renderer(resourcePath);
    EXPECT_TRUE(renderer.isValid()) << resourcePath.toStdString();
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    return image;
}

QImage Pixels(const QPixmap& pixmap)
{
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

// Every rendered picture is its SVG drawn at that size, pixel for pixel, and the sizes the
// windows ask for are among them.
TEST(Pictures, TheBuildRendersEverySvgAsTheProgramDrewIt)
{
    RenderPicture(u":/images/tray.svg"_s, 16); // registers the resources
    const QStringList rendered = QDir(u":/pictures"_s).entryList();
    for (const char* needed :
         {"state-in-order-16x16.argb", "state-connected-48x48.argb", "password-note-22x22.argb",
          "logo-70x40.argb", "logo-70x40@2x.argb", "action-password-manager-32x32@2x.argb", "tray-32x32.argb",
          "tray-32x32@2x.argb"})
        EXPECT_TRUE(rendered.contains(QString::fromLatin1(needed))) << needed;

    const QRegularExpression name(u"^(.+)-(\\d+)x(\\d+)(@2x)?\\.argb$"_s);
    for (const QString& file : rendered) {
        const auto match = name.match(file);
        ASSERT_TRUE(match.hasMatch()) << file.toStdString();
        const QString svg = u":/images/"_s + match.captured(1) + u".svg"_s;
        const QSize size(match.captured(2).toInt(), match.captured(3).toInt());
        const int scale = match.hasCaptured(4) ? 2 : 1;
        const QPixmap picture = RenderPicture(svg, size, scale);
        EXPECT_EQ(picture.size(), size * scale) << file.toStdString();
        EXPECT_EQ(picture.devicePixelRatio(), scale) << file.toStdString();
        EXPECT_TRUE(Pixels(picture) == DrawnFromSvg(svg, size * scale)) << file.toStdString();
    }
}

TEST(Pictures, IconsHoldTheFourSizesAtEveryDensity)
{
    const QIcon icon = PictureIcon(u":/images/state-changed.svg"_s);
    EXPECT_EQ(icon.availableSizes(), (QList<QSize>{{16, 16}, {22, 22}, {32, 32}, {48, 48}}));
    EXPECT_TRUE(Pixels(icon.pixmap(QSize(22, 22), 1.0)) ==
                DrawnFromSvg(u":/images/state-changed.svg"_s, {22, 22}));
    // Twice as dense, a small icon is the larger rendering, not an enlarged small one.
    EXPECT_TRUE(Pixels(icon.pixmap(QSize(16, 16), 2.0)) ==
                DrawnFromSvg(u":/images/state-changed.svg"_s, {32, 32}));
}

TEST(Pictures, ASizeTheBuildDidNotRenderIsDrawnFromTheSvg)
{
    const QPixmap large = RenderPicture(u":/images/tray.svg"_s, 100);
    ASSERT_EQ(large.size(), QSize(100, 100));
    EXPECT_TRUE(Pixels(large) == DrawnFromSvg(u":/images/tray.svg"_s, {100, 100}));
    // Twice as dense without a rendering for it: the plain size, as before.
    EXPECT_EQ(RenderPicture(u":/images/state-in-order.svg"_s, QSize(16, 16), 2.0).size(), QSize(16, 16));
    EXPECT_TRUE(RenderPicture(u":/images/no-such-picture.svg"_s, 16).isNull());
}
