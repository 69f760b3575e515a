// The password manager's record dialog, the master password's dialogs and the gate before
// the manager.

#include "gui/PwdTestSupport.h"
#include "passwords/MasterPassword.h"
#include "passwords/PwdFormat.h"
#include "passwords/PwdManagerGate.h"
#include "passwords/Windows1250.h"
#include "passwords/Windows1250Input.h"

#include <QDir>
#include <QKeyEvent>
#include <QTextCursor>
#include <QToolTip>

using namespace nuvex;
using namespace nuvex::test;
using namespace Qt::StringLiterals;

namespace {

// The record dialog's fields keep to what a record can hold.

TEST(PwdRecordDialog, FieldsRefuseWhatWindows1250CannotHold)
{
    TDlgPwdRecord dialog;
    for (QLineEdit* edit : {dialog.NazevEdit, dialog.UzNameEdit, dialog.HesloEdit})
        EXPECT_EQ(edit->maxLength(), 50) << edit->objectName().toStdString();

    // Cyrillic and an emoji, as a Linux desktop lets the user type them: left out, never "?".
    Type(dialog, "NazevEdit", u"Pošta Жж 😀 ok"_s);
    EXPECT_EQ(dialog.NazevEdit->text(), u"Pošta   ok"_s);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, u"Я"_s);
    QApplication::sendEvent(dialog.NazevEdit, &key);
    EXPECT_EQ(dialog.NazevEdit->text(), u"Pošta   ok"_s);

    // The limit counts Windows-1250 characters: fifty Czech letters fit.
    Type(dialog, "UzNameEdit", QString(60, u'ř'));
    EXPECT_EQ(dialog.UzNameEdit->text(), QString(50, u'ř'));

    const TPwdRecord record = dialog.GetRecord();
    EXPECT_EQ(GetField(record, TPwdField::Nazev), u"Pošta   ok"_s);
    EXPECT_EQ(record.UzName.Length, 50);

    dialog.ClearFields();
    EXPECT_EQ(dialog.GetRecord(), TPwdRecord{});
}

// A refused letter does not vanish without a word: a note at the caret names it.
TEST(PwdRecordDialog, ARefusedLetterIsNamedInANoteAtTheCaret)
{
    TDlgPwdRecord dialog;
    dialog.show();
    QToolTip::hideText();
    dialog.NazevEdit->setFocus();
    dialog.NazevEdit->insert(u"Banka Señor"_s);
    EXPECT_EQ(dialog.NazevEdit->text(), u"Banka Seor"_s);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(),
              u"Znak „ñ“ nelze uložit (záznamy mají kódování Windows-1250), proto byl vynechán."_s);

    // Letters the code page holds bring no note of their own.
    dialog.UzNameEdit->insert(u"Šťastný"_s);
    EXPECT_FALSE(QToolTip::text().contains(u"Š"_s));

    // In the password and the note as well.
    dialog.HesloEdit->insert(u"tajnø"_s);
    EXPECT_EQ(dialog.HesloEdit->text(), u"tajn"_s);
    EXPECT_TRUE(QToolTip::text().contains(u"„ø“"_s));
    QToolTip::hideText();
    dialog.MemoEdit->setFocus();
    dialog.MemoEdit->insertPlainText(u"Kód ñ a ø"_s);
    EXPECT_EQ(TNoteLimiter::Text(dialog.MemoEdit), u"Kód  a "_s);
    EXPECT_EQ(QToolTip::text(),
              u"Znaky „ñ ø“ nelze uložit (záznamy mají kódování Windows-1250), proto byly vynechány."_s);
    QToolTip::hideText();

    // Each character is named once, an emoji as one, a control character by its name.
    EXPECT_TRUE(RefusedCharactersNote(u"😀"_s).startsWith(u"Znak „😀“"_s));
    EXPECT_TRUE(RefusedCharactersNote(u"Жж"_s).startsWith(u"Znaky „Ж ж“"_s));
    EXPECT_TRUE(RefusedCharactersNote(QString(QChar(0))).startsWith(u"Znak „NUL“"_s));
}

TEST(PwdRecordDialog, NoteCountsLineBreaksAsTwoAndKeepsWithinItsRoom)
{
    TDlgPwdRecord dialog;
    QTextCursor cursor(dialog.MemoEdit->document());
    // 100 lines of "ab": 299 characters as stored (CR LF between lines), 255 fit.
    QStringList lines(100, u"ab"_s);
    cursor.insertText(lines.join(u'\n'));
    const QString text = TNoteLimiter::Text(dialog.MemoEdit);
    EXPECT_LE(TNoteLimiter::StoredLength(text), 255);
    EXPECT_GE(TNoteLimiter::StoredLength(text), 254);
    EXPECT_TRUE(text.startsWith(u"ab\nab\n"_s));
    const TPwdRecord record = dialog.GetRecord();
    EXPECT_EQ(NoteFromStored(GetField(record, TPwdField::Poznamka)), text);

    // Once full, typing adds nothing; what does not fit the code page never enters.
    dialog.MemoEdit->clear();
    cursor.insertText(QString(250, u'x'));
    cursor.insertText(u"\nŽ\n"_s);
    EXPECT_EQ(TNoteLimiter::StoredLength(TNoteLimiter::Text(dialog.MemoEdit)), 255);
    cursor.insertText(u"y"_s);
    EXPECT_EQ(TNoteLimiter::StoredLength(TNoteLimiter::Text(dialog.MemoEdit)), 255);

    dialog.MemoEdit->clear();
    cursor.insertText(u"a\u00A0b Жc😀d\u2029e"_s);
    // The no-break space survives (toPlainText would make it a plain space).
    EXPECT_EQ(TNoteLimiter::Text(dialog.MemoEdit), u"a\u00A0b cd\ne"_s);
    EXPECT_EQ(GetField(dialog.GetRecord(), TPwdField::Poznamka), u"a\u00A0b cd\r\ne"_s);

    // Undo takes back the insertion as a whole, refused characters and all.
    dialog.MemoEdit->undo();
    EXPECT_TRUE(TNoteLimiter::Text(dialog.MemoEdit).isEmpty());
}

TEST(PwdRecordDialog, ShowsAStoredRecordAndGivesItBackUnchanged)
{
    const TPwdRecord record = MakePwdRecord(QString(50, u'N'), u"uživatel"_s, u"Heslo s mezerou "_s,
                                            QString(QString(120, u'p') + u"\r\n"_s + QString(133, u'q')));
    TDlgPwdRecord dialog;
    dialog.SetRecord(record);
    EXPECT_EQ(dialog.GetRecord(), record);
}

// The master-password dialogs.

class PasswordDialogs : public PwdFixture
{
protected:
    QString Digest() { return Options->OlderPasswordDigest(); }
};

TEST_F(PasswordDialogs, ChangePasswordDialogAndItsResultCodes)
{
    const QString stored = PasswordDigest(u"Staré"_s);
    struct Case
    {
        QString old, new1, new2, button;
        quint8 result;
    };
    const std::vector<Case> cases{
        {u"Staré"_s, u"Nové"_s, u"Nové"_s, u"OK"_s, ChangePwdAccepted},
        {u"staré"_s, u"Nové"_s, u"Nové"_s, u"OK"_s, ChangePwdWrongOld},
        // Both faults: the differing entries win.
        {u"špatné"_s, u"a"_s, u"b"_s, u"OK"_s, ChangePwdMismatch},
        {u"Staré"_s, u"a"_s, u"a"_s, u"Storno"_s, ChangePwdCancelled},
    };
    for (const Case& c : cases) {
        WhenModal<TDlgChangePwd>([&](TDlgChangePwd& dialog) {
            EXPECT_EQ(dialog.windowTitle(), u"Změna hesla"_s);
            for (const char* name : {"OldPwdEdit", "NewPwdEdit1", "NewPwdEdit2"}) {
                QLineEdit* edit = Field<QLineEdit>(dialog, name);
                EXPECT_EQ(edit->echoMode(), QLineEdit::Password) << name;
                EXPECT_TRUE(edit->text().isEmpty()) << name;
            }
            EXPECT_TRUE(dialog.OldPwdEdit->isEnabled());
            EXPECT_EQ(dialog.focusWidget(), dialog.OldPwdEdit);
            ASSERT_EQ(dialog.qnDialogButtons1->ButtonList().size(), 2U);
            Type(dialog, "OldPwdEdit", c.old);
            Type(dialog, "NewPwdEdit1", c.new1);
            Type(dialog, "NewPwdEdit2", c.new2);
            Press(dialog, c.button);
        });
        QString newPassword = u"nezměněno"_s;
        EXPECT_EQ(ShowChangePwd(newPassword, stored, &PreparePassword), c.result) << c.old.toStdString();
        EXPECT_EQ(newPassword, c.result == ChangePwdAccepted ? c.new1 : u"nezměněno"_s);
    }

    // The close box cancels too.
    WhenModal<TDlgChangePwd>([](TDlgChangePwd& dialog) {
        Type(dialog, "NewPwdEdit1", u"x"_s);
        Type(dialog, "NewPwdEdit2", u"x"_s);
        dialog.close();
    });
    QString newPassword;
    EXPECT_EQ(ShowChangePwd(newPassword, stored, &PreparePassword), ChangePwdCancelled);
}

TEST_F(PasswordDialogs, WithoutAMasterPasswordTheOldOneIsNotAsked)
{
    WhenModal<TDlgChangePwd>([](TDlgChangePwd& dialog) {
        EXPECT_FALSE(dialog.OldPwdEdit->isEnabled());
        EXPECT_FALSE(dialog.Label1->isEnabled());
        EXPECT_EQ(dialog.focusWidget(), dialog.NewPwdEdit1);
        dialog.OldPwdEdit->setText(u"cokoli"_s);
        Type(dialog, "NewPwdEdit1", u"Ž1"_s);
        Type(dialog, "NewPwdEdit2", u"Ž1"_s);
        Press(dialog, u"OK"_s);
    });
    QString newPassword;
    EXPECT_EQ(ShowChangePwd(newPassword, QString(), &PreparePassword), ChangePwdAccepted);
    EXPECT_EQ(newPassword, u"Ž1"_s);
}

TEST_F(PasswordDialogs, PromptHandsBackTheDigestOfThePreparedText)
{
    WhenModal<TDlgPwdMh>([](TDlgPwdMh& dialog) {
        EXPECT_EQ(dialog.windowTitle(), u"Heslo pro přístup"_s);
        EXPECT_EQ(dialog.PwdEdit->echoMode(), QLineEdit::Password);
        EXPECT_TRUE(dialog.PwdEdit->text().isEmpty());
        EXPECT_EQ(dialog.focusWidget(), dialog.PwdEdit);
        EXPECT_EQ(dialog.qnDialogButtons1->ButtonList().size(), 3U);
        // What the code page cannot hold never enters the field.
        Type(dialog, "PwdEdit", u"Tajné Ж"_s);
        Press(dialog, u"OK"_s);
    });
    QString digest = u"před"_s;
    EXPECT_TRUE(ShowPwdMh(digest));
    EXPECT_EQ(digest, PasswordDigest(u"Tajné "_s));

    WhenModal<TDlgPwdMh>([](TDlgPwdMh& dialog) {
        Type(dialog, "PwdEdit", u"cokoli"_s);
        Press(dialog, u"Storno"_s);
    });
    digest = u"před"_s;
    EXPECT_FALSE(ShowPwdMh(digest));
    EXPECT_EQ(digest, u"před"_s);
}

// The gate before the manager, through the real dialogs.

class Gate : public PasswordDialogs
{
protected:
    // Closes the manager window when it opens, and remembers that it did.
    void ExpectManager()
    {
        WhenModal<TDlgPwdManager>([this](TDlgPwdManager& window) {
            managerOpened = true;
            window.close();
        });
    }
    QStringList Messages() const
    {
        QStringList texts;
        for (const TMessageBoxCall& call : boxes.calls) {
            EXPECT_EQ(call.caption, u"Informace..."_s);
            texts.append(call.text);
        }
        return texts;
    }
    // Runs the command; fails when a dialog the test did not answer is still waiting.
    void Run()
    {
        PwdManagerExecute();
        QApplication::processEvents();
    }

    bool managerOpened = false;
};

TEST_F(Gate, FirstUseStoresThePasswordAndThenAsksForIt)
{
    AnswerChangePwd({}, u"Heslo1"_s, u"Heslo1"_s);
    AnswerPrompt(u"Heslo1"_s);
    ExpectManager();
    Run();
    EXPECT_EQ(Messages(), (QStringList{kMsgFirstUse, kMsgNewPwdSaved}));
    EXPECT_TRUE(Digest().isEmpty());
    EXPECT_TRUE(CheckMasterPassword(*Options, u"Heslo1"_s));
    EXPECT_TRUE(managerOpened);
    for (const QString& text : Messages())
        EXPECT_FALSE(text.contains(u"Heslo1"_s));
}

TEST_F(Gate, CancelledFirstUseStoresNothingAndStartsOverNextTime)
{
    AnswerChangePwd({}, u"a"_s, u"a"_s, u"Storno"_s);
    Run();
    EXPECT_EQ(Messages(), (QStringList{kMsgFirstUse}));
    EXPECT_TRUE(StoredMasterCheck(*Options).isEmpty());

    AnswerChangePwd({}, u"a"_s, u"b"_s);
    Run();
    EXPECT_EQ(Messages(), (QStringList{kMsgFirstUse, kMsgFirstUse, kMsgNewPwdMismatch}));
    EXPECT_TRUE(StoredMasterCheck(*Options).isEmpty());
    EXPECT_FALSE(managerOpened);
}

TEST_F(Gate, EmptyNewPasswordWithEmptyAutoPwdOpensWithoutAPrompt)
{
    AnswerChangePwd({}, QString(), QString());
    ExpectManager();
    Run();
    EXPECT_EQ(Messages(), (QStringList{kMsgFirstUse, kMsgNewPwdSaved}));
    EXPECT_TRUE(CheckMasterPassword(*Options, QString()));
    EXPECT_TRUE(managerOpened);

    // And so on every later use, as long as AutoPwd stays empty.
    managerOpened = false;
    ExpectManager();
    Run();
    EXPECT_TRUE(managerOpened);
    EXPECT_EQ(Messages().size(), 2);
}

TEST_F(Gate, AutomaticLoginOpensWithoutAPromptAndAWrongPasswordIsRefused)
{
    Options->SetOlderPasswordDigest(PasswordDigest(u"Tajné"_s));
    Options->SetAutoPassword(u"Tajné"_s);
    ExpectManager();
    Run();
    EXPECT_TRUE(managerOpened);
    EXPECT_TRUE(boxes.calls.empty());

    // A failed automatic login only means the prompt, without a word.
    managerOpened = false;
    Options->SetAutoPassword(u"tajné"_s);
    AnswerPrompt(u"TAJNÉ"_s);
    Run();
    EXPECT_EQ(Messages(), (QStringList{kMsgAccessDenied}));
    EXPECT_FALSE(managerOpened);

    AnswerPrompt(u"Tajné"_s, u"Storno"_s);
    Run();
    EXPECT_EQ(Messages().size(), 1);

    AnswerPrompt(u"Tajné"_s);
    ExpectManager();
    Run();
    EXPECT_TRUE(managerOpened);
}

// Through the real dialogs: the records typed into the manager end up encrypted, and a
// file of the old format is converted, leaving no copy of it anywhere in the folder.
TEST_F(Gate, TheSavedFileHoldsNoneOfTheRecordTexts)
{
    SaveRecords({MakePwdRecord(u"Starý účet"_s, u"stary.uzivatel"_s, u"StaréHeslo1"_s, u"z dřívějška"_s)},
                PwdFile());
    AnswerChangePwd({}, u"Mistr-Kód"_s, u"Mistr-Kód"_s);
    AnswerPrompt(u"Mistr-Kód"_s);
    WhenModal<TDlgPwdManager>([this](TDlgPwdManager& window) {
        managerOpened = true;
        EXPECT_EQ(window.GetRecords().size(), 1U);
        AnswerRecordDialog(u"Poštovní schránka"_s, u"jana.dvorakova"_s, u"Žirafa-Velbloud-42"_s, {});
        window.PridatZaznam->trigger();
        window.close();
    });
    Run();
    ASSERT_TRUE(managerOpened);

    const QByteArray bytes = ReadBytes(PwdFile());
    EXPECT_TRUE(bytes.startsWith("NVXVAULT"));
    for (const QString& text : {u"Poštovní"_s, u"jana.dvorakova"_s, u"Žirafa-Velbloud-42"_s, u"Velbloud"_s,
                                u"Starý účet"_s, u"stary.uzivatel"_s, u"StaréHeslo1"_s, u"dřívějška"_s}) {
        EXPECT_FALSE(bytes.contains(text.toUtf8())) << text.toStdString();
        EXPECT_FALSE(bytes.contains(ToWindows1250(text))) << text.toStdString();
        // Nor scrambled the old way.
        EXPECT_FALSE(bytes.contains(EncodePwdFile({MakePwdRecord(text, {}, {}, {})}).mid(5, text.size())))
            << text.toStdString();
    }
    EXPECT_EQ(QDir(ProgramDir()).entryList(QDir::Files | QDir::Hidden), QStringList{kPwdFileName});

    // The next opening through the prompt shows both records.
    managerOpened = false;
    AnswerPrompt(u"Mistr-Kód"_s);
    WhenModal<TDlgPwdManager>([this](TDlgPwdManager& window) {
        managerOpened = true;
        EXPECT_EQ(window.GetRecords().size(), 2U);
        window.close();
    });
    Run();
    EXPECT_TRUE(managerOpened);
}

} // namespace
