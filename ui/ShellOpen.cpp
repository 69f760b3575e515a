#include "ui/ShellOpen.h"

#include "ui/qnForms.h"

#include <QDesktopServices>
#include <QUrl>

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

QString ShellOpenFailureText(const QUrl& url)
{
    if (url.scheme() == QStringLiteral("mailto"))
        return QStringLiteral("Zprávu na adresu „%1“ se nepodařilo otevřít: v systému není nastaven žádný "
                              "poštovní program, který by ji otevřel.")
            .arg(url.path());
    const QString address = url.isLocalFile() ? url.toLocalFile() : url.toString();
    return QStringLiteral("Adresu „%1“ se nepodařilo otevřít: v systému není nastaven žádný program "
                          "(webový prohlížeč), který by ji otevřel.")
        .arg(address);
}

void ShellOpen(const QString& file, const QString& /*parameters*/, const QString& /*directory*/,
               int /*showCommand*/)
{
    const QUrl url = ShellOpenUrl(file);
    const bool opened = Handler() ? Handler()(url) : QDesktopServices::openUrl(url);
    if (!opened)
        ShowInformation(ShellOpenFailureText(url));
}

} // namespace nuvex
