#include "app/MainImages.h"

#include "ui/Pictures.h"
#include "watch/NumberWatch.h"

namespace nuvex {

std::vector<QIcon> MakeMainImageList()
{
    std::vector<QIcon> images(10);
    images[imgInOrder] = PictureIcon(QStringLiteral(":/images/state-in-order.svg"));
    images[imgUnregistered] = PictureIcon(QStringLiteral(":/images/state-unregistered.svg"));
    images[imgChanged] = PictureIcon(QStringLiteral(":/images/state-changed.svg"));
    images[imgInOrderConnected] = PictureIcon(QStringLiteral(":/images/state-connected.svg"));
    images[kImageQuit] = PictureIcon(QStringLiteral(":/images/action-quit.svg"));
    images[kImageShowWindow] = PictureIcon(QStringLiteral(":/images/action-show-window.svg"));
    images[kImageHomePage] = PictureIcon(QStringLiteral(":/images/action-home-page.svg"));
    images[kImageUpdate] = PictureIcon(QStringLiteral(":/images/action-update.svg"));
    images[kImageAbout] = PictureIcon(QStringLiteral(":/images/action-about.svg"));
    images[kImagePasswordManager] = PictureIcon(QStringLiteral(":/images/action-password-manager.svg"));
    return images;
}

QIcon MakeTrayIcon()
{
    return PictureIcon(QStringLiteral(":/images/tray.svg"));
}

} // namespace nuvex
