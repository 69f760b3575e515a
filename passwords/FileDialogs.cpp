#include "passwords/FileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>

namespace nuvex {

namespace {

TFileDialogAnswerer& Answerer()
{
    static TFileDialogAnswerer answerer;
    return answerer;
}

// "*.*" means every file on Windows; here a name need not have a dot.
QString QtPattern(const QString& pattern)
{
    return pattern == QStringLiteral("*.*") ? QStringLiteral("*") : pattern;
}

TFileFilterAnswerer& FilterAnswerer()
{
    static TFileFilterAnswerer answerer;
    return answerer;
}

} // namespace

QString QtNameFilters(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        QStringList qtPatterns;
        for (const QString& pattern : patterns.split(u' ', Qt::SkipEmptyParts))
            qtPatterns.append(QtPattern(pattern));
        const QString joined = qtPatterns.join(u' ');
        // The description often shows its patterns already; Qt needs them in parentheses.
        const QString& description = parts[i];
        filters.append(description.contains(u'(') ? description
                                                  : description + QStringLiteral(" (") + joined + u')');
    }
    return filters.join(QStringLiteral(";;"));
}

QString WithDefaultExtension(const QString& fileName, const QString& defaultExtension)
{
    if (defaultExtension.isEmpty() || fileName.isEmpty() || !QFileInfo(fileName).suffix().isEmpty())
        return fileName;
    if (defaultExtension.startsWith(u'.'))
        return fileName + defaultExtension;
    return fileName + u'.' + defaultExtension;
}

std::optional<QString> ExecuteFileDialog(QWidget* parent, const TFileDialog& dialog)
{
    if (std::optional<TFileChoice> choice = ExecuteFileChoice(parent, dialog))
        return std::move(choice->path);
    return std::nullopt;
}

std::optional<TFileChoice> ExecuteFileChoice(QWidget* parent, const TFileDialog& dialog)
{
    std::optional<QString> chosen;
    int filterIndex = 0;
    if (Answerer()) {
        chosen = Answerer()(dialog);
        if (FilterAnswerer())
            filterIndex = FilterAnswerer()(dialog);
    } else {
        QFileDialog box(parent, dialog.title, QDir::homePath(), QtNameFilters(dialog.filter));
        box.setWindowModality(Qt::ApplicationModal);
        if (dialog.kind == TFileDialog::Kind::Save) {
            box.setAcceptMode(QFileDialog::AcceptSave);
            box.setFileMode(QFileDialog::AnyFile);
            box.setOption(QFileDialog::DontConfirmOverwrite);
        } else {
            box.setAcceptMode(QFileDialog::AcceptOpen);
            box.setFileMode(QFileDialog::AnyFile);
        }
        if (dialog.defaultExtension.size() > 1)
            box.setDefaultSuffix(
                dialog.defaultExtension.mid(dialog.defaultExtension.startsWith(u'.') ? 1 : 0));
        if (box.exec() == QDialog::Accepted && !box.selectedFiles().isEmpty()) {
            chosen = box.selectedFiles().constFirst();
            filterIndex = std::max<int>(0, box.nameFilters().indexOf(box.selectedNameFilter()));
        }
    }
    if (!chosen || chosen->isEmpty())
        return std::nullopt;
    return TFileChoice{WithDefaultExtension(*chosen, dialog.defaultExtension), filterIndex};
}

void SetFileDialogAnswerer(TFileDialogAnswerer answerer)
{
    Answerer() = std::move(answerer);
}

void SetFileFilterAnswerer(TFileFilterAnswerer answerer)
{
    FilterAnswerer() = std::move(answerer);
}

} // namespace nuvex
