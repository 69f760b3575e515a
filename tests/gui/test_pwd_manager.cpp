// The password manager: its window over the scrambled password file and, opened with the
// master password's key, over the encrypted one; its record and password dialogs; and the
// gate before it.

#include "gui/PwdTestSupport.h"
#include "news/Dm_ic.h"
#include "passwords/Dlg_PwdManager.h"
#include "passwords/MasterPassword.h"
#include "passwords/PwdFormat.h"
#include "passwords/PwdListModel.h"
#include "passwords/PwdManagerGate.h"
#include "passwords/Windows1250.h"
#include "passwords/Windows1250Input.h"
#include "support/FileBytes.h"
#include "ui/qnDialogButtons.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QIcon>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTextCursor>
#include <QToolTip>
#include <QTreeView>

using namespace nuvex;
using namespace nuvex::test;
using namespace Qt::StringLiterals;

namespace {

// The window with a few records seeded.
class PwdManager : public PwdFixture
{
protected:
    void Seed(const TPwdRecords& records) { SaveRecords(records, PwdFile()); }

    static TPwdRecords ThreeRecords()
    {
        return {MakePwdRecord(u"Mail"_s, u"jana"_s, u"heslo1"_s, QString()),
                MakePwdRecord(u"Banka"_s, u"novak"_s, u"Žluťoučký"_s, u"PIN u sebe\r\nnenosit"_s),
                MakePwdRecord(u"Fórum"_s, u"jn"_s, u"x"_s, QString())};
    }

    static QStringList Names(const TPwdRecords& records)
    {
        QStringList names;
        for (const TPwdRecord& record : records)
            names.append(GetField(record, TPwdField::Nazev));
        return names;
    }

    static QString Cell(const TDlgPwdManager& window, int row, int column)
    {
        return window.PwdListModel->index(row, column).data().toString();
    }

    static bool HasImage(const TDlgPwdManager& window, int row)
    {
        const QModelIndex cell = window.PwdListModel->index(row, 0);
        const int image = cell.data(TPwdListModel::ImageIndexRole).toInt();
        // A row without the picture shows a blank one of the same size.
        const QImage drawn = cell.data(Qt::DecorationRole).value<QIcon>().pixmap(16, 16).toImage();
        EXPECT_EQ(drawn.size(), QSize(16, 16));
        bool visible = false;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x)
                visible = visible || drawn.pixelColor(x, y).alpha() > 0;
        EXPECT_EQ(visible, image == imgPwdWithNote) << "row " << row;
        return image == imgPwdWithNote;
    }

    TDm dm;
};

TEST_F(PwdManager, WindowAsTheUserKnowsIt)
{
    TDlgPwdManager window;
    EXPECT_EQ(window.windowTitle(), u"Správce hesel"_s);
    EXPECT_EQ(window.size(), QSize(536, 328));
    const QHeaderView* header = window.PwdList->header();
    EXPECT_EQ(window.PwdListModel->headerData(0, Qt::Horizontal).toString(), u"Název"_s);
    EXPECT_EQ(window.PwdListModel->headerData(1, Qt::Horizontal).toString(), u"Už.jméno"_s);
    EXPECT_EQ(window.PwdListModel->headerData(2, Qt::Horizontal).toString(), u"Heslo"_s);
    EXPECT_EQ(header->sectionSize(0), 215);
    EXPECT_EQ(header->sectionSize(1), 100);
    EXPECT_EQ(header->sectionSize(2), 100);

    // One column, in the order add, edit, delete, copy, export, import.
    const std::vector<std::pair<QPushButton*, QString>> column{
        {window.BitBtn1, u"&Přidat"_s},     {window.BitBtn2, u"&Upravit"_s},
        {window.BitBtn3, u"&Vymazat"_s},    {window.BitBtn5, u"&Kopírovat"_s},
        {window.BitBtn4, u"&Exportovat"_s}, {window.BitBtn6, u"&Importovat"_s}};
    int top = 0;
    for (const auto& [button, caption] : column) {
        EXPECT_EQ(button->text(), caption);
        EXPECT_EQ(button->x(), column.front().first->x());
        EXPECT_GT(button->y(), top);
        top = button->y();
    }
    EXPECT_EQ(window.Kopirovat->toolTip(), u"Kopírovat heslo do schránky"_s);

    ASSERT_EQ(window.qnDialogButtons1->ButtonList().size(), 2U);
    EXPECT_NE(window.qnDialogButtons1->Button(bkOK), nullptr);
    EXPECT_NE(window.qnDialogButtons1->Button(bkHelp), nullptr);
    HelpRequests asked;
    window.qnDialogButtons1->Button(bkHelp)->click();
    ASSERT_EQ(asked.size(), 1U);
    EXPECT_EQ(asked[0].command, static_cast<unsigned>(HELP_CONTEXT));
    EXPECT_EQ(asked[0].data, 1100U);
}

TEST_F(PwdManager, NoFileGivesAnEmptyListWhereOnlyAddExportAndImportAct)
{
    QGuiApplication::clipboard()->setText(u"před"_s);
    {
        TDlgPwdManager window;
        EXPECT_EQ(window.PwdListModel->rowCount(), 0);
        window.UpravitZaznam->trigger();
        window.VymazatZaznam->trigger();
        window.Kopirovat->trigger();
        EXPECT_TRUE(boxes.calls.empty());
        EXPECT_EQ(QGuiApplication::clipboard()->text(), u"před"_s);
        EXPECT_FALSE(QFile::exists(PwdFile()));
    }
    // Destroying the window writes the file, even with nothing in it.
    EXPECT_EQ(ReadBytes(PwdFile()), QByteArray("\xFF\xFF\xFF\xFF", 4));
}

TEST_F(PwdManager, RowsShowTheRecordsWithTheNotePicture)
{
    Seed(ThreeRecords());
    TDlgPwdManager window;
    ASSERT_EQ(window.PwdListModel->rowCount(), 3);
    EXPECT_EQ(Cell(window, 1, 0), u"Banka"_s);
    EXPECT_EQ(Cell(window, 1, 1), u"novak"_s);
    EXPECT_EQ(Cell(window, 1, 2), u"Žluťoučký"_s);
    EXPECT_FALSE(HasImage(window, 0));
    EXPECT_TRUE(HasImage(window, 1));
    EXPECT_FALSE(window.PwdListModel->index(1, 1).data(Qt::DecorationRole).isValid());
}

TEST_F(PwdManager, AddAppendsWhatTheRecordDialogHoldsAndCancelAddsNothing)
{
    Seed(ThreeRecords());
    TDlgPwdManager window;
    window.SelectIndex(0);

    AnswerRecordDialog(u"Nový"_s, u"já"_s, u"tajné"_s, u"řádek 1\nřádek 2"_s, u"Storno"_s);
    window.PridatZaznam->trigger();
    EXPECT_EQ(window.GetRecords().size(), 3U);

    // A dialog that opens empty, whatever the last one held.
    WhenModal<TDlgPwdRecord>([](TDlgPwdRecord& dialog) {
        EXPECT_EQ(dialog.windowTitle(), u"Záznam"_s);
        EXPECT_EQ(dialog.size(), QSize(358, 285));
        EXPECT_TRUE(dialog.NazevEdit->text().isEmpty());
        EXPECT_TRUE(dialog.MemoEdit->toPlainText().isEmpty());
        Type(dialog, "NazevEdit", u"Nový"_s);
        Type(dialog, "HesloEdit", u"tajné"_s);
        dialog.MemoEdit->setPlainText(u"řádek 1\nřádek 2"_s);
        Press(dialog, u"OK"_s);
    });
    window.PridatZaznam->trigger();
    ASSERT_EQ(window.GetRecords().size(), 4U);
    EXPECT_EQ(window.GetRecords()[3],
              MakePwdRecord(u"Nový"_s, QString(), u"tajné"_s, u"řádek 1\r\nřádek 2"_s));
    EXPECT_EQ(window.PwdListModel->rowCount(), 4);
    EXPECT_EQ(Cell(window, 3, 0), u"Nový"_s);
    EXPECT_TRUE(HasImage(window, 3));
    EXPECT_EQ(window.SelectedIndex(), 0);

    // All fields empty: an empty last row without a picture.
    AnswerRecordDialog({}, {}, {}, {});
    window.PridatZaznam->trigger();
    ASSERT_EQ(window.GetRecords().size(), 5U);
    EXPECT_EQ(window.GetRecords()[4], TPwdRecord{});
    EXPECT_FALSE(HasImage(window, 4));
}

TEST_F(PwdManager, DoubleClickEditsTheRowInTheRecordDialog)
{
    Seed(ThreeRecords());
    TDlgPwdManager window;
    window.show();
    const QRect row = window.PwdList->visualRect(window.PwdListModel->index(1, 0));
    ASSERT_TRUE(row.isValid());

    WhenModal<TDlgPwdRecord>([](TDlgPwdRecord& dialog) {
        EXPECT_EQ(dialog.NazevEdit->text(), u"Banka"_s);
        EXPECT_EQ(dialog.UzNameEdit->text(), u"novak"_s);
        EXPECT_EQ(dialog.HesloEdit->text(), u"Žluťoučký"_s);
        EXPECT_EQ(dialog.HesloEdit->echoMode(), QLineEdit::Normal);
        EXPECT_EQ(dialog.MemoEdit->toPlainText(), u"PIN u sebe\nnenosit"_s);
        Type(dialog, "HesloEdit", u"Nové heslo"_s);
        dialog.MemoEdit->clear();
        Press(dialog, u"OK"_s);
    });
    QWidget* viewport = window.PwdList->viewport();
    const QPointF at = row.center();
    const QPointF global = viewport->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &release);
    QMouseEvent twice(QEvent::MouseButtonDblClick, at, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(viewport, &twice);
    QApplication::sendEvent(viewport, &release);

    EXPECT_EQ(GetField(window.GetRecords()[1], TPwdField::Heslo), u"Nové heslo"_s);
    EXPECT_EQ(Cell(window, 1, 2), u"Nové heslo"_s);
    // The note was emptied, and the picture goes with it.
    EXPECT_FALSE(HasImage(window, 1));

    // Storno leaves the record as it was.
    AnswerRecordDialog(u"Jiné"_s, {}, {}, {}, u"Storno"_s);
    window.UpravitZaznam->trigger();
    EXPECT_EQ(GetField(window.GetRecords()[1], TPwdField::Nazev), u"Banka"_s);
}

TEST_F(PwdManager, DeleteAsksWithTheNameUnlessTheUserSwitchedItOff)
{
    Seed(ThreeRecords());
    TDlgPwdManager window;
    window.SelectIndex(0);

    boxes.Answer(false);
    window.VymazatZaznam->trigger();
    ASSERT_EQ(boxes.calls.size(), 1U);
    EXPECT_EQ(boxes.calls[0].kind, TMessageBoxCall::Kind::YesNo);
    EXPECT_EQ(boxes.calls[0].caption, u"Otázka..."_s);
    EXPECT_EQ(boxes.calls[0].text, u"Opravdu chcete odstranit položku \"Mail\" ?"_s);
    EXPECT_FALSE(boxes.calls[0].defaultNo);
    EXPECT_EQ(window.GetRecords().size(), 3U);

    // The middle one goes; the others keep their order.
    window.SelectIndex(1);
    boxes.Answer(true);
    window.VymazatZaznam->trigger();
    EXPECT_EQ(boxes.calls.back().text, u"Opravdu chcete odstranit položku \"Banka\" ?"_s);
    EXPECT_EQ(Names(window.GetRecords()), (QStringList{u"Mail"_s, u"Fórum"_s}));
    EXPECT_EQ(window.PwdListModel->rowCount(), 2);
    EXPECT_EQ(Cell(window, 1, 0), u"Fórum"_s);

    Options->SetConfirmPasswordDelete(false);
    window.SelectIndex(0);
    window.VymazatZaznam->trigger();
    EXPECT_EQ(boxes.calls.size(), 2U);
    EXPECT_EQ(Names(window.GetRecords()), (QStringList{u"Fórum"_s}));
}

TEST_F(PwdManager, CopyPutsThePasswordAloneOnTheClipboard)
{
    const QString longest = QString(49, u'ř') + u'Z';
    Seed({MakePwdRecord(u"Mail"_s, u"jana"_s, longest, u"poznámka"_s)});
    TDlgPwdManager window;
    window.SelectIndex(0);
    window.Kopirovat->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), longest);
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(PwdManager, ClosingWithTheCloseBoxSavesLikeOk)
{
    Seed(ThreeRecords());
    bool acted = false;
    WhenModal<TDlgPwdManager>([&](TDlgPwdManager& window) {
        acted = true;
        AnswerRecordDialog(u"Čtvrtý"_s, u"u"_s, u"h"_s, {});
        window.PridatZaznam->trigger();
        window.close();
    });
    ShowPwdManager();
    EXPECT_TRUE(acted);
    EXPECT_EQ(Names(SavedRecords()), (QStringList{u"Mail"_s, u"Banka"_s, u"Fórum"_s, u"Čtvrtý"_s}));
}

TEST_F(PwdManager, ExportWritesThePickedFileAndCancelWritesNothing)
{
    Seed(ThreeRecords());
    FileDialogRecorder files;
    const QString existing = ProgramDir() + u"stare.pwd"_s;
    SaveRecords({MakePwdRecord(u"Staré"_s, {}, {}, {})}, existing);
    {
        TDlgPwdManager window;
        files.answers = {std::nullopt, ProgramDir() + u"zaloha"_s, existing};
        window.Exportovat->trigger();
        EXPECT_FALSE(QFile::exists(ProgramDir() + u"zaloha.pwd"_s));

        window.Exportovat->trigger();
        ASSERT_EQ(files.asked.size(), 2U);
        EXPECT_EQ(files.asked[1].kind, TFileDialog::Kind::Save);
        EXPECT_EQ(files.asked[1].filter, u"Soubory hesel (*.pwd)|*.pwd"_s);
        EXPECT_EQ(files.asked[1].defaultExtension, u".pwd"_s);
        TPwdRecords exported;
        ASSERT_TRUE(LoadRecords(exported, ProgramDir() + u"zaloha.pwd"_s));
        EXPECT_EQ(exported, ThreeRecords());

        // An existing file is replaced without a question.
        window.Exportovat->trigger();
        ASSERT_TRUE(LoadRecords(exported, existing));
        EXPECT_EQ(exported, ThreeRecords());
        EXPECT_TRUE(boxes.calls.empty());
        EXPECT_EQ(window.GetRecords(), ThreeRecords());
    }
    EXPECT_EQ(SavedRecords(), ThreeRecords());
}

TEST_F(PwdManager, ImportReplacesTheRecordsAndTheClosingSavesThem)
{
    TPwdRecords five;
    for (int i = 0; i < 5; ++i)
        five.push_back(MakePwdRecord(u"Záznam %1"_s.arg(i), {}, {}, {}));
    Seed(five);
    const QString two = ProgramDir() + u"dva.pwd"_s;
    SaveRecords({MakePwdRecord(u"A"_s, u"a"_s, u"1"_s, {}), MakePwdRecord(u"B"_s, u"b"_s, u"2"_s, u"n"_s)},
                two);
    FileDialogRecorder files;
    {
        TDlgPwdManager window;
        files.answers = {std::nullopt, ProgramDir() + u"neni.pwd"_s, two};
        window.Importovat->trigger();
        window.Importovat->trigger();
        EXPECT_EQ(window.GetRecords(), five);
        EXPECT_TRUE(boxes.calls.empty());

        window.Importovat->trigger();
        EXPECT_EQ(files.asked[2].kind, TFileDialog::Kind::Open);
        EXPECT_EQ(files.asked[2].filter, u"Soubory hesel (*.pwd)|*.pwd|Všechny soubory|*.*"_s);
        EXPECT_TRUE(files.asked[2].defaultExtension.isEmpty());
        EXPECT_EQ(Names(window.GetRecords()), (QStringList{u"A"_s, u"B"_s}));
        EXPECT_EQ(window.PwdListModel->rowCount(), 2);
        EXPECT_TRUE(HasImage(window, 1));
    }
    EXPECT_EQ(Names(SavedRecords()), (QStringList{u"A"_s, u"B"_s}));
}

TEST_F(PwdManager, DamagedImportIsReportedAndChangesNothing)
{
    Seed(ThreeRecords());
    const QString damaged = ProgramDir() + u"vadny.pwd"_s;
    WriteBytes(damaged, QByteArray("\x01\x00\x00\x00 short", 10));
    FileDialogRecorder files;
    files.answers = {damaged};

    TDlgPwdManager window;
    QString reported;
    WhenModal<QMessageBox>([&](QMessageBox& box) {
        reported = box.text();
        box.accept();
    });
    window.Importovat->trigger();
    EXPECT_TRUE(reported.contains(damaged)) << reported.toStdString();
    EXPECT_EQ(window.GetRecords(), ThreeRecords());
    EXPECT_EQ(window.PwdListModel->rowCount(), 3);
}

TEST_F(PwdManager, DamagedDefaultFileIsKeptBesideTheNewOne)
{
    const QByteArray garbage("\x07\x00\x00\x00 not a password file", 25);
    WriteBytes(PwdFile(), garbage);

    QString reported;
    WhenModal<QMessageBox>([&](QMessageBox& box) {
        reported = box.text();
        box.accept();
    });
    {
        TDlgPwdManager window;
        EXPECT_TRUE(reported.contains(PwdFile())) << reported.toStdString();
        EXPECT_EQ(window.PwdListModel->rowCount(), 0);
        AnswerRecordDialog(u"Nový"_s, {}, u"h"_s, {});
        window.PridatZaznam->trigger();
    }
    EXPECT_EQ(ReadBytes(PwdFile() + u".bak"_s), garbage);
    EXPECT_EQ(Names(SavedRecords()), (QStringList{u"Nový"_s}));
    ASSERT_EQ(boxes.calls.size(), 1U);
    EXPECT_TRUE(boxes.calls[0].text.contains(PwdFile() + u".bak"_s)) << boxes.calls[0].text.toStdString();

    // The next window reads the new file and keeps the old backup.
    {
        TDlgPwdManager window;
        EXPECT_EQ(window.PwdListModel->rowCount(), 1);
    }
    EXPECT_EQ(boxes.calls.size(), 1U);
    EXPECT_FALSE(QFile::exists(PwdFile() + u".bak2"_s));
}

TEST_F(PwdManager, ListAsksForRowsOnlyWhenDrawn)
{
    TPwdRecords many(10000, MakePwdRecord(u"N"_s, u"U"_s, u"H"_s, {}));
    Seed(many);
    TDlgPwdManager window;
    int asked = 0;
    window.PwdListModel->OnData = [&](TPwdListItem& item) {
        ++asked;
        window.PwdListData(item);
    };
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(window.PwdListModel->rowCount(), 10000);
    EXPECT_LT(asked, 2000);
}

class PwdVaultManager : public PwdManager
{
protected:
    std::unique_ptr<TVaultKey> MakeKey(const QString& password = u"Hlavní"_s) const
    {
        return std::make_unique<TVaultKey>(TSecretBytes::FromText(password), PwdFileParams(PwdFile()));
    }
    QString ShowAndReport(const QString& password)
    {
        QString reported;
        WhenModal<QMessageBox>([&](QMessageBox& box) {
            reported = box.text();
            box.accept();
        });
        ShowPwdManager(password);
        return reported;
    }
};

TEST_F(PwdVaultManager, ExportsBothFormatsAndImportsBoth)
{
    Seed(ThreeRecords());
    FileDialogRecorder files;
    const QString scrambled = ProgramDir() + u"pro-jine.pwd"_s, vault = ProgramDir() + u"sifrovane.pwd"_s;
    {
        TDlgPwdManager window(nullptr, MakeKey());
        files.answers = {scrambled, vault};
        files.filters = {0, kExportVaultFilter};
        window.Exportovat->trigger();
        window.Exportovat->trigger();
        // The scrambled format is the first choice; the vault is offered beside it.
        ASSERT_EQ(files.asked.size(), 2U);
        EXPECT_TRUE(files.asked[0].filter.startsWith(u"Soubory hesel (*.pwd)|*.pwd|"_s));
        EXPECT_EQ(QtNameFilters(files.asked[0].filter).split(u";;"_s).size(), 2);
    }
    TPwdRecords records;
    ASSERT_TRUE(LoadRecords(records, scrambled));
    EXPECT_EQ(records, ThreeRecords());
    EXPECT_TRUE(IsVaultFile(ReadBytes(vault)));
    EXPECT_FALSE(ReadBytes(vault).contains("novak"));
    EXPECT_TRUE(IsVaultFile(ReadBytes(PwdFile())));

    // Import knows each by its first bytes; the vault of this manager needs no question.
    files.asked.clear();
    {
        TDlgPwdManager window(nullptr, MakeKey());
        files.answers = {vault};
        ReplaceRecord(records, 0, MakePwdRecord(u"Jiný"_s, {}, {}, {}));
        SaveRecords(records, scrambled);
        window.Importovat->trigger();
        EXPECT_EQ(window.GetRecords(), ThreeRecords());
        files.answers = {scrambled};
        window.Importovat->trigger();
        EXPECT_EQ(Names(window.GetRecords()), (QStringList{u"Jiný"_s, u"Banka"_s, u"Fórum"_s}));
    }
    // Without a master password only the scrambled format is offered.
    ASSERT_TRUE(QFile::remove(PwdFile()));
    {
        TDlgPwdManager window;
        EXPECT_EQ(window.SaveDialog1.filter, u"Soubory hesel (*.pwd)|*.pwd"_s);
    }
}

TEST_F(PwdVaultManager, AVaultOfAnotherPasswordAsksForItOnImport)
{
    const QString foreign = ProgramDir() + u"cizi.pwd"_s;
    const TVaultKey other(TSecretBytes::FromText(u"Cizí heslo"_s), TVaultParams::Fresh());
    SaveRecords(ThreeRecords(), foreign, &other);
    FileDialogRecorder files;
    TDlgPwdManager window(nullptr, MakeKey());
    files.answers = {foreign, foreign};
    AnswerPrompt({}, u"Storno"_s);
    window.Importovat->trigger();
    EXPECT_TRUE(window.GetRecords().empty());
    AnswerPrompt(u"Cizí heslo"_s);
    window.Importovat->trigger();
    EXPECT_EQ(window.GetRecords(), ThreeRecords());
}

TEST_F(PwdVaultManager, AVaultTheKeyDoesNotOpenIsReportedAndNeverOverwritten)
{
    {
        TDlgPwdManager window(nullptr, MakeKey(u"Správné"_s));
        AnswerRecordDialog(u"Mail"_s, u"jana"_s, u"heslo1"_s, {});
        window.PridatZaznam->trigger();
    }
    const QByteArray saved = ReadBytes(PwdFile());
    ASSERT_TRUE(IsVaultFile(saved));

    // A manager that opened would wait for the watchdog, which fails the test.
    const QString wrong = ShowAndReport(u"Jiné"_s);
    EXPECT_TRUE(wrong.contains(PwdFile())) << wrong.toStdString();
    EXPECT_EQ(ReadBytes(PwdFile()), saved);

    QByteArray changed = saved;
    changed[changed.size() - 20] = static_cast<char>(changed[changed.size() - 20] ^ 1);
    WriteBytes(PwdFile(), changed);
    const QString damaged = ShowAndReport(u"Správné"_s);
    EXPECT_TRUE(damaged.contains(PwdFile())) << damaged.toStdString();
    EXPECT_NE(damaged, wrong);
    EXPECT_EQ(ReadBytes(PwdFile()), changed);
    EXPECT_EQ(QDir(ProgramDir()).entryList(QDir::Files | QDir::Hidden), QStringList{kPwdFileName});
    // The manager that never opened leaves no window behind.
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

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
