// An icon made on its first use, and the style that hands out the menu bar's icons so.

#include "ui/DeferredIcon.h"
#include "ui/DeferredIconStyle.h"

#include <QApplication>
#include <QImage>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QScopeGuard>
#include <QStyleFactory>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

using namespace nuvex;
using namespace Qt::StringLiterals;

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

// A menu bar too narrow for its items, so that its extension button shows, as drawn in
// the application's present style.
QImage NarrowMenuBar()
{
    QMenuBar bar;
    for (const QString& title : {u"Připojení"_s, u"Statistika"_s, u"Nástroje"_s, u"Ostatní"_s, u"Konec"_s})
        bar.addMenu(title);
    bar.resize(90, bar.sizeHint().height());
    bar.show();
    const auto* extension = bar.findChild<QToolButton*>(u"qt_menubar_ext_button"_s);
    EXPECT_TRUE(extension && extension->isVisible());
    return bar.grab().toImage();
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

TEST(DeferredIconStyle, TheMenuBarsIconsAreTheBaseStylesOnceDrawn)
{
    const std::unique_ptr<QStyle> plain(QStyleFactory::create(u"Fusion"_s));
    TDeferredIconStyle deferred(QStyleFactory::create(u"Fusion"_s));
    for (auto which :
         {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_ToolBarVerticalExtensionButton}) {
        const QIcon late = deferred.standardIcon(which);
        const QIcon direct = plain->standardIcon(which);
        EXPECT_FALSE(late.isNull());
        EXPECT_EQ(late.availableSizes(), direct.availableSizes());
        for (qreal ratio : {1.0, 2.0})
            EXPECT_TRUE(Pixels(late.pixmap(QSize(16, 16), ratio)) ==
                        Pixels(direct.pixmap(QSize(16, 16), ratio)));
    }
    // Every other icon comes from the base style at once.
    EXPECT_TRUE(Pixels(deferred.standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32)) ==
                Pixels(plain->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32)));
}

TEST(DeferredIconStyle, AMenuBarLooksAsInItsBaseStyle)
{
    const QString before = QApplication::style()->name();
    const auto restore = qScopeGuard([&before] { QApplication::setStyle(before); });
    QApplication::setStyle(u"Fusion"_s);
    const QImage plain = NarrowMenuBar();
    QApplication::setStyle(new TDeferredIconStyle(QStyleFactory::create(u"Fusion"_s)));
    EXPECT_TRUE(NarrowMenuBar() == plain);
}
