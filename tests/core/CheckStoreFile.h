#pragma once

// The check-number store's file ("Nuvex.val" in the Windows directory) written and read
// as bytes, and the fixture of the tests of the store and of the watch that reads it.

#include "platform/SystemPaths.h"
#include "support/FileBytes.h"
#include "support/SandboxTest.h"

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

inline void WriteStoreBytes(const QByteArray& bytes)
{
    WritePlainBytes(StorePath().toStdString(), bytes.toStdString());
}

// A test of the store or the watch, in a machine of its own.
using CheckStore = SandboxTest;

} // namespace nuvex::test
