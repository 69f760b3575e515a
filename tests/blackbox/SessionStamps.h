#pragma once

// The guard's session stamps, as the running program leaves them in its options file:
// every tick that sees a connection connected writes the session's end anew (the first
// one its start too), so a test counts ticks by them instead of sleeping past them.

#include "support/FileBytes.h"
#include "support/WaitUntil.h"

#include <QByteArray>
#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <cstring>
#include <gtest/gtest.h>

namespace nuvex::test {

using namespace Qt::StringLiterals;

// A date-time stamp of the options file (REG_BINARY, an 8-byte double); 0 when absent.
inline double SessionStamp(const QByteArray& options, const QByteArray& name)
{
    const QRegularExpression value(QStringLiteral("\"%1\"=hex:([0-9a-f,]+)").arg(QString::fromLatin1(name)));
    const auto match = value.match(QString::fromLatin1(options));
    if (!match.hasMatch())
        return 0.0;
    const QByteArray bytes = QByteArray::fromHex(match.captured(1).remove(u',').toLatin1());
    double result = 0.0;
    if (bytes.size() == sizeof result)
        std::memcpy(&result, bytes.constData(), sizeof result);
    return result;
}

// Waits until the program has seen a connection connected in `ticks` more ticks from
// now, by its end stamp in the options file taking `ticks` new values.
inline bool WaitForConnectedTicks(const QString& optionsFile, int ticks, int milliseconds)
{
    double last = SessionStamp(ReadBytes(optionsFile), "EndSession");
    int seen = 0;
    return WaitUntil(
        [&] {
            const double end = SessionStamp(ReadBytes(optionsFile), "EndSession");
            if (end != 0.0 && end != last)
                ++seen;
            last = end;
            return seen >= ticks;
        },
        std::chrono::milliseconds(milliseconds));
}

// Waits for the month's log that a dropped session starts, and checks that it holds that
// one session, ending in these figures and name ("57600,123456,Internet").
inline void ExpectOneSessionLogged(const QString& log, const QString& tail)
{
    WaitUntil([&] { return QFile::exists(log); },
              std::chrono::seconds(10)); // the next tick, on a busy machine
    const QList<QByteArray> lines = ReadBytes(log).split('\n');
    ASSERT_GE(lines.size(), 2) << log.toStdString();
    EXPECT_EQ(lines[0], QByteArray("[SESSION]\r"));
    EXPECT_TRUE(
        QRegularExpression(u"^\\d+\\?\\d+=\\d+\\?\\d+,"_s + QRegularExpression::escape(tail) + u"\r$"_s)
            .match(QString::fromUtf8(lines[1]))
            .hasMatch())
        << lines[1].toStdString();
    EXPECT_EQ(lines.size(), 3); // one session, one line
}

} // namespace nuvex::test
