#include "ui/ShellOpen.h"

#include <QDesktopServices>
#include <QUrl>
#include <cstdio>

namespace nuvex {

namespace {

std::function<bool(const QUrl&)>& Handler()
{
    static std::function<bool(const QUrl&)> handler;
    return handler;
}

} // namespace

void SetShellOpenHandler(std::function<bool(const QUrl&)> handler)
{
    Handler() = std::move(handler);
}

QUrl ShellOpenUrl(const QString& file)
{
    const QUrl url(file, QUrl::TolerantMode);
    if (url.isValid() && !url.scheme().isEmpty() && url.scheme().size() > 1)
        return url;
    return QUrl::fromLocalFile(file);
}

void ShellOpen(const QString& file, const QString& /*parameters*/, const QString& /*directory*/,
               int /*showCommand*/)
{
    const QUrl url = ShellOpenUrl(file);
    const bool opened = Handler() ? Handler()(url) : QDesktopServices::openUrl(url);
    if (!opened)
        std::fprintf(stderr, "Nuvex: adresu %s se nepodařilo otevřít.\n", file.toLocal8Bit().constData());
}

} // namespace nuvex
