#pragma once

// A file's bytes as a test reads and writes them, past the program's own file layer.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

namespace nuvex::test {

// The whole file, or nothing when it cannot be read.
inline QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

} // namespace nuvex::test
