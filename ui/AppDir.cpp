#include "ui/AppDir.h"

#include "platform/SystemPaths.h"
#include "ui/SysText.h"

namespace nuvex {

namespace {

QString& TestDir()
{
    static QString dir;
    return dir;
}

} // namespace

QString GetAppDir()
{
    if (!TestDir().isEmpty())
        return TestDir();
    return FromSys(platform::ProgramDir()) + u'/';
}

void SetAppDirForTesting(const QString& dir)
{
    TestDir() = dir.isEmpty() || dir.endsWith(u'/') ? dir : dir + u'/';
}

} // namespace nuvex
