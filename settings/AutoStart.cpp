#include "settings/AutoStart.h"

#include "platform/Error.h"
#include "settings/qnOptions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

namespace nuvex {

namespace {

QString ConfigHome()
{
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!config.isEmpty())
        return config;
    const QString home = qEnvironmentVariable("HOME");
    return (home.isEmpty() ? QStringLiteral("/tmp") : home) + u"/.config";
}

[[noreturn]] void Refuse(const QString& what, const QString& why)
{
    throw Error(
        QStringLiteral("%1 %2: %3").arg(what, QDir::toNativeSeparators(AutoStartFile()), why).toStdString());
}

} // namespace

QString AutoStartFile()
{
    return ConfigHome() + u"/autostart/nuvex.desktop";
}

bool IsAutoStartOn()
{
    QFile file(AutoStartFile());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    for (const QString& line : lines) {
        const QString trimmed = line.trimmed();
        if (trimmed.compare(u"Hidden=true") == 0 || trimmed.compare(u"X-GNOME-Autostart-enabled=false") == 0)
            return false;
    }
    return true;
}

QString DesktopExecArgument(const QString& argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = argument.isEmpty();
    QString quoted;
    for (const QChar c : argument) {
        if (reserved.contains(c))
            quote = true;
        // Inside quotes these four take a backslash.
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    QString text = quote ? u'"' + quoted + u'"' : argument;
    // Then the value is a desktop entry string: its own escapes, and %% for a literal %
    // (a lone % starts a field code).
    QString escaped;
    for (const QChar c : text) {
        if (c == u'\\')
            escaped += u"\\\\";
        else if (c == u'\n')
            escaped += u"\\n";
        else if (c == u'\t')
            escaped += u"\\t";
        else if (c == u'\r')
            escaped += u"\\r";
        else if (c == u'%')
            escaped += u"%%";
        else
            escaped += c;
    }
    return escaped;
}

QString AutoStartEntry(const QString& program)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Nuvex\n"
                          "GenericName=Hlídač telefonického připojení\n"
                          "Comment=Hlídá čísla telefonického připojení sítě a při jejich změně zavěsí\n"
                          "Exec=%1\n"
                          "Icon=nuvex\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(DesktopExecArgument(program));
}

void SetAutoStart(bool on, const QString& runningProgram)
{
    const QString program = ProgramToAutoStart(runningProgram);
    const QString path = AutoStartFile();
    if (!on) {
        QFile file(path);
        if (file.exists() && !file.remove())
            Refuse(QStringLiteral("Nelze odstranit soubor automatického spuštění"), file.errorString());
        return;
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        Refuse(QStringLiteral("Nelze zapsat soubor automatického spuštění"),
               QStringLiteral("jeho složku nelze vytvořit"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        Refuse(QStringLiteral("Nelze zapsat soubor automatického spuštění"), file.errorString());
    file.write(AutoStartEntry(program).toUtf8());
    if (!file.commit())
        Refuse(QStringLiteral("Nelze zapsat soubor automatického spuštění"), file.errorString());
}

QString ProgramToAutoStart(const QString& runningProgram)
{
    static const QString deleted = QStringLiteral(" (deleted)");
    if (runningProgram.endsWith(deleted) && !QFileInfo::exists(runningProgram)) {
        const QString replaced = runningProgram.chopped(deleted.size());
        if (QFileInfo::exists(replaced))
            return replaced;
    }
    return runningProgram;
}

bool AutoStartOnFirstStart(TOptions& options, const QString& program)
{
    if (options.AutoStartOffered())
        return false;
    // Recorded first: a file that cannot be written is reported once, not at every start.
    options.SetAutoStartOffered(true);
    SetAutoStart(true, program);
    return true;
}

} // namespace nuvex
