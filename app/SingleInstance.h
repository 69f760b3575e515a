#pragma once

// One copy per user: a lock held for the life of the process stands in for the named
// mutex, and a local socket for finding the running copy's window. The lock and the
// socket live in $XDG_RUNTIME_DIR, or below the emulated machine while
// NUVEX_SYSTEM_ROOT is set, so that tests running side by side do not meet.

#include <QObject>
#include <QString>
#include <memory>
#include <vector>

class QLockFile;
class QSocketNotifier;

namespace nuvex {

namespace platform {
class LocalListener;
}

class TSingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit TSingleInstance(QObject* parent = nullptr);
    ~TSingleInstance() override;

    enum class TResult
    {
        OnlyCopy,
        AnotherCopyRuns,
        // The lock could not be made at all (no runtime folder, no permission): the
        // program runs on as the only copy; LockProblem() says why.
        LockUnavailable
    };
    // Takes the lock and listens. A copy that crashed leaves a lock that is found stale
    // and taken over.
    TResult TryToBeTheOnlyCopy();
    const QString& LockProblem() const { return lockProblem_; }
    // Asks the running copy to bring its window forward; waits at most a moment.
    static bool AskRunningCopyToComeForward();

    static QString LockFilePath();
    static QString SocketPath();

signals:
    // Another copy was started and asks this one to come forward.
    void ComeForwardRequested();

private:
    struct TRequest;
    void AcceptRequests();
    void ReadRequest(TRequest* request);
    void Forget(TRequest* request);

    std::unique_ptr<QLockFile> lock_;
    // Declared before what watches them, so that the watchers go first.
    std::unique_ptr<platform::LocalListener> listener_;
    std::vector<std::unique_ptr<TRequest>> requests_;
    std::unique_ptr<QSocketNotifier> listenerNotifier_;
    QString lockProblem_;
};

} // namespace nuvex
