#include "ui/DeferredIconStyle.h"

#include <QApplication>
#include <QMenuBar>
#include <QScopeGuard>
#include <QStyleFactory>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

using namespace nuvex;
using namespace Qt::StringLiterals;

namespace {

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
