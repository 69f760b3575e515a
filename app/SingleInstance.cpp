#include "app/SingleInstance.h"

#include "platform/LocalSocket.h"
#include "platform/SystemPaths.h"
#include "ui/SysText.h"

#include <QDir>
#include <QLockFile>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <unistd.h>

namespace nuvex {

namespace {

constexpr std::string_view kComeForward = "come-forward\n";
// A peer that sends this much without the request, or connections beyond this many left
// open without a word, are dropped: nothing a peer does may hold the program up or use
// up its descriptors.
constexpr std::size_t kMaxRequestBytes = 256;
constexpr std::size_t kMaxOpenRequests = 8;

QString RuntimeFolder()
{
    if (const char* root = std::getenv("NUVEX_SYSTEM_ROOT"); root && *root)
        return FromSys(platform::SystemRoot()) + u"/run";
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty())
        return runtime;
    return QDir::tempPath() + QStringLiteral("/nuvex-") + QString::number(::getuid());
}

} // namespace

struct TSingleInstance::TRequest
{
    platform::LocalConnection connection;
    std::string received;
    // Declared last, so that it stops watching before the connection closes.
    std::unique_ptr<QSocketNotifier> notifier;
};

TSingleInstance::TSingleInstance(QObject* parent) : QObject(parent) {}

TSingleInstance::~TSingleInstance() = default;

QString TSingleInstance::LockFilePath()
{
    return RuntimeFolder() + u"/nuvex.lock";
}

QString TSingleInstance::SocketPath()
{
    return RuntimeFolder() + u"/nuvex.socket";
}

TSingleInstance::TResult TSingleInstance::TryToBeTheOnlyCopy()
{
    const bool folderMade = QDir().mkpath(RuntimeFolder());
    lock_ = std::make_unique<QLockFile>(LockFilePath());
    lock_->setStaleLockTime(0); // stale only when its process is gone, never by age
    if (!lock_->tryLock(0)) {
        const QLockFile::LockError error = lock_->error();
        lock_.reset();
        if (error == QLockFile::LockFailedError)
            return TResult::AnotherCopyRuns;
        // Without a lock no second copy can be told apart, yet a guard that does not run
        // at all is worse than two that do.
        const QString reason = !folderMade ? QStringLiteral("složku %1 nelze vytvořit").arg(RuntimeFolder())
                               : error == QLockFile::PermissionError
                                   ? QStringLiteral("do složky %1 nelze zapisovat").arg(RuntimeFolder())
                                   : QStringLiteral("neznámá chyba");
        lockProblem_ = QStringLiteral("Zámek jediné kopie %1 nelze vytvořit (%2): Nuvex běží dál jako jediná "
                                      "kopie.")
                           .arg(LockFilePath(), reason);
        return TResult::LockUnavailable;
    }
    listener_ = std::make_unique<platform::LocalListener>();
    // A socket file left by a copy that crashed is replaced.
    if (const auto problem = listener_->Listen(ToSys(SocketPath()))) {
        // The lock alone still keeps a second copy away; it just cannot bring this one
        // forward.
        std::fprintf(stderr, "Nuvex: %s\n", problem->c_str());
        listener_.reset();
        return TResult::OnlyCopy;
    }
    listenerNotifier_ =
        std::make_unique<QSocketNotifier>(listener_->Descriptor(), QSocketNotifier::Read, this);
    connect(listenerNotifier_.get(), &QSocketNotifier::activated, this, &TSingleInstance::AcceptRequests);
    return TResult::OnlyCopy;
}

void TSingleInstance::AcceptRequests()
{
    while (platform::LocalConnection connection = listener_->Accept()) {
        if (requests_.size() >= kMaxOpenRequests)
            Forget(requests_.front().get());
        auto request = std::make_unique<TRequest>();
        request->connection = std::move(connection);
        request->notifier =
            std::make_unique<QSocketNotifier>(request->connection.Descriptor(), QSocketNotifier::Read, this);
        TRequest* const watched = request.get();
        connect(request->notifier.get(), &QSocketNotifier::activated, this,
                [this, watched] { ReadRequest(watched); });
        requests_.push_back(std::move(request));
        // What arrived with the connection is read at once.
        ReadRequest(watched);
    }
}

void TSingleInstance::ReadRequest(TRequest* request)
{
    const auto state = request->connection.ReadAvailable(request->received);
    const bool asked = request->received.find(kComeForward) != std::string::npos;
    if (asked || state != platform::LocalConnection::ReadState::Open ||
        request->received.size() > kMaxRequestBytes)
        Forget(request);
    if (asked)
        emit ComeForwardRequested();
}

void TSingleInstance::Forget(TRequest* request)
{
    const auto found = std::find_if(requests_.begin(), requests_.end(),
                                    [request](const auto& held) { return held.get() == request; });
    if (found == requests_.end())
        return;
    // The notifier may be the one whose signal is running now: it goes later, yet stops
    // watching before its descriptor closes.
    request->notifier->setEnabled(false);
    request->notifier.release()->deleteLater();
    requests_.erase(found);
}

bool TSingleInstance::AskRunningCopyToComeForward()
{
    return platform::SendToListener(ToSys(SocketPath()), kComeForward, std::chrono::seconds(1));
}

} // namespace nuvex
