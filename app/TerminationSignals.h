#pragma once

// SIGTERM, SIGINT and SIGHUP as a Qt signal: the handler only writes the signal's number
// into a pipe, and a socket notifier reads it on the event loop.

#include <QObject>

class QSocketNotifier;

namespace nuvex {

class TTerminationSignals : public QObject
{
    Q_OBJECT

public:
    // One instance at a time; installs the handlers and restores the old ones on destruction.
    explicit TTerminationSignals(QObject* parent = nullptr);
    ~TTerminationSignals() override;

signals:
    void Requested(int signal);

private:
    void ReadPipe();
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace nuvex
