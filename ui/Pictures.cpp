#include "ui/Pictures.h"

#include <QApplication>
#include <QPainter>
#include <QSvgRenderer>

static void InitPictureResources()
{
    // The pictures live in a static library; naming them here keeps the linker from
    // dropping them. Registering them more than once is harmless.
    Q_INIT_RESOURCE(nuvex);
}

namespace nuvex {

QPixmap RenderPicture(const QString& resourcePath, QSize size)
{
    InitPictureResources();
    QSvgRenderer renderer(resourcePath);
    if (!renderer.isValid())
        return {};
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    return pixmap;
}

QIcon PictureIcon(const QString& resourcePath)
{
    QIcon icon;
    for (int size : {16, 22, 32, 48})
        if (const QPixmap pixmap = RenderPicture(resourcePath, size); !pixmap.isNull())
            icon.addPixmap(pixmap);
    return icon;
}

QPixmap ProgramIconPixmap(int size)
{
    const QIcon windowIcon = QApplication::windowIcon();
    if (!windowIcon.isNull())
        return windowIcon.pixmap(size, size);
    return RenderPicture(QStringLiteral(":/images/tray.svg"), size);
}

} // namespace nuvex
