#include "app/SingleInstance.h"

#include "platform/SystemPaths.h"
#include "ui/SysText.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <cstdlib>
#include <unistd.h>

namespace nuvex {

namespace {

const QByteArray kComeForward = QByteArrayLiteral("come-forward\n");

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
    server_ = new QLocalServer(this);
    QLocalServer::removeServer(SocketPath()); // left by a copy that crashed
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (client->readAll().contains(kComeForward))
                    emit ComeForwardRequested();
                client->disconnectFromServer();
            });
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        }
    });
    server_->listen(SocketPath());
    return TResult::OnlyCopy;
}

bool TSingleInstance::AskRunningCopyToComeForward()
{
    QLocalSocket socket;
    socket.connectToServer(SocketPath());
    if (!socket.waitForConnected(1000))
        return false;
    socket.write(kComeForward);
    const bool written = socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    return written;
}

} // namespace nuvex
