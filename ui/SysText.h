#pragma once

// Text crosses into the platform layer as bytes of the system code page (UTF-8 on Linux).

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

} // namespace nuvex
