#include "watch/PhonebookWatcher.h"

#include "platform/Profile.h"
#include "platform/RasService.h"
#include "ui/SysText.h"
#include "watch/CheckNumberStore.h"

#include <QFileInfo>
#include <QSet>

namespace nuvex {

TPhonebookWatcher::TPhonebookWatcher(QObject* parent) : QObject(parent)
{
    // A write is often several events (the temporary file, the rename, the folder): one
    // check after them is enough, and a few milliseconds keep the warning prompt.
    settle_.setSingleShot(true);
    settle_.setInterval(5);
    connect(&settle_, &QTimer::timeout, this, &TPhonebookWatcher::Changed);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, &settle_, qOverload<>(&QTimer::start));
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, &settle_, qOverload<>(&QTimer::start));
    Sync();
}

void TPhonebookWatcher::Sync()
{
    QSet<QString> wanted;
    const auto add = [&wanted](const QString& path) {
        const QFileInfo info(path);
        if (info.exists())
            wanted.insert(info.absoluteFilePath());
        const QFileInfo folder(info.absolutePath());
        if (folder.isDir())
            wanted.insert(folder.absoluteFilePath());
    };
    for (const std::string& source : platform::ras::ActiveRasService().PhonebookSources())
        add(FromSys(source));
    add(FromSys(platform::ResolveProfilePath(ToSys(TCheckNumberStore::FileName))));

    const QStringList watched = Watched();
    QStringList gone;
    for (const QString& path : watched)
        if (!wanted.contains(path))
            gone.append(path);
    if (!gone.isEmpty())
        watcher_.removePaths(gone);
    QStringList added;
    for (const QString& path : wanted)
        if (!watched.contains(path))
            added.append(path);
    if (!added.isEmpty())
        watcher_.addPaths(added); // a path that vanished meanwhile is simply not watched
}

QStringList TPhonebookWatcher::Watched() const
{
    return watcher_.files() + watcher_.directories();
}

} // namespace nuvex
