#include "ui/HelpFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <limits>

namespace nuvex {

using namespace Qt::StringLiterals;

namespace {

// Far beyond any real help file; keeps a wrong path (a disc image, a log) from being read whole.
constexpr qint64 kMaxHelpFileSize = 8 * 1024 * 1024;

QString Quoted(const QString& text)
{
    return u"„"_s + text + u"“"_s;
}

[[noreturn]] void Fail(const QString& text)
{
    throw EHelpFileError(text.toStdString());
}

QString PlainText(QString html)
{
    static const QRegularExpression tag(u"<[^>]*>"_s);
    html.remove(tag);
    html.replace(u"&nbsp;"_s, u" "_s)
        .replace(u"&lt;"_s, u"<"_s)
        .replace(u"&gt;"_s, u">"_s)
        .replace(u"&quot;"_s, u"\""_s)
        .replace(u"&#39;"_s, u"'"_s)
        .replace(u"&amp;"_s, u"&"_s);
    return html.simplified();
}

QHash<QString, QString> Attributes(const QString& text)
{
    static const QRegularExpression attribute(u"([A-Za-z][A-Za-z0-9_-]*)\\s*=\\s*\"([^\"]*)\""_s);
    QHash<QString, QString> result;
    for (auto it = attribute.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        result.insert(match.captured(1).toLower(), match.captured(2));
    }
    return result;
}

QString FoldKey(const QString& contextString)
{
    return contextString.toCaseFolded();
}

} // namespace

THelpFile THelpFile::Load(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!QFileInfo::exists(path))
        Fail(u"Soubor nápovědy "_s + Quoted(path) + u" nebyl nalezen."_s);
    if (QFileInfo(path).isDir())
        Fail(u"Místo souboru nápovědy "_s + Quoted(path) + u" je složka."_s);
    if (!file.open(QIODevice::ReadOnly))
        Fail(u"Soubor nápovědy "_s + Quoted(path) + u" nelze otevřít ("_s + file.errorString() + u")."_s);
    if (file.size() > kMaxHelpFileSize)
        Fail(u"Soubor "_s + Quoted(path) + u" je na soubor nápovědy příliš velký."_s);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        Fail(u"Soubor nápovědy "_s + Quoted(path) + u" nelze přečíst ("_s + file.errorString() + u")."_s);

    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    if (decoder.hasError())
        Fail(u"Soubor "_s + Quoted(path) +
             u" není soubor nápovědy tohoto programu (není v kódování UTF-8)."_s);

    THelpFile help = Parse(text, name);
    help.path_ = path;
    return help;
}

THelpFile THelpFile::Parse(const QString& source, const QString& fileName)
{
    static const QRegularExpression section(u"<section\\b([^>]*)>(.*?)</section\\s*>"_s,
                                            QRegularExpression::CaseInsensitiveOption |
                                                QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression style(u"<style\\b[^>]*>(.*?)</style\\s*>"_s,
                                          QRegularExpression::CaseInsensitiveOption |
                                              QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression heading(u"<h1\\b[^>]*>(.*?)</h1\\s*>"_s,
                                            QRegularExpression::CaseInsensitiveOption |
                                                QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression nested(u"<section\\b"_s, QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression number(u"^[1-9][0-9]{0,8}$"_s);
    static const QRegularExpression comment(u"<!--.*?-->"_s, QRegularExpression::DotMatchesEverythingOption);

    // Comments may describe the format with example tags; they are never topics.
    const QString text = QString(source).remove(comment);
    const QString where = u"V souboru nápovědy "_s + Quoted(fileName) + u' ';
    THelpFile help;
    help.path_ = fileName;
    if (const auto match = style.match(text); match.hasMatch())
        help.styleSheet_ = match.captured(1);

    for (auto it = section.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        const auto attributes = Attributes(match.captured(1));
        THelpTopic topic;
        topic.contextString = attributes.value(u"id"_s).trimmed();
        topic.html = match.captured(2);
        if (topic.contextString.isEmpty())
            Fail(where + u"má téma č. "_s + QString::number(help.topics_.size() + 1) +
                 u" prázdný kontextový řetězec (id)."_s);
        if (topic.html.contains(nested))
            Fail(where + u"je v tématu "_s + Quoted(topic.contextString) + u" vnořené další téma."_s);
        if (attributes.contains(u"data-context"_s)) {
            const QString value = attributes.value(u"data-context"_s).trimmed();
            if (!number.match(value).hasMatch())
                Fail(where + u"má téma "_s + Quoted(topic.contextString) + u" neplatné číslo kontextu "_s +
                     Quoted(value) + u'.');
            topic.contextNumber = value.toInt();
        }
        if (const auto title = heading.match(topic.html); title.hasMatch())
            topic.title = PlainText(title.captured(1));
        if (topic.title.isEmpty())
            topic.title = topic.contextString;

        const int index = static_cast<int>(help.topics_.size());
        const QString key = FoldKey(topic.contextString);
        if (help.byString_.contains(key))
            Fail(where + u"je téma "_s + Quoted(topic.contextString) + u" dvakrát."_s);
        if (topic.contextNumber != 0 && help.byNumber_.contains(topic.contextNumber))
            Fail(where + u"mají dvě témata stejné číslo kontextu "_s + QString::number(topic.contextNumber) +
                 u'.');
        help.byString_.insert(key, index);
        if (topic.contextNumber != 0)
            help.byNumber_.insert(topic.contextNumber, index);
        help.topics_.push_back(std::move(topic));
    }
    if (help.topics_.empty())
        Fail(u"Soubor "_s + Quoted(fileName) +
             u" není soubor nápovědy tohoto programu (nemá žádná témata)."_s);
    return help;
}

const THelpTopic* THelpFile::FindTopic(const QString& contextString) const
{
    const auto it = byString_.constFind(FoldKey(contextString));
    return it == byString_.constEnd() ? nullptr : &topics_[static_cast<size_t>(*it)];
}

const THelpTopic* THelpFile::FindContext(qint64 contextNumber) const
{
    if (contextNumber <= 0 || contextNumber > std::numeric_limits<int>::max())
        return nullptr;
    const auto it = byNumber_.constFind(static_cast<int>(contextNumber));
    return it == byNumber_.constEnd() ? nullptr : &topics_[static_cast<size_t>(*it)];
}

const THelpTopic& THelpFile::Contents() const
{
    if (const THelpTopic* contents = FindTopic(QString::fromUtf16(kContentsTopic)))
        return *contents;
    return topics_.front();
}

} // namespace nuvex
