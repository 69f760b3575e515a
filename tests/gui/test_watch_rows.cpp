// The watch's list is updated in place: an idle check touches nothing, a change touches
// only its own row, and the log view keeps a bounded number of lines.

#include "MainWindowFixture.h"
#include "platform/RasService.h"

#include <QAbstractItemModel>
#include <atomic>

using namespace nuvex;
using namespace Qt::StringLiterals;
namespace standin = platform::rasstandin;

namespace {

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

} // namespace
