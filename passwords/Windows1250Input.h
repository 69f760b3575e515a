#pragma once

// Input fields of the password manager that keep to what the records and the digest can
// hold: characters of Windows-1250 only (a Linux desktop lets the user type Cyrillic or
// emoji, which would otherwise turn into "?" when stored), counted as the records count
// them. A refused character does not appear in the field; a short note at the caret
// names it, so that it does not vanish without a word.

#include <QObject>
#include <QValidator>

class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace nuvex {

// The note for the characters left out, e.g. "Znak „ñ“ ... vynechán.".
QString RefusedCharactersNote(const QString& refused);
// Shows it as a tooltip at the field's caret (caret: in the field's coordinates).
void ShowRefusedCharacters(QWidget* field, const QRect& caret, const QString& refused);

// Drops every character Windows-1250 cannot hold (and NUL) from the input.
class TWindows1250Validator : public QValidator
{
    Q_OBJECT

public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;

signals:
    // The characters that validate() left out, in the order typed.
    void Refused(const QString& characters) const;
};

// A one-line field of at most `room` Windows-1250 characters.
void LimitLineEdit(QLineEdit* edit, int room);
// A password field: masked, Windows-1250 only, no limit of length.
void MakePasswordEdit(QLineEdit* edit);

// Keeps a memo to `room` characters as the record stores them: Windows-1250 only, every
// line break counting as carriage return plus line feed. Inserted text that does not fit
// is cut at its end; characters the code page cannot hold are left out.
class TNoteLimiter : public QObject
{
    Q_OBJECT

public:
    TNoteLimiter(QPlainTextEdit* memo, qsizetype room);

    // The memo's text with "\n" between lines, every character as typed (no-break spaces
    // stay what they are, unlike QPlainTextEdit::toPlainText()).
    static QString Text(const QPlainTextEdit* memo);
    // The length the record counts for the text: line breaks count twice.
    static qsizetype StoredLength(QStringView text);

private:
    void ContentsChange(int position, int charsRemoved, int charsAdded);
    void FixInsertedText();

    QPlainTextEdit* memo_;
    qsizetype room_;
    int pendingFrom_ = -1;
    int pendingTo_ = -1;
    bool fixing_ = false;
};

} // namespace nuvex
