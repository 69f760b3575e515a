#pragma once

// A file's bytes as a Qt test reads and writes them, past the program's own file layer.

#include "support/PlainFileBytes.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

namespace nuvex::test {

// The whole file, or nothing when it cannot be read.
inline QByteArray ReadBytes(const QString& path)
{
    return QByteArray::fromStdString(ReadPlainBytes(QFile::encodeName(path).toStdString()));
}

inline QByteArray ReadBytes(const std::filesystem::path& path)
{
    return QByteArray::fromStdString(ReadPlainBytes(path));
}

inline void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

} // namespace nuvex::test
