#pragma once

// Text crosses into the platform layer as bytes of the system code page (UTF-8 on Linux).

#include "platform/TextFold.h"

#include <QString>
#include <string>
#include <string_view>

namespace nuvex {

inline QString FromSys(std::string_view bytes)
{
    return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

inline std::string ToSys(const QString& text)
{
    return text.toLocal8Bit().toStdString();
}

// A name with its letter case folded by the platform's one rule, so that the program
// matches names exactly as the files it reads them from do.
inline QString FoldName(const QString& name)
{
    return FromSys(platform::FoldCase(ToSys(name)));
}

} // namespace nuvex
