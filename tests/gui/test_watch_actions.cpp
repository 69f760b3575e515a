// The actions on the selected row of the watch: add, update and revert.

#include "MainWindowFixture.h"
#include "ui/IniFile.h"
#include "watch/NumberWatch.h"
#include "watch/WatchActions.h"

#include <QMenu>

using namespace nuvex;
using namespace Qt::StringLiterals;
namespace standin = platform::rasstandin;

namespace {

class WatchActions : public test::MainWindowFixture
{
protected:
    void ExpectAvailable(bool add, bool update, bool revert)
    {
        EXPECT_EQ(Access().Pridej()->isEnabled(), add);
        EXPECT_EQ(Access().Zmenit()->isEnabled(), update);
        EXPECT_EQ(Access().Vratit()->isEnabled(), revert);
    }
    // Revert on the changed entry "Internet" (420-(906)-999) refused: the entry as it was,
    // and one box that is not the success text but mentions `mentioning`.
    void ExpectRevertRefused(const QString& mentioning)
    {
        Access().Vratit()->trigger();
        const auto entry = standin::GetEntry("Internet");
        EXPECT_EQ(entry->countryCode, 420u);
        EXPECT_EQ(entry->areaCode, "906");
        EXPECT_EQ(entry->localNumber, "999");
        EXPECT_EQ(window->RowImage(0), imgChanged);
        ASSERT_EQ(boxes.calls.size(), 1u);
        EXPECT_NE(boxes.calls[0].text, kRevertDone);
        EXPECT_TRUE(boxes.calls[0].text.contains(mentioning)) << boxes.calls[0].text.toStdString();
    }
    static QByteArray StoreBytes() { return test::ReadBytes(StorePath()); }
};

TEST_F(WatchActions, MenuOffersTheThreeActionsWithTheirCaptionsAndHints)
{
    MakeWindow();
    EXPECT_EQ(Access().PripojeniMenu()->actions(),
              (QList<QAction*>{Access().Pridej(), Access().Zmenit(), Access().Vratit()}));
    EXPECT_EQ(Access().PripojeniMenu()->title(), u"Př&ipojení"_s);
    EXPECT_EQ(Access().Pridej()->text(), u"Př&idej"_s);
    EXPECT_EQ(Access().Pridej()->statusTip(), u"Autorizuje nové připojení"_s);
    EXPECT_EQ(Access().Zmenit()->text(), u"&Aktualizuj"_s);
    EXPECT_EQ(Access().Zmenit()->statusTip(), u"Nastaví změněné číslo jako bezpečné"_s);
    EXPECT_EQ(Access().Vratit()->text(), u"&Vrať"_s);
    EXPECT_EQ(Access().Vratit()->statusTip(), u"Přepíše aktivní číslo zpět kontrolním"_s);
    ExpectAvailable(false, false, false); // nothing to act on yet
}

TEST_F(WatchActions, AvailabilityFollowsTheSelectedRowsImage)
{
    AddTrusted("Internet", {420, "2", "123456"});
    standin::AddEntry("Nové", {420, "2", "7"});
    standin::AddEntry("Změněné", {420, "2", "8"});
    Authorise(u"Změněné"_s, u"420-(2)-9"_s);
    MakeWindow();
    Tick();
    ExpectAvailable(false, true, true); // the last problem row is selected: changed
    Select(1);
    ExpectAvailable(true, false, false);
    Select(0);
    ExpectAvailable(false, false, false);
    Access().ListView()->clearSelection();
    ExpectAvailable(false, false, false);

    // With no row selected none of them does anything.
    const QByteArray before = StoreBytes();
    window->PridejExecute();
    window->VratitExecute();
    EXPECT_EQ(StoreBytes(), before);
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(WatchActions, AddAuthorisesTheEntryAndTheNextCheckIsAllOk)
{
    standin::AddEntry("Nové", {420, "2", "7"});
    MakeWindow();
    Tick();
    ASSERT_EQ(SelectedRow(), 0);
    Access().Pridej()->trigger();
    EXPECT_EQ(StoreBytes(), QByteArray("[Nové]\r\nTn=420-(2)-7\r\n"));
    EXPECT_EQ(Cell(0, 2), u"420-(2)-7"_s); // at once, before the next check
    EXPECT_EQ(window->RowImage(0), imgInOrder);
    EXPECT_EQ(LogTexts(), QStringList{kUnregisteredWarning}); // Add itself logs nothing
    Tick();
    EXPECT_FALSE(Access().AlarmRaised());
    EXPECT_EQ(LogTexts().last(), u"Vše OK."_s);
}

TEST_F(WatchActions, UpdateAsksFirstAndOnlyYesAcceptsTheNewNumber)
{
    standin::AddEntry("Internet", {420, "906", "123456"});
    Authorise(u"Internet"_s, u"420-(2)-123456"_s);
    MakeWindow();
    Tick();
    const QByteArray before = StoreBytes();

    boxes.Answer(false);
    Access().Zmenit()->trigger();
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(boxes.calls[0].caption, u"Otázka..."_s);
    EXPECT_EQ(boxes.calls[0].text, kUpdateQuestion);
    EXPECT_FALSE(boxes.calls[0].defaultNo);
    EXPECT_EQ(StoreBytes(), before);
    EXPECT_EQ(window->RowImage(0), imgChanged);

    boxes.Answer(true);
    Access().Zmenit()->trigger();
    EXPECT_EQ(StoreBytes(), QByteArray("[Internet]\r\nTn=420-(906)-123456\r\n"));
    EXPECT_EQ(Cell(0, 2), u"420-(906)-123456"_s);
    Tick();
    EXPECT_FALSE(Access().AlarmRaised());
}

TEST_F(WatchActions, RevertWritesTheCheckNumberBackIntoTheEntry)
{
    standin::AddEntry("Internet", {420, "906", "999"});
    standin::AddEntry("Domů", {420, "2", "1"});
    Authorise(u"Internet"_s, u"420-(2)-123"_s);
    Authorise(u"Domů"_s, u"555"_s);
    MakeWindow();
    Tick();
    const QByteArray store = StoreBytes();

    Select(0);
    Access().Vratit()->trigger();
    auto entry = standin::GetEntry("Internet");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->countryCode, 420u);
    EXPECT_EQ(entry->areaCode, "2");
    EXPECT_EQ(entry->localNumber, "123");
    EXPECT_EQ(Cell(0, 1), u"420-(2)-123"_s);
    EXPECT_EQ(window->RowImage(0), imgInOrder);
    ExpectAvailable(false, false, false); // re-evaluated at the end of Revert
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(boxes.calls[0].caption, u"Informace..."_s);
    EXPECT_EQ(boxes.calls[0].text, u"Číslo bylo obnoveno na původní."_s);

    Select(1);
    Access().Vratit()->trigger();
    entry = standin::GetEntry("Domů");
    EXPECT_EQ(entry->countryCode, 0u);
    EXPECT_EQ(entry->areaCode, "");
    EXPECT_EQ(entry->localNumber, "555");

    EXPECT_EQ(StoreBytes(), store); // Revert leaves the store as it was
    Tick();
    EXPECT_FALSE(Access().AlarmRaised());
    EXPECT_EQ(LogTexts().last(), u"Vše OK."_s);
}

TEST_F(WatchActions, RevertRefusesAnOverlongCheckNumberAndChangesNothing)
{
    standin::AddEntry("Internet", {420, "906", "999"});
    Authorise(u"Internet"_s, u"420-(12345678901)-1"_s); // an area code one character too long
    MakeWindow();
    Tick();
    ExpectRevertRefused(u"420-(12345678901)-1"_s);

    // A local number of 129 characters is refused the same way; 128 fits.
    WriteStore("[Internet]\r\nTn=" + QByteArray(129, '7') + "\r\n");
    Access().Vratit()->trigger();
    EXPECT_EQ(standin::GetEntry("Internet")->localNumber, "999");
    WriteStore("[Internet]\r\nTn=" + QByteArray(128, '7') + "\r\n");
    Access().Vratit()->trigger();
    EXPECT_EQ(standin::GetEntry("Internet")->localNumber, std::string(128, '7'));
    EXPECT_EQ(boxes.calls.back().text, kRevertDone);
}

// The watch, Revert and Update must agree on which section belongs to an entry whose
// stored spelling differs in letter case, in any script.
TEST_F(WatchActions, EveryActionFindsTheSectionTheWatchMatchedWhateverTheScript)
{
    standin::AddEntry("Άlfa", {420, "906", "1"});       // Greek capital alpha with tonos
    standin::AddEntry("\u212Aarel", {420, "906", "2"}); // Kelvin sign, folds to "k"
    WriteStore("[\xCE\xAC"
               "lfa]\r\nTn=420-(2)-1\r\n[karel]\r\nTn=420-(2)-2\r\n");
    MakeWindow();
    Tick();
    EXPECT_EQ(Cell(0, 2), u"420-(2)-1"_s);
    EXPECT_EQ(window->RowImage(0), imgChanged);
    EXPECT_EQ(window->RowImage(1), imgChanged);

    Select(0);
    Access().Vratit()->trigger();
    EXPECT_EQ(standin::GetEntry("Άlfa")->areaCode, "2");
    EXPECT_EQ(boxes.calls.back().text, kRevertDone);

    boxes.Answer(true);
    Select(1);
    Access().Zmenit()->trigger();
    EXPECT_EQ(StoreBytes(), QByteArray("[\xCE\xAC"
                                       "lfa]\r\nTn=420-(2)-1\r\n[karel]\r\nTn=420-(906)-2\r\n"));
    Tick();
    EXPECT_FALSE(Access().AlarmRaised());
    EXPECT_EQ(LogTexts().last(), u"Vše OK."_s);
}

TEST_F(WatchActions, RevertRefusesAnEmptyCheckNumberAndWritesNothing)
{
    standin::AddEntry("Internet", {420, "906", "999"});
    WriteStore("[Internet]\r\nPoznamka=bez cisla\r\n"); // authorised, but without "Tn"
    MakeWindow();
    Tick();
    ASSERT_EQ(window->RowImage(0), imgChanged);
    ExpectRevertRefused(u"Internet"_s);
}

// A store the user may not write is refused as Windows refuses a read-only file: an
// error naming the file, and the file as it was.
TEST_F(WatchActions, AddOnAReadOnlyStoreIsRefusedNamingTheFile)
{
    standin::AddEntry("Nové", {420, "2", "7"});
    const QString path = WriteStore("[Internet]\r\nTn=420-(2)-1\r\n");
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    MakeWindow();
    Tick();
    Select(0);
    try {
        window->PridejExecute();
        ADD_FAILURE() << "a read-only store was written";
    } catch (const EIniFileError& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains(path)) << error.what();
    }
    EXPECT_EQ(StoreBytes(), QByteArray("[Internet]\r\nTn=420-(2)-1\r\n"));
    EXPECT_EQ(window->RowImage(0), imgUnregistered);
}

} // namespace
