#include "MainWindowFixture.h"
#include "gui/UserActions.h"
#include "settings/qnOptions.h"
#include "status/Dlg_Frekvence.h"
#include "status/SessionLog.h"
#include "ui/qnDialogButtons.h"

#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QRadioButton>
#include <QTreeView>
#include <fstream>
#include <memory>

using namespace nuvex;
using namespace Qt::StringLiterals;

namespace {

double Ole(const QDate& date, int hour = 0, int minute = 0)
{
    return static_cast<double>(QDate(1899, 12, 30).daysTo(date)) + (hour * 60 + minute) / 1440.0;
}

QString Line(const QDate& date, int hour, int minutes, const QString& name)
{
    const double start = Ole(date, hour);
    return FloatToSafeStr(start) + u'=' + FloatToSafeStr(start + minutes / 1440.0) + u",28800,1000," + name;
}

class Frekvence : public test::MachineFixture
{
protected:
    void WriteLog(const QDate& month, const QStringList& lines)
    {
        std::ofstream file(SessionLogFile(month).toStdString(), std::ios::binary);
        file << "[SESSION]\r\n";
        for (const QString& line : lines)
            file << line.toStdString() << "\r\n";
    }

    static QStringList Column(const TDlgFrekvence& dialog, int column)
    {
        QStringList texts;
        const QAbstractItemModel* model = dialog.ConList->model();
        for (int row = 0; row < model->rowCount(); ++row)
            texts.append(model->index(row, column).data().toString());
        return texts;
    }

    test::ModalWatchdog watchdog;
};

} // namespace

TEST_F(Frekvence, TheWindowHasItsControlsColumnsAndOneButton)
{
    TDlgFrekvence dialog;
    EXPECT_EQ(dialog.windowTitle(), u"Statistika časů a frekvence"_s);
    EXPECT_EQ(dialog.size(), QSize(579, 319));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_EQ(dialog.Label1->text(), u"D&atum"_s);
    EXPECT_EQ(dialog.Label1->buddy(), dialog.DateEdit);
    EXPECT_TRUE(dialog.DateEdit->calendarPopup());
    EXPECT_EQ(dialog.DateEdit->locale().language(), QLocale::Czech);
    EXPECT_EQ(dialog.RbDen->text(), u"&Den"_s);
    EXPECT_EQ(dialog.RbMesic->text(), u"&Měsíc"_s);
    EXPECT_EQ(dialog.RbRok->text(), u"&Rok"_s);
    EXPECT_TRUE(dialog.RbDen->isChecked());

    const QStringList captions = {u"Připojení"_s, u"Datum"_s,     u"Od"_s,      u"Do"_s,
                                  u"Doba"_s,      u"Přeneseno"_s, u"Rychlost"_s};
    const int widths[] = {110, 70, 70, 70, 70, 80, 75};
    const QAbstractItemModel* model = dialog.ConList->model();
    ASSERT_EQ(model->columnCount(), 7);
    for (int column = 0; column < 7; ++column) {
        EXPECT_EQ(model->headerData(column, Qt::Horizontal).toString(), captions[column]);
        if (column > colDate) {
            EXPECT_EQ(dialog.ConList->header()->sectionSize(column), widths[column]);
        }
        const auto alignment =
            model->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>();
        EXPECT_EQ(alignment & Qt::AlignHorizontal_Mask, column == 0 ? Qt::AlignLeft : Qt::AlignRight)
            << column;
    }
    // The date column is widened for its dates at the name column's cost.
    EXPECT_GE(dialog.ConList->header()->sectionSize(colDate), 70);
    EXPECT_EQ(dialog.ConList->header()->sectionSize(colName) + dialog.ConList->header()->sectionSize(colDate),
              180);
    EXPECT_EQ(dialog.ConList->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(dialog.ConList->selectionBehavior(), QAbstractItemView::SelectRows);

    ASSERT_EQ(dialog.qnDialogButtons1->ButtonList().size(), 1u);
    EXPECT_EQ(dialog.qnDialogButtons1->ButtonList()[0]->text(), u"OK"_s);
}

TEST_F(Frekvence, ShowFrekvenceListsTodayBeforeTheWindowShowsAndOkClosesIt)
{
    const QDate today = QDate::currentDate();
    const QDate otherDay = today.day() == 1 ? today.addDays(1) : today.addDays(-1);
    WriteLog(today, {Line(otherDay, 8, 30, u"Jindy"_s), Line(today, 9, 45, u"Dnes"_s)});

    bool seen = false;
    test::WhenModal<TDlgFrekvence>([&](TDlgFrekvence& dialog) {
        seen = true;
        EXPECT_EQ(dialog.DateEdit->date(), today);
        EXPECT_TRUE(dialog.RbDen->isChecked());
        EXPECT_EQ(Column(dialog, colName), QStringList{u"Dnes"_s});
        EXPECT_EQ(dialog.TimeLabel->text(), u"Celková doba připojení "_s + FormatDuration(45.0 / 1440.0));
        dialog.qnDialogButtons1->Button(bkOK)->click();
    });
    ShowFrekvence();
    EXPECT_TRUE(seen);
}

TEST_F(Frekvence, EveryChangeOfModeOrDateRecalculates)
{
    const QDate may4(2002, 5, 4);
    WriteLog(QDate(2002, 1, 1), {Line(QDate(2002, 1, 3), 10, 60, u"Leden"_s)});
    WriteLog(may4, {Line(may4, 13, 60, u"Internet"_s), Line(QDate(2002, 5, 6), 8, 90, u"Práce, domů"_s)});
    WriteLog(QDate(2002, 10, 1), {Line(QDate(2002, 10, 2), 10, 60, u"Říjen"_s)});

    TDlgFrekvence dialog;
    dialog.SetDate(may4);
    EXPECT_EQ(Column(dialog, colName), QStringList{u"Internet"_s});
    EXPECT_EQ(Column(dialog, colFrom), QStringList{SessionColumnText({{}, Ole(may4, 13)}, colFrom)});

    dialog.RbMesic->click();
    EXPECT_EQ(Column(dialog, colName), (QStringList{u"Internet"_s, u"Práce, domů"_s}));
    EXPECT_EQ(Column(dialog, colDuration), (QStringList{FormatDuration(1.0 / 24), FormatDuration(1.5 / 24)}));
    EXPECT_EQ(Column(dialog, colSpeed), (QStringList{u"28800"_s, u"28800"_s}));
    EXPECT_EQ(dialog.TimeLabel->text(), u"Celková doba připojení "_s + FormatDuration(2.5 / 24));

    dialog.RbRok->click();
    EXPECT_EQ(Column(dialog, colName),
              (QStringList{u"Leden"_s, u"Říjen"_s, u"Internet"_s, u"Práce, domů"_s}));
    EXPECT_EQ(dialog.TimeLabel->text(), u"Celková doba připojení "_s + FormatDuration(4.5 / 24));

    dialog.DateEdit->setDate(QDate(2003, 5, 4));
    EXPECT_EQ(dialog.ConList->model()->rowCount(), 0);
    EXPECT_EQ(dialog.TimeLabel->text(), u"Celková doba připojení "_s + FormatDuration(0.0));

    // Setting the date it already shows still recalculates: the log may have grown.
    WriteLog(QDate(2003, 5, 1), {Line(QDate(2003, 5, 4), 10, 60, u"Nový"_s)});
    dialog.SetDate(QDate(2003, 5, 4));
    EXPECT_EQ(Column(dialog, colName), QStringList{u"Nový"_s});
}

TEST_F(Frekvence, AMalformedStartEmptiesTheListKeepsTheTotalAndRestoresTheCursor)
{
    const QDate may4(2002, 5, 4);
    WriteLog(may4, {Line(may4, 13, 60, u"Internet"_s)});
    TDlgFrekvence dialog;
    dialog.SetDate(may4);
    const QString total = dialog.TimeLabel->text();
    ASSERT_EQ(total, u"Celková doba připojení "_s + FormatDuration(1.0 / 24));

    WriteLog(may4, {Line(may4, 13, 60, u"Internet"_s), u"37381?x=37381?5,0,0,Vadný"_s});
    QString boxText;
    bool cursorWhileBox = true;
    test::WhenModal<QMessageBox>([&](QMessageBox& box) {
        boxText = box.text();
        cursorWhileBox = QGuiApplication::overrideCursor() != nullptr;
        box.accept();
    });
    dialog.RbMesic->click();

    EXPECT_TRUE(boxText.contains(u"37381?x"_s)) << boxText.toStdString();
    EXPECT_TRUE(boxText.contains(u"20025.txt"_s)) << boxText.toStdString();
    EXPECT_FALSE(cursorWhileBox);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(dialog.ConList->model()->rowCount(), 0);
    EXPECT_EQ(dialog.ConListData(0, colName), QString());
    EXPECT_EQ(dialog.TimeLabel->text(), total);
}

TEST_F(Frekvence, AYearListsItsFilesInTheTextOrderOfTheirNames)
{
    for (int month = 1; month <= 12; ++month) {
        QStringList lines;
        for (int i = 0; i < 500; ++i)
            lines.append(Line(QDate(2002, month, 1 + i % 28), i / 28, 30, u"Připojení %1"_s.arg(i)));
        WriteLog(QDate(2002, month, 1), lines);
    }
    TDlgFrekvence dialog;
    dialog.RbRok->setChecked(true);
    dialog.SetDate(QDate(2002, 7, 1));
    ASSERT_EQ(dialog.ConList->model()->rowCount(), 6000);
    // January's file comes first, then October: row 500 is October's first line.
    EXPECT_EQ(dialog.ConListData(500, colDate), SessionColumnText({{}, Ole(QDate(2002, 10, 1))}, colDate));
    EXPECT_EQ(dialog.ConListData(5999, colName), u"Připojení 499"_s);
    EXPECT_EQ(dialog.TimeLabel->text(), u"Celková doba připojení "_s + FormatDuration(6000 * 30 / 1440.0));
}

TEST_F(Frekvence, AWindowDestroyedWhileShownDropsItsRowsFirst)
{
    // Enough sessions that their freed memory goes back to the system at once.
    const QDate may4(2002, 5, 4);
    QStringList lines;
    for (int i = 0; i < 5000; ++i) {
        const double start = Ole(may4) + i / 1440.0;
        lines.append(FloatToSafeStr(start) + u'=' + FloatToSafeStr(start + 0.0005) + u",0,0,Internet"_s);
    }
    WriteLog(may4, lines);
    auto dialog = std::make_unique<TDlgFrekvence>();
    dialog->RbMesic->setChecked(true);
    dialog->SetDate(may4);
    dialog->show();
    QApplication::processEvents();
    ASSERT_EQ(dialog->ConList->model()->rowCount(), 5000);
    dialog->Prepocitej(); // leaves the list's layout pending
    dialog.reset();       // hiding the list on the way must not read the sessions
}

// The machine's locale is C.UTF-8 here (the tests' environment, and Debian's default);
// the window reads Czech all the same.
TEST_F(Frekvence, UnderTheCLocaleDatesTimesAndDurationsReadCzech)
{
    ASSERT_EQ(QLocale::system().language(), QLocale::C);
    const QDate day(2026, 12, 9);
    const auto at = [&](int h, int m, int s) {
        return Ole(day, h, m) + s / 86400.0;
    };
    // Stamps two seconds apart, which subtract to 1.999... s, and a session of 1 h 0 min 0.6 s.
    WriteLog(day,
             {FloatToSafeStr(at(2, 3, 35)) + u'=' + FloatToSafeStr(at(2, 3, 37)) + u",28800,1000,Internet"_s,
              FloatToSafeStr(at(14, 0, 0)) + u'=' + FloatToSafeStr(at(15, 0, 0) + 0.6 / 86400.0) +
                  u",28800,1000,Práce"_s});
    TDlgFrekvence dialog;
    dialog.SetDate(day);

    EXPECT_EQ(dialog.DateEdit->text(), u"09.12.2026"_s);
    EXPECT_EQ(Column(dialog, colDate), (QStringList{u"09.12.2026"_s, u"09.12.2026"_s}));
    EXPECT_EQ(Column(dialog, colFrom), (QStringList{u"2:03:35"_s, u"14:00:00"_s}));
    EXPECT_EQ(Column(dialog, colTo), (QStringList{u"2:03:37"_s, u"15:00:01"_s})); // rounded too
    EXPECT_EQ(Column(dialog, colDuration), (QStringList{u"0:00:02"_s, u"1:00:01"_s}));
    // 1.999... s + 1 h 0.6 s: rounded once, as a whole.
    EXPECT_EQ(dialog.TimeLabel->text(), u"Celková doba připojení 1:00:03"_s);

    // Nothing is cut: the label holds its word, and the date column its date.
    dialog.show();
    const QFontMetrics label = dialog.Label1->fontMetrics();
    EXPECT_GE(dialog.Label1->contentsRect().width(), label.horizontalAdvance(u"Datum"_s));
    EXPECT_LT(dialog.Label1->geometry().right(), dialog.DateEdit->geometry().left());
    const QFontMetrics cell = dialog.ConList->fontMetrics();
    EXPECT_GT(dialog.ConList->header()->sectionSize(colDate), cell.horizontalAdvance(u"09.12.2026"_s) + 6);
}
