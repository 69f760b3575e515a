#include "ui/DeferredIcon.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <gtest/gtest.h>

using namespace nuvex;

namespace {

QIcon TwoSizes()
{
    QIcon icon;
    for (int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(size == 16 ? Qt::red : Qt::blue);
        icon.addPixmap(pixmap);
    }
    return icon;
}

QImage Pixels(const QPixmap& pixmap)
{
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

TEST(DeferredIcon, MakesItsIconOnceOnTheFirstUseOfAnyCopy)
{
    int made = 0;
    const QIcon deferred = DeferredIcon([&made] {
        ++made;
        return TwoSizes();
    });
    const QIcon copy = deferred;
    EXPECT_FALSE(deferred.isNull());
    EXPECT_EQ(made, 0);

    const QIcon direct = TwoSizes();
    EXPECT_EQ(copy.availableSizes(), direct.availableSizes());
    EXPECT_EQ(made, 1);
    for (qreal ratio : {1.0, 2.0})
        for (int size : {16, 24, 32})
            EXPECT_TRUE(Pixels(deferred.pixmap(QSize(size, size), ratio)) ==
                        Pixels(direct.pixmap(QSize(size, size), ratio)))
                << size << " at " << ratio;
    EXPECT_TRUE(Pixels(deferred.pixmap(16, QIcon::Disabled)) == Pixels(direct.pixmap(16, QIcon::Disabled)));

    QImage painted(40, 40, QImage::Format_ARGB32_Premultiplied);
    QImage expected = painted;
    painted.fill(Qt::transparent);
    expected.fill(Qt::transparent);
    {
        QPainter painter(&painted); // through the engine's own painting
        deferred.paint(&painter, QRect(4, 4, 20, 20));
        deferred.paint(&painter, QRect(10, 2, 30, 12), Qt::AlignRight, QIcon::Selected);
    }
    {
        QPainter painter(&expected);
        direct.paint(&painter, QRect(4, 4, 20, 20));
        direct.paint(&painter, QRect(10, 2, 30, 12), Qt::AlignRight, QIcon::Selected);
    }
    EXPECT_TRUE(painted == expected);
    EXPECT_EQ(made, 1);
}
