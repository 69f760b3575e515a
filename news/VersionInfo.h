#pragma once

// The program file's version, as its version resource carries it on Windows: the fixed
// record's product and file version (four 16-bit parts each) and the "FileVersion" text.
// Here the build writes them from the project's version.

#include <QString>
#include <array>
#include <optional>

namespace nuvex {

struct TFileVersionInfo
{
    std::array<quint16, 4> ProductVersion{}; // most significant part first
    std::array<quint16, 4> FileVersion{};
    QString FileVersionText; // the "FileVersion" string; may be empty
};

// The running program's version resource, or nothing when it has none.
std::optional<TFileVersionInfo> ReadProgramVersion();

// "build 2.0.0.1": the product version's four parts.
QString BuildText(const TFileVersionInfo& info);
// The "FileVersion" text, or the file version's four parts when the text is missing or empty.
QString VersionText(const TFileVersionInfo& info);

// The same for the running program; without a version resource the build text is empty
// and the version text "0.0.0.0".
QString BuildText();
QString VersionText();

} // namespace nuvex
