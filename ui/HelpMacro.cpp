#include "ui/HelpMacro.h"

#include <QRegularExpression>

namespace nuvex {

using namespace Qt::StringLiterals;

QString JumpIdMacro(const QString& fileAndWindow, const QString& topic)
{
    return u"JI(\""_s + fileAndWindow + u"\",\""_s + topic + u"\")"_s;
}

QString PopupIdMacro(const QString& file, const QString& topic)
{
    return u"PI(\""_s + file + u"\",\""_s + topic + u"\")"_s;
}

std::optional<THelpMacro> ParseHelpMacro(const QString& text)
{
    // An argument is quoted with "..." or with `...' as the help compiler allows.
    static const QRegularExpression macro(
        u"^\\s*(JI|JumpId|PI|PopupId)\\s*\\(\\s*(?:\"([^\"]*)\"|`([^']*)')\\s*,"
        u"\\s*(?:\"([^\"]*)\"|`([^']*)')\\s*\\)\\s*$"_s,
        QRegularExpression::CaseInsensitiveOption);
    const auto match = macro.match(text);
    if (!match.hasMatch())
        return std::nullopt;

    THelpMacro result;
    const QString name = match.captured(1).toLower();
    result.kind = name == u"pi"_s || name == u"popupid"_s ? THelpMacro::Kind::Popup : THelpMacro::Kind::Jump;
    const QString file = match.hasCaptured(2) ? match.captured(2) : match.captured(3);
    result.topic = (match.hasCaptured(4) ? match.captured(4) : match.captured(5)).trimmed();
    const qsizetype split = file.indexOf(u'>');
    result.file = (split < 0 ? file : file.left(split)).trimmed();
    if (split >= 0)
        result.window = file.mid(split + 1).trimmed();
    return result;
}

} // namespace nuvex
