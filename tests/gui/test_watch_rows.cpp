// The watch's list is updated in place: an idle check touches nothing, a change touches
// only its own row, and the log view keeps a bounded number of lines.

#include "MainWindowFixture.h"
#include "app/WatchListRows.h"
#include "watch/NumberWatch.h"

#include <QAbstractItemModel>

using namespace nuvex;
using namespace Qt::StringLiterals;
namespace standin = platform::rasstandin;

namespace {

using WatchRows = test::MainWindowFixture;

QList<QTreeWidgetItem*> Items(const QTreeWidget& view)
{
    QList<QTreeWidgetItem*> items;
    for (int i = 0; i < view.topLevelItemCount(); ++i)
        items.append(view.topLevelItem(i));
    return items;
}

} // namespace

TEST_F(WatchRows, AnIdleCheckKeepsEveryItemAndChangesNothingInTheModel)
{
    standin::AddEntry("Internet", {420, "2", "123456"});
    standin::AddEntry("Práce", {420, "5", "41212121"});
    standin::AddEntry("Výhra zdarma", {420, "909", "666666"});
    Authorise(u"Internet"_s, u"420-(2)-123456"_s);
    Authorise(u"Práce"_s, u"420-(5)-41212121"_s);
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
    standin::AddEntry("Internet", {420, "2", "123456"});
    standin::AddEntry("Práce", {420, "5", "41212121"});
    Authorise(u"Internet"_s, u"420-(2)-123456"_s);
    Authorise(u"Práce"_s, u"420-(5)-41212121"_s);
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

TEST_F(WatchRows, NoSelectionIsKeptWhenNothingAsksForOne)
{
    standin::AddEntry("Internet", {420, "2", "123456"});
    Authorise(u"Internet"_s, u"420-(2)-123456"_s);
    MakeWindow();
    Tick();
    EXPECT_EQ(SelectedRow(), -1);
    EXPECT_EQ(Access().ListView()->currentItem(), nullptr);
    Select(0);
    Tick();
    EXPECT_EQ(SelectedRow(), 0); // the user's choice survives the check
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
