#include "ui/DeferredIconStyle.h"

#include "ui/DeferredIcon.h"

#include <QApplication>
#include <QPointer>
#include <QStyleFactory>

namespace nuvex {

TDeferredIconStyle::TDeferredIconStyle(QStyle* base) : QProxyStyle(base) {}

QIcon TDeferredIconStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option,
                                       const QWidget* widget) const
{
    // Only the menu bar's: they depend on nothing but the layout direction, which the
    // base style reads from the application when it finally makes them.
    const bool menuBarExtension = standardIcon == SP_ToolBarHorizontalExtensionButton ||
                                  standardIcon == SP_ToolBarVerticalExtensionButton;
    if (menuBarExtension && !option)
        return DeferredIcon([base = QPointer<QStyle>(baseStyle()), standardIcon] {
            return base ? base->standardIcon(standardIcon) : QIcon();
        });
    return QProxyStyle::standardIcon(standardIcon, option, widget);
}

void DeferStandardIcons()
{
    if (QStyle* base = QStyleFactory::create(QApplication::style()->name()))
        QApplication::setStyle(new TDeferredIconStyle(base));
}

} // namespace nuvex
