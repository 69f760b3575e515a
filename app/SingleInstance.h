#pragma once

// One copy per user: a lock held for the life of the process stands in for the named
// mutex, and a local socket for finding the running copy's window. The lock and the
// socket live in $XDG_RUNTIME_DIR, or below the emulated machine while
// NUVEX_SYSTEM_ROOT is set, so that tests running side by side do not meet.

#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLockFile;

namespace nuvex {

class TSingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit TSingleInstance(QObject* parent = nullptr);
    ~TSingleInstance() override;

    // Takes the lock and listens; false when another copy holds it. A copy that crashed
    // leaves a lock that is found stale and taken over.
    bool TryToBeTheOnlyCopy();
    // Asks the running copy to bring its window forward; waits at most a moment.
    static bool AskRunningCopyToComeForward();

    static QString LockFilePath();
    static QString SocketPath();

signals:
    // Another copy was started and asks this one to come forward.
    void ComeForwardRequested();

private:
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
};

} // namespace nuvex
