#pragma once

// The options file as an earlier start of this version left it, with the news
// acknowledged, so that no news window waits for a person; the window stays shown at
// start. Black-box tests write it as home/user.reg below their machine. Its text is
// tools/seeded-options.reg, which the demo and screenshot scripts write too.

#include "support/FileBytes.h"

#include <QByteArray>
#include <QString>
#include <cstdio>
#include <cstdlib>

namespace nuvex::test {

// The shared text with this build's version, in the registry file's CR LF lines.
inline QByteArray ReadSeededOptions()
{
    QByteArray text = ReadBytes(QString::fromUtf8(NUVEX_SEEDED_OPTIONS));
    if (!text.contains("@VERSION@")) {
        std::fprintf(stderr, "%s: not the seeded options\n", NUVEX_SEEDED_OPTIONS);
        std::abort();
    }
    return text.replace("@VERSION@", NUVEX_VERSION).replace("\n", "\r\n");
}

} // namespace nuvex::test

inline const QByteArray kSeededOptions = nuvex::test::ReadSeededOptions();
