#pragma once

// The lines a program under test prints on its standard error, read as they come, so
// that a test waits for the line it expects instead of for a fixed time.

#include "support/WaitUntil.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <algorithm>

namespace nuvex::test {

// Waits until a new line of the process's standard error contains text; the lines read
// are consumed into seen, an unfinished one stays in pending. False at the deadline or
// when the process has ended without such a line.
inline bool WaitForErrorLine(QProcess& process, QByteArray& pending, QStringList& seen, const QString& text,
                             int milliseconds)
{
    bool found = false;
    const auto readLines = [&] {
        pending += process.readAllStandardError();
        for (qsizetype end = pending.indexOf('\n'); end >= 0 && !found; end = pending.indexOf('\n')) {
            const QString line = QString::fromUtf8(pending.left(end));
            pending.remove(0, end + 1);
            seen.append(line);
            found = line.contains(text);
        }
        return found || process.state() == QProcess::NotRunning;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    WaitUntil(readLines, std::chrono::milliseconds(milliseconds), [&] {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        process.waitForReadyRead(static_cast<int>(std::clamp<long long>(left.count(), 1, 200)));
    });
    return found;
}

} // namespace nuvex::test
