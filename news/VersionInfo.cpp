#include "news/VersionInfo.h"

#include "news/Version.h"

namespace nuvex {

namespace {

QString FourParts(const std::array<quint16, 4>& parts)
{
    return QStringLiteral("%1.%2.%3.%4").arg(parts[0]).arg(parts[1]).arg(parts[2]).arg(parts[3]);
}

} // namespace

std::optional<TFileVersionInfo> ReadProgramVersion()
{
    const std::array<quint16, 4> parts{build::kVersionMajor, build::kVersionMinor, build::kVersionPatch,
                                       build::kVersionTweak};
    return TFileVersionInfo{parts, parts, QString::fromLatin1(build::kFileVersion)};
}

QString BuildText(const TFileVersionInfo& info)
{
    return u"build " + FourParts(info.ProductVersion);
}

QString VersionText(const TFileVersionInfo& info)
{
    return info.FileVersionText.isEmpty() ? FourParts(info.FileVersion) : info.FileVersionText;
}

QString BuildText()
{
    const auto info = ReadProgramVersion();
    return info ? BuildText(*info) : QString();
}

QString VersionText()
{
    const auto info = ReadProgramVersion();
    return info ? VersionText(*info) : QStringLiteral("0.0.0.0");
}

} // namespace nuvex
