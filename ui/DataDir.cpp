#include "ui/DataDir.h"

#include "platform/SystemPaths.h"
#include "platform/Writable.h"
#include "ui/AppDir.h"
#include "ui/InstallDirs.h" // generated
#include "ui/SysText.h"

#include <QDir>
#include <QFileInfo>

namespace nuvex {

namespace {

QString WithSeparator(const QString& dir)
{
    return dir.endsWith(u'/') ? dir : dir + u'/';
}

QString EnvironmentOr(const char* name, const QString& fallback)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

QString InstalledDataDir(const QString& appDir)
{
    return QDir::cleanPath(appDir + u'/' + QString::fromUtf8(build::kBinToDataDir));
}

// An installation's program folder (/usr/bin, whose shared folder /usr/share/nuvex lies
// beside it) belongs to the package manager: never a place for user data, even for root,
// who may write everywhere.
bool IsInstallationDir(const QString& appDir)
{
    return QFileInfo(InstalledDataDir(appDir)).isDir();
}

} // namespace

QString UserDataDir()
{
    const QString home = EnvironmentOr("HOME", QStringLiteral("/tmp"));
    return WithSeparator(EnvironmentOr("XDG_DATA_HOME", home + u"/.local/share") + u"/nuvex");
}

QString ChooseDataDir(const QString& appDir, bool installed, bool writable, const QString& userDataDir)
{
    return WithSeparator(!installed && writable ? appDir : userDataDir);
}

QString GetDataDir()
{
    const QString appDir = GetAppDir();
    const QString chosen = ChooseDataDir(appDir, IsInstallationDir(appDir),
                                         platform::MayWriteInDir(ToSys(appDir)), UserDataDir());
    if (chosen != appDir) {
        // As the XDG rules ask for a data folder that is created here: for the user only.
        // A failure shows later, in the message of the write that needs the folder.
        QDir folder;
        if (!folder.exists(chosen) && folder.mkpath(chosen))
            QFile::setPermissions(chosen, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    return chosen;
}

QString FindProgramFile(const QString& name)
{
    const QString beside = GetAppDir() + name;
    if (QFileInfo::exists(beside))
        return beside;
    const QString shared = InstalledDataDir(GetAppDir()) + u'/' + name;
    return QFileInfo::exists(shared) ? shared : beside;
}

} // namespace nuvex
