#pragma once

// The application's style as it is, but for the standard icons every menu bar asks for
// when it is made (its extension button, shown only when the bar is too narrow for its
// items): they are loaded when first drawn. Loading any of Qt's own icon files starts
// every image-format plugin, the SVG one with Qt SVG, about 0.6 MB of resident memory
// that an idle program in the tray never uses.

#include <QProxyStyle>

namespace nuvex {

class TDeferredIconStyle : public QProxyStyle
{
public:
    // Takes `base` (owned from then on), the style that draws everything.
    explicit TDeferredIconStyle(QStyle* base);

    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

// Puts a TDeferredIconStyle over a fresh copy of the application's style; before the
// first widget is made, so that every widget uses it.
void DeferStandardIcons();

} // namespace nuvex
