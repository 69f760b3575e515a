#pragma once

// An icon whose pictures are made when something first needs them (drawing, a size),
// not when the icon is made: an icon of a menu that is never opened costs no memory.

#include <QIcon>
#include <functional>

namespace nuvex {

// Behaves as the icon `make` returns, which is called once, on the first use of any copy.
QIcon DeferredIcon(std::function<QIcon()> make);

} // namespace nuvex
