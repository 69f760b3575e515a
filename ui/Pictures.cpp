#include "ui/Pictures.h"

#include "ui/DeferredIcon.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <cstring>

static void InitPictureResources()
{
    // The pictures live in static libraries; naming them here keeps the linker from
    // dropping them. Registering them more than once is harmless.
    Q_INIT_RESOURCE(nuvex);
    Q_INIT_RESOURCE(pictures);
}

namespace nuvex {

namespace {

// The picture as the build rendered it (resources/CMakeLists.txt): raw premultiplied
// ARGB32 pixels, `scale` times the size; null when that size was not rendered.
QImage RenderedPicture(const QString& resourcePath, QSize size, int scale)
{
    QString name = QStringLiteral(":/pictures/") + QFileInfo(resourcePath).completeBaseName() + u'-' +
                   QString::number(size.width()) + u'x' + QString::number(size.height());
    if (scale != 1)
        name += QStringLiteral("@%1x").arg(scale);
    QFile file(name + QStringLiteral(".argb"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray pixels = file.readAll();
    QImage image(size * scale, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull() || pixels.size() != qsizetype(image.width()) * image.height() * 4)
        return {};
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(image.scanLine(y), pixels.constData() + qsizetype(y) * image.width() * 4,
                    std::size_t(image.width()) * 4);
    image.setDevicePixelRatio(scale);
    return image;
}

// A size the build did not render: the SVG image plugin draws it, loading Qt SVG now.
QImage RenderAtRunTime(const QString& resourcePath, QSize size)
{
    QImageReader reader(resourcePath, "svg");
    reader.setScaledSize(size);
    QImage image = reader.read();
    if (!image.isNull() && image.format() != QImage::Format_ARGB32_Premultiplied)
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    return image;
}

QPixmap Picture(const QString& resourcePath, QSize size)
{
    InitPictureResources();
    QImage image = RenderedPicture(resourcePath, size, 1);
    if (image.isNull())
        image = RenderAtRunTime(resourcePath, size);
    return QPixmap::fromImage(std::move(image));
}

} // namespace

QPixmap RenderPicture(const QString& resourcePath, QSize size)
{
    return RenderPicture(resourcePath, size, qGuiApp ? qGuiApp->devicePixelRatio() : 1.0);
}

QPixmap RenderPicture(const QString& resourcePath, QSize size, qreal devicePixelRatio)
{
    // A screen of twice the density gets the picture rendered at twice the size.
    if (devicePixelRatio > 1.0) {
        InitPictureResources();
        if (QImage image = RenderedPicture(resourcePath, size, 2); !image.isNull())
            return QPixmap::fromImage(std::move(image));
    }
    return Picture(resourcePath, size);
}

QIcon PictureIcon(const QString& resourcePath)
{
    // Made when first drawn: most icons belong to menus that an idle program never opens.
    return DeferredIcon([resourcePath] {
        // The icon picks among its sizes for every density itself.
        QIcon icon;
        for (int size : {16, 22, 32, 48})
            if (const QPixmap pixmap = Picture(resourcePath, QSize(size, size)); !pixmap.isNull())
                icon.addPixmap(pixmap);
        return icon;
    });
}

QPixmap ProgramIconPixmap(int size)
{
    const QIcon windowIcon = QApplication::windowIcon();
    if (!windowIcon.isNull())
        return windowIcon.pixmap(size, size);
    return RenderPicture(QStringLiteral(":/images/tray.svg"), size);
}

} // namespace nuvex
