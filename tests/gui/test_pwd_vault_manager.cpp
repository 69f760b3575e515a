// The password manager opened with the master password's key, over the encrypted
// password file.

#include "gui/PwdManagerFixture.h"
#include "gui/PwdTestSupport.h"
#include "news/Dm_ic.h"
#include "passwords/Dlg_PwdManager.h"
#include "passwords/Dlg_PwdMh.h"
#include "passwords/Dlg_PwdRecord.h"
#include "passwords/PwdListModel.h"
#include "ui/ContextHelp.h"
#include "ui/HelpEngine.h"
#include "ui/qnDialogButtons.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QIcon>
#include <QImage>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTreeView>

using namespace nuvex;
using namespace nuvex::test;
using namespace Qt::StringLiterals;

class PwdVaultManager : public PwdManager
{
protected:
    std::unique_ptr<TVaultKey> MakeKey(const QString& password = u"Hlavní"_s) const
    {
        return std::make_unique<TVaultKey>(TSecretBytes::FromText(password), PwdFileParams(PwdFile()));
    }
    static QByteArray Bytes(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
    EXPECT_TRUE(IsVaultFile(Bytes(vault)));
    EXPECT_FALSE(Bytes(vault).contains("novak"));
    EXPECT_TRUE(IsVaultFile(Bytes(PwdFile())));

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
    WhenModal<TDlgPwdMh>([](TDlgPwdMh& dialog) { Press(dialog, u"Storno"_s); });
    window.Importovat->trigger();
    EXPECT_TRUE(window.GetRecords().empty());
    WhenModal<TDlgPwdMh>([](TDlgPwdMh& dialog) {
        Type(dialog, "PwdEdit", u"Cizí heslo"_s);
        Press(dialog, u"OK"_s);
    });
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
    const QByteArray saved = Bytes(PwdFile());
    ASSERT_TRUE(IsVaultFile(saved));

    // A manager that opened would wait for the watchdog, which fails the test.
    const QString wrong = ShowAndReport(u"Jiné"_s);
    EXPECT_TRUE(wrong.contains(PwdFile())) << wrong.toStdString();
    EXPECT_EQ(Bytes(PwdFile()), saved);

    QByteArray changed = saved;
    changed[changed.size() - 20] = static_cast<char>(changed[changed.size() - 20] ^ 1);
    QFile file(PwdFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(changed);
    file.close();
    const QString damaged = ShowAndReport(u"Správné"_s);
    EXPECT_TRUE(damaged.contains(PwdFile())) << damaged.toStdString();
    EXPECT_NE(damaged, wrong);
    EXPECT_EQ(Bytes(PwdFile()), changed);
    EXPECT_EQ(QDir(ProgramDir()).entryList(QDir::Files | QDir::Hidden), QStringList{kPwdFileName});
    // The manager that never opened leaves no window behind.
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}
