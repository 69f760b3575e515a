#pragma once

// Watches the files and folders the guarded phonebook and "Nuvex.val" come from, so that
// a change starts a check at once instead of at the next tick. Folders are watched as
// well as files, so a file that is replaced (written beside and renamed over) or created
// is seen too.

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>

namespace nuvex {

class TPhonebookWatcher : public QObject
{
    Q_OBJECT

public:
    explicit TPhonebookWatcher(QObject* parent = nullptr);

    // Watches what the phonebook was last read from; call after each check, as the files
    // it names (chat scripts, included options) may have changed.
    void Sync();
    // The paths watched now (existing files and folders).
    QStringList Watched() const;

signals:
    // Something watched changed; bursts of events arrive as one signal.
    void Changed();

private:
    QFileSystemWatcher watcher_;
    QTimer settle_;
};

} // namespace nuvex
