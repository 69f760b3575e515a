#include "app/MainImages.h"

#include "watch/NumberWatch.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

static void InitNuvexResources()
{
    // The pictures live in a static library; naming them here keeps the linker from
    // dropping them.
    Q_INIT_RESOURCE(nuvex);
}

namespace nuvex {

namespace {

QIcon RenderSvg(const QString& path)
{
    QSvgRenderer renderer(path);
    QIcon icon;
    for (int size : {16, 22, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

std::vector<QIcon> MakeMainImageList()
{
    InitNuvexResources();
    std::vector<QIcon> images(10);
    images[imgInOrder] = RenderSvg(QStringLiteral(":/images/state-in-order.svg"));
    images[imgUnregistered] = RenderSvg(QStringLiteral(":/images/state-unregistered.svg"));
    images[imgChanged] = RenderSvg(QStringLiteral(":/images/state-changed.svg"));
    images[imgInOrderConnected] = RenderSvg(QStringLiteral(":/images/state-connected.svg"));
    images[kImageQuit] = RenderSvg(QStringLiteral(":/images/action-quit.svg"));
    images[kImageShowWindow] = RenderSvg(QStringLiteral(":/images/action-show-window.svg"));
    images[kImageHomePage] = RenderSvg(QStringLiteral(":/images/action-home-page.svg"));
    images[kImageUpdate] = RenderSvg(QStringLiteral(":/images/action-update.svg"));
    images[kImageAbout] = RenderSvg(QStringLiteral(":/images/action-about.svg"));
    images[kImagePasswordManager] = RenderSvg(QStringLiteral(":/images/action-password-manager.svg"));
    return images;
}

QIcon MakeTrayIcon()
{
    InitNuvexResources();
    return RenderSvg(QStringLiteral(":/images/tray.svg"));
}

} // namespace nuvex
