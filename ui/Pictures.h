#pragma once

// The program's pictures, kept as SVG in its resources, rendered at the size a window needs.

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace nuvex {

// A transparent pixmap of the picture; null when the picture cannot be read.
QPixmap RenderPicture(const QString& resourcePath, QSize size);
inline QPixmap RenderPicture(const QString& resourcePath, int size)
{
    return RenderPicture(resourcePath, QSize(size, size));
}
// The picture at the sizes of small and large icons (menus, lists, title bars, trays).
QIcon PictureIcon(const QString& resourcePath);
// The program's icon: the application's window icon when one is set, else the tray picture.
QPixmap ProgramIconPixmap(int size);

} // namespace nuvex
