#include "news/NewsText.h"

#include <QFile>

static void InitNewsResources()
{
    // The text lives in a static library; naming it here keeps the linker from dropping it.
    Q_INIT_RESOURCE(news);
}

namespace nuvex {

QStringList LoadNewsLines()
{
    InitNewsResources();
    QFile file(QStringLiteral(":/news/News.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(file.readAll());
    text.remove(u'\r');
    QStringList lines = text.split(u'\n');
    // The file's final line end does not start another line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace nuvex
