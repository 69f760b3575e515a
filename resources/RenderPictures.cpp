// nuvex-render-pictures: renders the program's SVG pictures at build time, at every size
// the windows show them, as raw premultiplied ARGB32 pixels in this machine's byte order
// (the build and the program run on the same kind of machine). ui/Pictures.cpp copies
// them into pixmaps, so the running program needs neither Qt SVG nor an image decoder.
//
//   nuvex-render-pictures OUTPUT_DIR PICTURE.svg=WxH[,WxH@2x...]...
//
// writes OUTPUT_DIR/PICTURE-WxH.argb (W×H pixels) and, for "@2x", PICTURE-WxH@2x.argb
// (2W×2H pixels, for screens of twice the density).

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgRenderer>
#include <cstdio>

namespace {

// The same drawing as the program did at run time: a transparent picture of that size,
// the whole SVG scaled into it.
QImage Render(QSvgRenderer& renderer, QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    return image;
}

bool Write(const QString& path, const QImage& image)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (int y = 0; y < image.height(); ++y)
        file.write(reinterpret_cast<const char*>(image.constScanLine(y)), qsizetype(image.width()) * 4);
    return file.commit();
}

int Fail(const QString& message)
{
    std::fprintf(stderr, "nuvex-render-pictures: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    // No display at build time: the offscreen platform serves the painter.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 3)
        return Fail(QStringLiteral("použití: nuvex-render-pictures VÝSTUP OBRÁZEK.svg=ŠxV[,ŠxV@2x]..."));
    const QString output = arguments.at(1);
    for (const QString& argument : arguments.mid(2)) {
        const qsizetype equals = argument.lastIndexOf(u'=');
        if (equals < 0)
            return Fail(QStringLiteral("chybí velikosti: ") + argument);
        const QString svg = argument.left(equals);
        QSvgRenderer renderer(svg);
        if (!renderer.isValid())
            return Fail(QStringLiteral("nelze přečíst ") + svg);
        const QString base = output + u'/' + QFileInfo(svg).completeBaseName() + u'-';
        for (QString size : argument.mid(equals + 1).split(u',')) {
            const bool twice = size.endsWith(QStringLiteral("@2x"));
            const QString name = base + size + QStringLiteral(".argb");
            if (twice)
                size.chop(3);
            const QStringList sides = size.split(u'x');
            bool wide = false;
            bool high = false;
            const QSize pixels(sides.value(0).toInt(&wide), sides.value(1).toInt(&high));
            if (sides.size() != 2 || !wide || !high || pixels.isEmpty())
                return Fail(QStringLiteral("špatná velikost: ") + size);
            if (!Write(name, Render(renderer, twice ? pixels * 2 : pixels)))
                return Fail(QStringLiteral("nelze zapsat ") + name);
        }
    }
    return 0;
}
