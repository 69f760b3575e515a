#pragma once

// The program's pictures, kept as SVG and rendered by the build at the sizes the windows
// show them (resources/CMakeLists.txt); another size is rendered from the SVG when asked.

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace nuvex {

// A transparent pixmap of the picture (":/images/NAME.svg"), twice as dense on a screen of
// twice the density when the build rendered it so; null when the picture cannot be read.
QPixmap RenderPicture(const QString& resourcePath, QSize size);
// The same for a screen of that density (the one-argument form asks the application).
QPixmap RenderPicture(const QString& resourcePath, QSize size, qreal devicePixelRatio);
inline QPixmap RenderPicture(const QString& resourcePath, int size)
{
    return RenderPicture(resourcePath, QSize(size, size));
}
// The picture at the sizes of small and large icons (menus, lists, title bars, trays),
// made when the icon is first drawn or measured.
QIcon PictureIcon(const QString& resourcePath);
// The program's icon: the application's window icon when one is set, else the tray picture.
QPixmap ProgramIconPixmap(int size);

} // namespace nuvex
