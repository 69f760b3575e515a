// The password manager: its window over the scrambled password file and, opened with the
// master password's key, over the encrypted one.

#include "gui/PwdTestSupport.h"
#include "passwords/Dlg_PwdManager.h"
#include "support/FileBytes.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QMessageBox>
#include <QMouseEvent>

using namespace nuvex;
using namespace nuvex::test;
using namespace Qt::StringLiterals;

namespace {

using PwdManager = PwdManagerFixture;

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

} // namespace
