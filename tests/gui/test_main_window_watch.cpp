// The main window's watch: the list of entries and its alarm, its rows updated in place,
// and the actions on the selected row.

#include "MainWindowFixture.h"
#include "app/WatchListRows.h"
#include "platform/RasService.h"
#include "ui/ExceptionReport.h"
#include "ui/IniFile.h"
#include "watch/NumberWatch.h"
#include "watch/WatchActions.h"

#include <QAbstractItemModel>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <atomic>
#include <filesystem>

using namespace nuvex;
using namespace Qt::StringLiterals;
namespace standin = platform::rasstandin;

namespace {

using MainWindowWatch = test::MainWindowFixture;

TEST_F(MainWindowWatch, EmptyPhonebookIsAllOkWithoutRows)
{
    MakeWindow();
    Tick();
    EXPECT_EQ(Access().ListView()->topLevelItemCount(), 0);
    EXPECT_FALSE(Access().AlarmRaised());
    EXPECT_EQ(LogTexts(), QStringList{u"Vše OK."_s});
    // time, colon, text: 14:03:25:Vše OK.
    static const QRegularExpression lineShape(u"^\\d{1,2}:\\d\\d:\\d\\d:Vše OK\\.$"_s);
    EXPECT_TRUE(lineShape.match(Access().LogMemo()->toPlainText()).hasMatch())
        << Access().LogMemo()->toPlainText().toStdString();
}

TEST_F(MainWindowWatch, ListHasTheThreeColumnsAndKeepsSelectionVisible)
{
    MakeWindow();
    const QTreeWidgetItem* header = Access().ListView()->headerItem();
    EXPECT_EQ(header->text(0), u"Připojení"_s);
    EXPECT_EQ(header->text(1), u"Aktivní číslo"_s);
    EXPECT_EQ(header->text(2), u"Kontrolní číslo"_s);
    for (int column = 0; column < 3; ++column)
        EXPECT_EQ(Access().ListView()->columnWidth(column), 140);
    EXPECT_EQ(Access().ListView()->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(Access().ListView()->editTriggers(), QAbstractItemView::NoEditTriggers);
    const QPalette palette = Access().ListView()->palette();
    EXPECT_EQ(palette.color(QPalette::Inactive, QPalette::Highlight),
              palette.color(QPalette::Active, QPalette::Highlight));
    EXPECT_EQ(Access().Timer1()->interval(), 1000);
    EXPECT_FALSE(Access().Timer1()->isActive());
}

TEST_F(MainWindowWatch, UnregisteredEntryRaisesTheAlarmOnceAndIsSelected)
{
    AddTrusted("Internet", {420, "2", "123456"});
    standin::AddEntry("Nové", {900, "9", "111"});
    MakeWindow();
    for (int i = 0; i < 3; ++i)
        Tick();

    ASSERT_EQ(Access().ListView()->topLevelItemCount(), 2);
    EXPECT_EQ(window->RowImage(0), imgInOrder);
    EXPECT_EQ(window->RowImage(1), imgUnregistered);
    EXPECT_EQ(Cell(1, 1), u"900-(9)-111"_s);
    EXPECT_EQ(Cell(1, 2), u"neznámé"_s);
    EXPECT_EQ(SelectedRow(), 1);
    EXPECT_TRUE(Access().AlarmRaised());
    EXPECT_EQ(LogTexts(), QStringList{kUnregisteredWarning});
    EXPECT_TRUE(window->isVisible()); // brought forward by the alarm
}

TEST_F(MainWindowWatch, ChangedNumberOutranksAnUnregisteredEntryAndClearsWhenResolved)
{
    AddTrusted("Internet", {420, "2", "123456"});
    AddTrusted("Práce", {420, "2", "1"});
    MakeWindow();
    Tick();
    EXPECT_EQ(LogTexts(), QStringList{u"Vše OK."_s});

    standin::SetEntry("Internet", {420, "900", "123456"}); // a dialer changed it
    standin::AddEntry("Podvrh", {420, "906", "1"});
    Tick();
    Tick();
    ASSERT_EQ(Access().ListView()->topLevelItemCount(), 3);
    EXPECT_EQ(window->RowImage(0), imgChanged);
    EXPECT_EQ(Cell(0, 1), u"420-(900)-123456"_s);
    EXPECT_EQ(Cell(0, 2), u"420-(2)-123456"_s);
    EXPECT_EQ(window->RowImage(2), imgUnregistered);
    EXPECT_EQ(SelectedRow(), 2); // the last problem entry in phonebook order
    EXPECT_TRUE(Access().AlarmRaised());
    EXPECT_EQ(LogTexts(), (QStringList{u"Vše OK."_s, kChangeWarning}));

    // Only the unregistered one is left: the alarm stands, nothing new is logged.
    standin::SetEntry("Internet", {420, "2", "123456"});
    Tick();
    EXPECT_TRUE(Access().AlarmRaised());
    EXPECT_EQ(LogTexts().size(), 2);

    standin::RemoveEntry("Podvrh");
    Tick();
    EXPECT_FALSE(Access().AlarmRaised());
    EXPECT_EQ(LogTexts(), (QStringList{u"Vše OK."_s, kChangeWarning, u"Vše OK."_s}));

    // A later problem logs its warning again.
    standin::AddEntry("Další", {1, "2", "3"});
    Tick();
    EXPECT_EQ(LogTexts().last(), kUnregisteredWarning);
}

TEST_F(MainWindowWatch, HandEditsOfTheStoreCountAtTheNextCheck)
{
    standin::AddEntry("Internet", {420, "2", "123456"});
    Authorise(u"internet"_s, u"420-(2)-123456"_s); // the section matches ignoring case
    MakeWindow();
    Tick();
    EXPECT_EQ(window->RowImage(0), imgInOrder);
    EXPECT_EQ(Cell(0, 2), u"420-(2)-123456"_s);

    WriteStore("[internet]\r\nTn = 420-(2)-999\r\n");
    Tick();
    EXPECT_EQ(window->RowImage(0), imgChanged);

    std::filesystem::remove(StorePath().toStdString());
    Tick();
    EXPECT_EQ(window->RowImage(0), imgUnregistered);
    EXPECT_EQ(Cell(0, 2), u"neznámé"_s);
}

TEST_F(MainWindowWatch, ConnectedEntryInOrderShowsItsOwnImageAndSelectionIsKept)
{
    AddTrusted("Internet", {420, "2", "123456"});
    AddTrusted("Záloha", {420, "2", "7"});
    MakeWindow();
    Access().SetSession({.ConnName = u"Internet"_s});
    Tick();
    EXPECT_EQ(window->RowImage(0), imgInOrderConnected);
    EXPECT_EQ(window->RowImage(1), imgInOrder);
    EXPECT_EQ(SelectedRow(), -1); // nothing asks for one
    EXPECT_EQ(Access().ListView()->currentItem(), nullptr);

    Select(1);
    Tick();
    EXPECT_EQ(SelectedRow(), 1); // the user's choice survives the rebuild
}

TEST_F(MainWindowWatch, AnErrorInATickIsReportedWithoutStackingBoxesOrStoppingTheWatch)
{
    AddTrusted("Internet", {420, "2", "1"});
    MakeWindow();
    // The phonebook becomes unreadable: every tick fails.
    const std::filesystem::path file = standin::PhonebookPath();
    std::filesystem::remove(file);
    std::filesystem::create_directory(file);

    // The tick returns with the box open: no loop of its own waits for a person.
    window->Timer1Timer();
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().startsWith(u"RAS Error code: 621."_s)) << box->text().toStdString();
    // Two more ticks fail while the box is open: counted, not stacked.
    window->Timer1Timer();
    window->Timer1Timer();
    EXPECT_EQ(SuppressedExceptionCount(), 2);
    EXPECT_TRUE(box->informativeText().contains(u"2"_s));
    EXPECT_EQ(QApplication::activeModalWidget(), box);

    // The watch goes on under the box: the phonebook is back, and a change is seen.
    std::filesystem::remove(file);
    standin::AddEntry("Internet", {420, "906", "1"});
    window->Timer1Timer();
    EXPECT_EQ(window->RowImage(0), imgChanged);
    EXPECT_TRUE(LogTexts().contains(kChangeWarning));
    EXPECT_TRUE(Access().AlarmRaised());

    box->accept();
    QApplication::processEvents();
    EXPECT_EQ(SuppressedExceptionCount(), 0);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MainWindowWatch, AnEntryThatCannotBeReadCountsAsChangedAndIsLoggedOncePerEpisode)
{
    AddTrusted("Internet", {420, "2", "1"});
    AddTrusted("Práce", {420, "2", "7"});
    MakeWindow();
    Tick();
    ASSERT_EQ(LogTexts(), QStringList{kAllOk});

    // A hand-edited area code longer than its field: the service answers 625.
    const auto breakEntry = [phonebook = QString::fromStdString(standin::PhonebookPath())] {
        test::WriteBytes(phonebook,
                         test::ReadBytes(phonebook) +
                             "\r\n[Výhra]\r\nCountryCode=420\r\nAreaCode=12345678901\r\nPhoneNumber=906\r\n");
    };
    breakEntry();
    for (int i = 0; i < 3; ++i)
        Tick();
    ASSERT_EQ(Access().ListView()->topLevelItemCount(), 3);
    EXPECT_EQ(window->RowImage(0), imgInOrder); // the others are judged as usual
    EXPECT_EQ(window->RowImage(1), imgInOrder);
    EXPECT_EQ(window->RowImage(2), imgChanged);
    EXPECT_EQ(Cell(2, 1), kUnreadableNumber);
    EXPECT_EQ(Cell(2, 2), kUnknownCheckNumber);
    EXPECT_EQ(SelectedRow(), 2);
    EXPECT_TRUE(Access().Vratit()->isEnabled());
    EXPECT_TRUE(Access().AlarmRaised());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr); // no error box
    QStringList log = LogTexts();
    ASSERT_EQ(log.size(), 3) << log.join(u'\n').toStdString();
    EXPECT_TRUE(log[1].startsWith(u"Připojení „Výhra“ nelze přečíst (RAS Error code: 625."_s))
        << log[1].toStdString();
    EXPECT_EQ(log[2], kChangeWarning);

    // Gone, then back: a new episode, logged again.
    standin::RemoveEntry("Výhra");
    Tick();
    breakEntry();
    Tick();
    Tick();
    log = LogTexts();
    EXPECT_EQ(log.filter(u"„Výhra“ nelze přečíst"_s).size(), 2) << log.join(u'\n').toStdString();
}

TEST_F(MainWindowWatch, AnEntryRemovedBetweenTheListingAndTheReadingIsSimplyGone)
{
    AddTrusted("Internet", {420, "2", "1"});
    standin::AddEntry("Podvrh", {420, "906", "1"});
    MakeWindow();
    // The dialer removes its entry just after the service listed it.
    const auto check = Access().Phonebook().OnChange;
    Access().Phonebook().OnChange = [&check](TRasBaseList& sender) {
        standin::RemoveEntry("Podvrh");
        check(sender);
    };
    Tick();
    ASSERT_EQ(Access().ListView()->topLevelItemCount(), 1);
    EXPECT_EQ(Cell(0, 0), u"Internet"_s);
    EXPECT_EQ(LogTexts(), QStringList{kAllOk});
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// Damaged files are named once in the log, and the watch goes on with what it could read.
TEST_F(MainWindowWatch, DamagedStoreAndPhonebookAreReportedOnceNamingTheFile)
{
    standin::AddEntry("Internet", {420, "2", "123456"});
    static const char kPicture[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xd8";
    const QString store = WriteStore(QByteArray(kPicture, sizeof kPicture - 1));
    MakeWindow();
    Tick();
    Tick();
    const QStringList storeReports = LogTexts().filter(store);
    ASSERT_EQ(storeReports.size(), 1) << LogTexts().join(u'\n').toStdString();
    EXPECT_EQ(LogTexts().last(), kUnregisteredWarning); // nothing trusted: the watch goes on

    // Repaired, then damaged again: reported again.
    WriteStore("[Internet]\r\nTn=420-(2)-123456\r\n");
    Tick();
    EXPECT_EQ(LogTexts().last(), u"Vše OK."_s);
    WriteStore("[Internet]\r\nTn=420-(2)-123456\r\n" + QByteArray("\0\x01\x02", 3));
    Tick();
    EXPECT_EQ(LogTexts().filter(store).size(), 2);

    // A phonebook cut in the middle of its last line.
    const QString phonebook = QString::fromStdString(standin::PhonebookPath());
    test::WriteBytes(phonebook, test::ReadBytes(phonebook).chopped(5));
    Tick();
    Tick();
    EXPECT_EQ(LogTexts().filter(phonebook).size(), 1) << LogTexts().join(u'\n').toStdString();
}

// The watch's list is updated in place: an idle check touches nothing, a change touches
// only its own row, and the log view keeps a bounded number of lines.

class WatchRows : public test::MainWindowFixture
{
protected:
    static void TwoInOrder()
    {
        AddTrusted("Internet", {420, "2", "123456"});
        AddTrusted("Práce", {420, "5", "41212121"});
    }
    // Two entries in order and one the store does not know.
    static void TwoInOrderAndOneUnknown()
    {
        TwoInOrder();
        standin::AddEntry("Výhra zdarma", {420, "909", "666666"});
    }
};

QList<QTreeWidgetItem*> Items(const QTreeWidget& view)
{
    QList<QTreeWidgetItem*> items;
    for (int i = 0; i < view.topLevelItemCount(); ++i)
        items.append(view.topLevelItem(i));
    return items;
}

using namespace platform::ras;

// The emulated machine, counting what is asked of it; without generations when told so,
// as a service that cannot tell whether its phonebook changed.
class CountingService final : public RasService
{
public:
    explicit CountingService(bool generations) : generations_(generations) {}

    DWORD EnumEntries(RASENTRYNAMEA* entries, DWORD* cb, DWORD* count) override
    {
        ++enumerations;
        return inner_->EnumEntries(entries, cb, count);
    }
    DWORD GetEntryProperties(const char* name, RASENTRYA* entry, DWORD* cb, DWORD* deviceInfoSize) override
    {
        ++entryReads;
        return inner_->GetEntryProperties(name, entry, cb, deviceInfoSize);
    }
    DWORD SetEntryProperties(const char* name, const RASENTRYA* entry, DWORD cb) override
    {
        return inner_->SetEntryProperties(name, entry, cb);
    }
    DWORD EnumConnections(RASCONNA* connections, DWORD* cb, DWORD* count) override
    {
        return inner_->EnumConnections(connections, cb, count);
    }
    DWORD GetConnectStatus(HRASCONN connection, RASCONNSTATUSA* status) override
    {
        return inner_->GetConnectStatus(connection, status);
    }
    DWORD HangUp(HRASCONN connection) override { return inner_->HangUp(connection); }
    std::optional<std::uint32_t> PerfStat(const std::string& name) override { return inner_->PerfStat(name); }
    std::vector<std::string> PhonebookSources() override { return inner_->PhonebookSources(); }
    std::vector<std::string> TakeNotices() override { return inner_->TakeNotices(); }
    std::string Description() override { return inner_->Description(); }
    std::optional<std::uint64_t> PhonebookGeneration() override
    {
        return generations_ ? inner_->PhonebookGeneration() : std::nullopt;
    }

    static inline std::atomic<int> enumerations = 0;
    static inline std::atomic<int> entryReads = 0;

private:
    bool generations_;
    std::unique_ptr<RasService> inner_ = MakeEmulatedRasService();
};

class WatchRepeats : public WatchRows
{
protected:
    void UseCountingService(bool generations)
    {
        platform::ras::UseServiceForTesting(std::make_unique<CountingService>(generations));
    }
    void TearDown() override
    {
        WatchRows::TearDown();
        platform::ras::SelectMachineForTesting(platform::ras::Machine::Emulated);
    }
    // What the service was asked during n checks.
    std::pair<int, int> AskedDuring(int n)
    {
        CountingService::enumerations = 0;
        CountingService::entryReads = 0;
        for (int i = 0; i < n; ++i)
            Tick();
        return {CountingService::enumerations.load(), CountingService::entryReads.load()};
    }
};

TEST_F(WatchRepeats, AnUnchangedMachineIsNotAskedAgainAndEveryChangeIsStillSeen)
{
    UseCountingService(true);
    TwoInOrderAndOneUnknown();
    MakeWindow();
    Tick();
    Tick(); // the alarm's selection settles
    int events = 0;
    Access().Phonebook().OnChange = [this, &events,
                                     handler = Access().Phonebook().OnChange](TRasBaseList& list) {
        ++events;
        handler(list);
    };

    // Nothing changed: no entry is read, yet the list's event fires and the alarm still
    // brings the window forward at every check.
    window->hide();
    EXPECT_EQ(AskedDuring(3), std::make_pair(0, 0));
    EXPECT_EQ(events, 3);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(SelectedRow(), 2);
    EXPECT_EQ(window->RowImage(2), imgUnregistered);

    // The store changes by hand: the check reads every entry again.
    Authorise(u"Výhra zdarma"_s, u"420-(909)-666666"_s);
    EXPECT_EQ(AskedDuring(1).second, 3);
    EXPECT_EQ(window->RowImage(2), imgInOrder);
    EXPECT_EQ(Cell(2, 2), u"420-(909)-666666"_s);
    const QStringList log = LogTexts();
    EXPECT_EQ(log.last().trimmed(), kAllOk);
    EXPECT_EQ(AskedDuring(2), std::make_pair(0, 0));

    // The phonebook changes: listed and read again.
    standin::SetEntry("Práce", {420, "906", "123"});
    EXPECT_EQ(AskedDuring(1), std::make_pair(2, 3)); // the size of the list, then the list
    EXPECT_EQ(window->RowImage(1), imgChanged);
    EXPECT_EQ(SelectedRow(), 1);
    EXPECT_TRUE(Access().Vratit()->isEnabled());

    // The user picks another row: the check runs in full and keeps the alarm's choice.
    Tick();
    ASSERT_EQ(AskedDuring(1), std::make_pair(0, 0));
    Select(0);
    EXPECT_EQ(AskedDuring(1).second, 3);
    EXPECT_EQ(SelectedRow(), 1);
    Tick();
    EXPECT_EQ(AskedDuring(1), std::make_pair(0, 0));

    // A connection to an entry in order shows at once.
    standin::SetEntry("Práce", {420, "5", "41212121"});
    Tick();
    Access().SetSession({0, 0, u"Internet"_s});
    Tick();
    EXPECT_EQ(window->RowImage(0), imgInOrderConnected);
    EXPECT_EQ(window->RowImage(1), imgInOrder);
}

TEST_F(WatchRepeats, ARowChangedByHandOrByTheUserIsCheckedAgain)
{
    UseCountingService(true);
    TwoInOrder();
    MakeWindow();
    Tick();
    Tick();
    ASSERT_EQ(AskedDuring(1), std::make_pair(0, 0));

    // Rows the check did not make are made again.
    delete Access().ListView()->takeTopLevelItem(1);
    Tick();
    ASSERT_EQ(Access().ListView()->topLevelItemCount(), 2);
    EXPECT_EQ(Cell(1, 0), u"Práce"_s);

    // Without a selection, a row chosen and then left makes the next check run in full.
    Select(1);
    EXPECT_EQ(AskedDuring(1).second, 2);
    EXPECT_EQ(SelectedRow(), 1);
    EXPECT_EQ(AskedDuring(1).second, 0);
    Access().ListView()->clearSelection();
    Access().ListView()->setCurrentItem(nullptr);
    EXPECT_EQ(AskedDuring(1).second, 2);
    EXPECT_EQ(SelectedRow(), -1);
}

TEST_F(WatchRepeats, AServiceThatCannotTellIsAskedForEveryEntryAtEveryCheck)
{
    UseCountingService(false);
    AddTrusted("Internet", {420, "2", "123456"});
    standin::AddEntry("Práce", {420, "5", "41212121"});
    MakeWindow();
    Tick();
    EXPECT_EQ(AskedDuring(3), std::make_pair(6, 6));
    EXPECT_EQ(window->RowImage(1), imgUnregistered);
}

TEST_F(WatchRows, AnIdleCheckKeepsEveryItemAndChangesNothingInTheModel)
{
    TwoInOrderAndOneUnknown();
    MakeWindow();
    Tick();
    ASSERT_EQ(Access().ListView()->topLevelItemCount(), 3);
    const auto items = Items(*Access().ListView());
    EXPECT_EQ(SelectedRow(), 2);

    QAbstractItemModel* model = Access().ListView()->model();
    int changed = 0, inserted = 0, removed = 0, selection = 0;
    QObject::connect(model, &QAbstractItemModel::dataChanged, [&] { ++changed; });
    QObject::connect(model, &QAbstractItemModel::rowsInserted, [&] { ++inserted; });
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, [&] { ++removed; });
    QObject::connect(Access().ListView(), &QTreeWidget::itemSelectionChanged, [&] { ++selection; });
    int events = 0;
    Access().Phonebook().OnChange = [this, &events,
                                     handler = Access().Phonebook().OnChange](TRasBaseList& list) {
        ++events;
        handler(list);
    };
    for (int i = 0; i < 3; ++i)
        Tick();

    EXPECT_EQ(events, 3); // the list's event still fires on every refresh
    EXPECT_EQ(Items(*Access().ListView()), items);
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(inserted, 0);
    EXPECT_EQ(removed, 0);
    EXPECT_EQ(selection, 0);
    EXPECT_EQ(SelectedRow(), 2);
    EXPECT_TRUE(Access().Pridej()->isEnabled());
}

TEST_F(WatchRows, AChangeTouchesOnlyItsRowAndTheListFollowsTheEntries)
{
    TwoInOrder();
    MakeWindow();
    Tick();
    const auto items = Items(*Access().ListView());
    Select(0);

    QList<int> changedRows;
    QObject::connect(Access().ListView()->model(), &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& first, const QModelIndex& last) {
                         for (int row = first.row(); row <= last.row(); ++row)
                             changedRows.append(row);
                     });
    standin::SetEntry("Práce", {420, "906", "123"});
    Tick();
    EXPECT_EQ(Items(*Access().ListView()), items);
    ASSERT_FALSE(changedRows.isEmpty());
    for (const int row : changedRows)
        EXPECT_EQ(row, 1);
    EXPECT_EQ(Cell(1, 1), u"420-(906)-123"_s);
    EXPECT_EQ(Cell(1, 2), u"420-(5)-41212121"_s);
    EXPECT_EQ(window->RowImage(1), imgChanged);
    EXPECT_EQ(SelectedRow(), 1); // the changed entry is selected, as before
    EXPECT_TRUE(Access().Vratit()->isEnabled());

    // An entry gone: its row goes, the others stay the same items.
    standin::RemoveEntry("Internet");
    Tick();
    ASSERT_EQ(Access().ListView()->topLevelItemCount(), 1);
    EXPECT_EQ(Access().ListView()->topLevelItem(0), items.at(0)); // updated in place to "Práce"
    EXPECT_EQ(Cell(0, 0), u"Práce"_s);
    EXPECT_EQ(window->RowImage(0), imgChanged);
    EXPECT_EQ(SelectedRow(), 0);

    // Back in order: the same selected row, now without the watch actions.
    standin::SetEntry("Práce", {420, "5", "41212121"});
    standin::AddEntry("Nové", {0, "", "1"});
    Tick();
    ASSERT_EQ(Access().ListView()->topLevelItemCount(), 2);
    EXPECT_EQ(window->RowImage(0), imgInOrder);
    EXPECT_EQ(window->RowImage(1), imgUnregistered);
    EXPECT_EQ(Cell(1, 2), u"neznámé"_s);
    EXPECT_EQ(Access().ListView()->topLevelItem(1)->textAlignment(1), int(Qt::AlignRight | Qt::AlignVCenter));
    EXPECT_EQ(SelectedRow(), 1);
    EXPECT_FALSE(Access().Vratit()->isEnabled());
    EXPECT_TRUE(Access().Pridej()->isEnabled());
}

TEST_F(WatchRows, TheLogViewKeepsItsLastLinesOnly)
{
    MakeWindow();
    const int total = TFrmNuvex::kLogViewLines + 25;
    for (int i = 0; i < total; ++i)
        window->AddLogLine(u"Řádek %1"_s.arg(i));
    EXPECT_EQ(Access().LogMemo()->document()->blockCount(), TFrmNuvex::kLogViewLines);
    const QStringList texts = LogTexts();
    EXPECT_EQ(texts.first(), u"Řádek 25"_s);
    EXPECT_EQ(texts.last(), u"Řádek %1"_s.arg(total - 1));
}

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
