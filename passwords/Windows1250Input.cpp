#include "passwords/Windows1250Input.h"

#include "passwords/Windows1250.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolTip>
#include <algorithm>

namespace nuvex {

namespace {

bool Storable(QChar c)
{
    return !c.isNull() && IsWindows1250(c);
}

// Installs the validator on the field, with the note at its caret.
void InstallValidator(QLineEdit* edit)
{
    auto* validator = new TWindows1250Validator(edit);
    QObject::connect(validator, &TWindows1250Validator::Refused, edit, [edit](const QString& characters) {
        // Near the caret: QLineEdit keeps its caret rectangle to itself.
        const int x = edit->fontMetrics().horizontalAdvance(edit->displayText().left(edit->cursorPosition()));
        ShowRefusedCharacters(edit, QRect(std::min(x + 4, edit->width() - 1), 0, 1, edit->height()),
                              characters);
    });
    edit->setValidator(validator);
}

} // namespace

QString RefusedCharactersNote(const QString& refused)
{
    QString shown;
    for (qsizetype i = 0; i < refused.size(); ++i) {
        // A pair of surrogates is one character.
        if (!shown.isEmpty() && !refused[i].isLowSurrogate())
            shown.append(u' ');
        shown.append(refused[i].isNull() ? QStringLiteral("NUL") : QString(refused[i]));
    }
    const bool one = refused.size() == 1 || (refused.size() == 2 && refused[0].isHighSurrogate());
    return (one ? QStringLiteral("Znak „%1“ nelze uložit (záznamy mají kódování Windows-1250), proto byl "
                                 "vynechán.")
                : QStringLiteral("Znaky „%1“ nelze uložit (záznamy mají kódování Windows-1250), proto byly "
                                 "vynechány."))
        .arg(shown);
}

void ShowRefusedCharacters(QWidget* field, const QRect& caret, const QString& refused)
{
    QToolTip::showText(field->mapToGlobal(caret.bottomLeft()), RefusedCharactersNote(refused), field);
}

QValidator::State TWindows1250Validator::validate(QString& input, int& pos) const
{
    qsizetype kept = 0;
    int cursor = pos;
    QString refused;
    for (qsizetype i = 0; i < input.size(); ++i) {
        if (Storable(input[i])) {
            input[kept++] = input[i];
        } else {
            refused.append(input[i]);
            if (i < pos)
                --cursor;
        }
    }
    if (kept != input.size()) {
        input.truncate(kept);
        pos = std::max(cursor, 0);
        QApplication::beep();
        emit Refused(refused);
    }
    return Acceptable;
}

void LimitLineEdit(QLineEdit* edit, int room)
{
    // Every character the validator lets through is one UTF-16 unit, so the field's own
    // limit counts what the record stores.
    edit->setMaxLength(room);
    InstallValidator(edit);
}

void MakePasswordEdit(QLineEdit* edit)
{
    edit->setEchoMode(QLineEdit::Password);
    InstallValidator(edit);
}

TNoteLimiter::TNoteLimiter(QPlainTextEdit* memo, qsizetype room) : QObject(memo), memo_(memo), room_(room)
{
    // A line break of the memo is one character; the user must not press Tab into it.
    memo->setTabChangesFocus(true);
    QTextDocument* document = memo->document();
    connect(document, &QTextDocument::contentsChange, this, &TNoteLimiter::ContentsChange);
    connect(document, &QTextDocument::contentsChanged, this, &TNoteLimiter::FixInsertedText);
}

QString TNoteLimiter::Text(const QPlainTextEdit* memo)
{
    QString text;
    for (QTextBlock block = memo->document()->begin(); block.isValid(); block = block.next()) {
        if (block != memo->document()->begin())
            text.append(u'\n');
        text.append(block.text());
    }
    return text;
}

qsizetype TNoteLimiter::StoredLength(QStringView text)
{
    return text.size() + text.count(u'\n');
}

void TNoteLimiter::ContentsChange(int position, int /*charsRemoved*/, int charsAdded)
{
    if (fixing_)
        return;
    pendingFrom_ = position;
    pendingTo_ = position + charsAdded;
}

void TNoteLimiter::FixInsertedText()
{
    if (fixing_ || pendingFrom_ < 0)
        return;
    // Positions in the document are positions in Text(): a block break is one character.
    QString text = Text(memo_);
    const int size = static_cast<int>(text.size());
    const int from = std::clamp(pendingFrom_, 0, size);
    int to = std::clamp(pendingTo_, from, size);
    pendingFrom_ = pendingTo_ = -1;

    fixing_ = true;
    QTextCursor cursor(memo_->document());
    bool changed = false;
    QString refused;
    const auto remove = [&](int begin, int end) {
        if (!changed)
            cursor.joinPreviousEditBlock();
        changed = true;
        cursor.setPosition(begin);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        text.remove(begin, end - begin);
    };
    for (int i = to - 1; i >= from; --i) {
        if (text[i] != u'\n' && !Storable(text[i])) {
            refused.prepend(text[i]);
            remove(i, i + 1);
            --to;
        }
    }
    qsizetype over = StoredLength(text) - room_;
    int cut = to;
    while (over > 0 && cut > from) {
        --cut;
        over -= text[cut] == u'\n' ? 2 : 1;
    }
    if (cut < to)
        remove(cut, to);
    if (changed) {
        cursor.endEditBlock();
        QApplication::beep();
        if (!refused.isEmpty())
            ShowRefusedCharacters(memo_->viewport(), memo_->cursorRect(), refused);
    }
    fixing_ = false;
}

} // namespace nuvex
