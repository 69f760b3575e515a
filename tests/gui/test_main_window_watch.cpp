// The main window's watch: the list of entries and its alarm.

#include "MainWindowFixture.h"
#include "ui/ExceptionReport.h"
#include "watch/NumberWatch.h"

#include <QMessageBox>
#include <QRegularExpression>
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

} // namespace
