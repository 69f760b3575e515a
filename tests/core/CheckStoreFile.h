#pragma once

// The check-number store's file ("Nuvex.val" in the Windows directory) written and read
// as bytes, and the fixture of the tests of the store and of the watch that reads it.

#include "platform/SystemPaths.h"
#include "support/Sandbox.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

namespace nuvex::test {

using namespace Qt::StringLiterals;

inline QString StorePath()
{
    return QString::fromStdString(nuvex::platform::WindowsDir()) + u"/Nuvex.val"_s;
}

inline QByteArray ReadStoreBytes()
{
    QFile file(StorePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void WriteStoreBytes(const QByteArray& bytes)
{
    nuvex::platform::MakeDirs(nuvex::platform::WindowsDir());
    QFile file(StorePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// A test of the store or the watch, in a machine of its own.
class CheckStore : public ::testing::Test
{
protected:
    Sandbox sandbox;
};

} // namespace nuvex::test
