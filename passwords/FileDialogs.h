#pragma once

// The password manager's file dialogs: the import file (open) and the export file (save).
// Filters are written as the program has always given them, "Description|*.ext|...";
// a test answers the dialogs in the user's place through SetFileDialogAnswerer.

#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace nuvex {

struct TFileDialog
{
    enum class Kind
    {
        Open,
        Save
    };
    Kind kind = Kind::Open;
    QString title;
    QString filter;           // "Soubory hesel (*.pwd)|*.pwd|Všechny soubory|*.*"
    QString defaultExtension; // ".pwd", or empty for none
};

// The filter as Qt's file dialog takes it: "Soubory hesel (*.pwd);;Všechny soubory (*)".
QString QtNameFilters(const QString& filter);

// The chosen name with the default extension added when it has none.
QString WithDefaultExtension(const QString& fileName, const QString& defaultExtension);

// Runs the dialog; the chosen file, or nothing when the user cancelled. The save dialog
// does not ask before replacing a file and the open dialog accepts a name that does not
// exist, as the program's dialogs always did.
std::optional<QString> ExecuteFileDialog(QWidget* parent, const TFileDialog& dialog);

// The same, with the filter the user chose (0 for the first).
struct TFileChoice
{
    QString path;
    int filterIndex = 0;
};
std::optional<TFileChoice> ExecuteFileChoice(QWidget* parent, const TFileDialog& dialog);

// While installed, no dialog is shown: the answerer returns the file the user would choose
// (before the default extension is added), or nothing to cancel. Tests only.
using TFileDialogAnswerer = std::function<std::optional<QString>(const TFileDialog&)>;
void SetFileDialogAnswerer(TFileDialogAnswerer answerer);
// The filter an answered dialog reports as chosen; 0 when none is installed. Tests only.
using TFileFilterAnswerer = std::function<int(const TFileDialog&)>;
void SetFileFilterAnswerer(TFileFilterAnswerer answerer);

} // namespace nuvex
