#include "MainWindowFixture.h"
#include "gui/UserActions.h"
#include "news/Dlg_Novinky.h"
#include "news/Dm_ic.h"
#include "news/NewsText.h"
#include "news/ShadowLabel.h"
#include "news/VersionInfo.h"

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QRegularExpression>
#include <QScreen>
#include <cmath>
#include <map>

using namespace nuvex;
using namespace Qt::StringLiterals;
namespace fs = std::filesystem;

namespace {

// Records every window that is shown while it lives.
class ShownWindows : public QObject
{
public:
    ShownWindows() { qApp->installEventFilter(this); }
    ~ShownWindows() override { qApp->removeEventFilter(this); }
    std::vector<QString> names;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget->isWindow())
                names.push_back(widget->objectName());
        return false;
    }
};

// Opens the news window through ShowNewsWindow and lets act play the user in it once its
// modal loop runs. A window left open fails the test and is closed.
bool RunNewsWindow(bool show, const QStringList& news, const std::function<void(TDlgNovinky&)>& act)
{
    test::ModalWatchdog watchdog;
    bool acted = false;
    test::WhenModal<TDlgNovinky>([&](TDlgNovinky& dialog) {
        acted = true;
        act(dialog);
    });
    ShowNewsWindow(show, u"Nuvex 2 © 2026"_s, news);
    EXPECT_TRUE(acted);
    return show;
}

// Closes the news window the way named: "OK", "Enter", "Esc" or the close box ("close").
void CloseNewsWindow(TDlgNovinky& dialog, const std::string& way)
{
    if (way == "OK")
        dialog.qnDialogButtons1->Button(bkOK)->click();
    else if (way == "close")
        dialog.close();
    else
        test::SendKey(dialog.focusWidget() ? dialog.focusWidget() : &dialog,
                      way == "Enter" ? Qt::Key_Return : Qt::Key_Escape);
}

bool Whitish(QRgb pixel)
{
    return qRed(pixel) >= 200 && qGreen(pixel) >= 200 && qBlue(pixel) >= 200;
}

int WhitishPixels(const QImage& image, int left, int right, int top, int bottom)
{
    int count = 0;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x)
            count += Whitish(image.pixel(x, y)) ? 1 : 0;
    return count;
}

// Every file below root with its content and modification time.
std::map<std::string, std::string> FileTree(const fs::path& root)
{
    std::map<std::string, std::string> tree;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        const std::string name = fs::relative(item.path(), root).string();
        if (!item.is_regular_file()) {
            tree[name] = "<folder>";
            continue;
        }
        tree[name] = test::ReadPlainBytes(item.path()) + "@" +
                     std::to_string(item.last_write_time().time_since_epoch().count());
    }
    return tree;
}

using DataModule = test::MainWindowFixture;

class NewsWindow : public ::testing::Test
{
protected:
    test::Sandbox sandbox;
};
using NewsStrip = NewsWindow;
using NewsText = NewsWindow;

} // namespace

TEST_F(NewsStrip, LaidOutStripHasFortyBandsOfFourRowsAndThirtyRedRows)
{
    const auto bands = NewsStripBands(QRect(0, 0, 41, 190));
    ASSERT_EQ(bands.size(), 41u);
    for (int k = 0; k < 40; ++k) {
        const TStripBand& band = bands[static_cast<std::size_t>(k)];
        EXPECT_EQ(band.rect, QRect(0, 4 * k, 41, 4)) << "band " << k;
        // 255 + MulDiv(k, -255, 39), rounded to the nearest.
        const int greenBlue = 255 - static_cast<int>(std::round(255.0 * k / 39.0));
        EXPECT_EQ(band.color, QColor(255, greenBlue, greenBlue)) << "band " << k;
    }
    EXPECT_EQ(bands[0].color, QColor(255, 255, 255));
    EXPECT_EQ(bands[1].color, QColor(255, 248, 248));
    EXPECT_EQ(bands[13].color, QColor(255, 170, 170));
    EXPECT_EQ(bands[39].color, QColor(255, 0, 0));
    EXPECT_EQ(bands[40].rect, QRect(0, 160, 41, 30));
    EXPECT_EQ(bands[40].color, QColor(255, 0, 0));
}

TEST_F(NewsStrip, BandsCoverEveryRowOnceAtAnyHeightAndPlace)
{
    for (int height : {2, 3, 39, 40, 41, 79, 80, 81, 1000}) {
        const QRect area(7, 13, 5, height);
        const auto bands = NewsStripBands(area);
        const int count = std::min(40, height);
        ASSERT_GE(bands.size(), static_cast<std::size_t>(count)) << height;
        std::vector<int> covered(static_cast<std::size_t>(height), 0);
        int lastGreen = 256;
        for (std::size_t i = 0; i < bands.size(); ++i) {
            const TStripBand& band = bands[i];
            EXPECT_EQ(band.rect.left(), area.left());
            EXPECT_EQ(band.rect.width(), area.width());
            EXPECT_EQ(band.color.red(), 255);
            EXPECT_EQ(band.color.green(), band.color.blue());
            // Each band darker than the one above; the rows left over repeat the last band's red.
            if (i < static_cast<std::size_t>(count)) {
                EXPECT_LT(band.color.green(), lastGreen) << "height " << height << ": not from white to red";
            }
            lastGreen = band.color.green();
            for (int y = band.rect.top(); y <= band.rect.bottom(); ++y)
                ++covered[static_cast<std::size_t>(y - area.top())];
        }
        EXPECT_EQ(bands.front().color, QColor(255, 255, 255)) << height;
        EXPECT_EQ(bands.back().color, QColor(255, 0, 0)) << height;
        EXPECT_EQ(bands.size(), static_cast<std::size_t>(count + (height % count ? 1 : 0))) << height;
        EXPECT_EQ(std::count(covered.begin(), covered.end(), 1), height) << height;
    }
}

TEST_F(NewsStrip, OddBandCountsRoundHalvesAwayFromZero)
{
    // Three bands: the middle one is 255 + MulDiv(1, -255, 2) = 255 - 128 (127.5 rounded up).
    const auto bands = NewsStripBands(QRect(0, 0, 1, 3));
    ASSERT_EQ(bands.size(), 3u);
    EXPECT_EQ(bands[1].color, QColor(255, 127, 127));
    EXPECT_EQ(MulDivRounded(1, 255, 2), 128);
    EXPECT_EQ(MulDivRounded(1, -255, 2), -128);
    EXPECT_EQ(MulDivRounded(-1, 255, -2), 128);
    EXPECT_EQ(MulDivRounded(1, 1, 3), 0);
    EXPECT_EQ(MulDivRounded(2, 1, 3), 1);
    EXPECT_EQ(MulDivRounded(100000, 100000, 100000), 100000) << "the product overflows an int";
}

TEST_F(NewsStrip, LowOrEmptyStrips)
{
    // One row: two bands without rows, and the row left over is pure red.
    const auto oneRow = NewsStripBands(QRect(0, 0, 41, 1));
    ASSERT_EQ(oneRow.size(), 3u);
    EXPECT_TRUE(oneRow[0].rect.isEmpty());
    EXPECT_TRUE(oneRow[1].rect.isEmpty());
    EXPECT_EQ(oneRow[2].rect, QRect(0, 0, 41, 1));
    EXPECT_EQ(oneRow[2].color, QColor(255, 0, 0));

    EXPECT_TRUE(NewsStripBands(QRect()).empty());
    EXPECT_TRUE(NewsStripBands(QRect(0, 0, 41, 0)).empty());
    EXPECT_TRUE(NewsStripBands(QRect(0, 0, 0, 190)).empty());
}

TEST_F(NewsWindow, WithShowFalseNothingOpensAndTheFlagStaysFalse)
{
    ShownWindows shown;
    bool show = false;
    ShowNewsWindow(show, u"Nuvex"_s, {u"8. prosinec 2026"_s, u"- novinka"_s});
    EXPECT_FALSE(show);
    EXPECT_TRUE(shown.names.empty());
}

TEST_F(NewsWindow, ResultFollowsTheBoxHoweverTheWindowCloses)
{
    for (const char* way : {"OK", "Enter", "Esc", "close"}) {
        for (bool check : {false, true}) {
            bool stillOpen = false;
            const bool show = RunNewsWindow(true, {u"- novinka"_s}, [&](TDlgNovinky& dialog) {
                // A fresh window every time: the box starts unchecked, the bar has the focus.
                EXPECT_FALSE(dialog.ChxNoShow->isChecked()) << way;
                EXPECT_EQ(dialog.focusWidget(), dialog.qnDialogButtons1->Button(bkOK)) << way;
                dialog.findChild<QCheckBox*>(u"ChxNoShow"_s)->setChecked(check);
                CloseNewsWindow(dialog, way);
                stillOpen = dialog.isVisible();
            });
            EXPECT_FALSE(stillOpen) << way;
            EXPECT_EQ(show, !check) << way << (check ? " checked" : " unchecked");
        }
    }
}

TEST_F(NewsWindow, ShowsTheLinesAsTheyAreAndOpensWithoutAny)
{
    const QStringList news{u"8. prosinec 2026"_s, u"- Hlídá čísla"_s, u"  a zavěšuje."_s, QString(),
                           u"1. leden 2001"_s,    u"- první"_s};
    QString shownText;
    QString title;
    RunNewsWindow(true, news, [&](TDlgNovinky& dialog) {
        shownText = dialog.Memo1->toPlainText();
        title = dialog.Title();
        dialog.accept();
    });
    EXPECT_EQ(shownText.split(u'\n'), news);
    EXPECT_EQ(title, u"Nuvex 2 © 2026"_s);

    bool opened = false;
    const bool show = RunNewsWindow(true, {}, [&](TDlgNovinky& dialog) {
        opened = true;
        EXPECT_TRUE(dialog.Memo1->toPlainText().isEmpty());
        dialog.accept();
    });
    EXPECT_TRUE(opened);
    EXPECT_TRUE(show);
}

TEST_F(NewsWindow, HasNoTitleBarAndKeepsItsLayout)
{
    TDlgNovinky dialog;
    dialog.show();
    EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(dialog.size(), QSize(391, 236));
    EXPECT_EQ(dialog.frameGeometry().size(), QSize(391, 236));
    const QScreen* screen = dialog.screen();
    ASSERT_NE(screen, nullptr);
    EXPECT_LE((dialog.frameGeometry().center() - screen->availableGeometry().center()).manhattanLength(), 2);

    EXPECT_EQ(dialog.Panel1->geometry(), QRect(8, 9, 376, 194));
    EXPECT_EQ(dialog.PaintBox1->size(), QSize(41, 190));
    EXPECT_EQ(dialog.Image1->parentWidget(), dialog.Panel2);
    EXPECT_EQ(dialog.Image1->geometry(), QRect(3, 3, 32, 32));
    EXPECT_FALSE(dialog.Image1->pixmap().isNull());
    EXPECT_EQ(dialog.RxLabel1->text(), u"Co je nového ..."_s);
    EXPECT_EQ(dialog.RxLabel1->pos(), QPoint(5, 4));
    EXPECT_LE(dialog.RxLabel1->geometry().bottom(), dialog.Shape1->y());
    EXPECT_EQ(dialog.Shape1->height(), 4);
    EXPECT_EQ(dialog.Memo1->geometry().top(), dialog.Shape1->geometry().bottom() + 1);
    EXPECT_EQ(dialog.Memo1->geometry().bottom(), dialog.Panel3->height() - 1);
    EXPECT_EQ(dialog.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    EXPECT_EQ(dialog.qnDialogButtons1->geometry(), QRect(0, 206, 391, 30));
    ASSERT_EQ(dialog.qnDialogButtons1->ButtonList().size(), 1u);
    QPushButton* ok = dialog.qnDialogButtons1->Button(bkOK);
    EXPECT_EQ(ok->text(), u"OK"_s);
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(dialog.ChxNoShow->text(), u"&Beru to na vědomí"_s);
    EXPECT_EQ(dialog.ChxNoShow->geometry(), QRect(9, 211, 168, 17));
    // Over the bar's empty left part, and clickable there.
    EXPECT_EQ(dialog.childAt(20, 219), dialog.ChxNoShow);
    EXPECT_FALSE(
        dialog.ChxNoShow->geometry().intersects(ok->geometry().translated(dialog.qnDialogButtons1->pos())));
}

TEST_F(NewsWindow, StripIsWhiteToRedWithTheTextsRunningUpFromNearTheBottom)
{
    // The build text ("build 2.0.0.1") is longer than the title below.
    ASSERT_TRUE(BuildText().startsWith(u"build "_s));
    ASSERT_GE(BuildText().size(), 13);
    TDlgNovinky dialog;
    dialog.SetTitle(u"Nuvex"_s);
    const QImage strip = dialog.Panel2->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(strip.size(), QSize(41, 190));

    EXPECT_EQ(QColor(strip.pixel(40, 0)), QColor(255, 255, 255));
    EXPECT_EQ(QColor(strip.pixel(40, 100)), QColor(255, 255 - 163, 255 - 163)); // band 25
    EXPECT_EQ(QColor(strip.pixel(40, 189)), QColor(255, 0, 0));
    // The icon lies over the strip's upper end.
    EXPECT_NE(QColor(strip.pixel(19, 7)), QColor(strip.pixel(40, 7)));

    // Both texts start 5 pixels above the bottom: nothing white below that.
    EXPECT_EQ(WhitishPixels(strip, 0, 40, 187, 189), 0);
    // The title, nearer the left edge, is short: it ends far below the strip's middle.
    EXPECT_GT(WhitishPixels(strip, 5, 19, 160, 185), 20);
    EXPECT_EQ(WhitishPixels(strip, 5, 19, 80, 130), 0);
    // The build text beside it is longer and reaches higher.
    EXPECT_GT(WhitishPixels(strip, 20, 36, 160, 185), 20);
    EXPECT_GT(WhitishPixels(strip, 20, 36, 100, 140), 20);
}

TEST_F(NewsText, LoadsTheChangeHistoryNewestFirst)
{
    const QStringList lines = LoadNewsLines();
    ASSERT_FALSE(lines.isEmpty());

    static const QStringList months{u"leden"_s,  u"únor"_s,   u"březen"_s,   u"duben"_s,
                                    u"květen"_s, u"červen"_s, u"červenec"_s, u"srpen"_s,
                                    u"září"_s,   u"říjen"_s,  u"listopad"_s, u"prosinec"_s};
    const QRegularExpression dateLine(u"^([1-9]|[12][0-9]|3[01])\\. (\\S+) (\\d{4})$"_s);
    auto dateOf = [&](const QString& line) -> std::optional<int> {
        const auto match = dateLine.match(line);
        if (!match.hasMatch() || !months.contains(match.captured(2)))
            return std::nullopt;
        return match.captured(3).toInt() * 10000 + (months.indexOf(match.captured(2)) + 1) * 100 +
               match.captured(1).toInt();
    };

    ASSERT_TRUE(dateOf(lines.first())) << lines.first().toStdString();
    std::optional<int> previousDate;
    QString previous;
    for (const QString& line : lines) {
        EXPECT_FALSE(line.contains(u'\r'));
        if (line.isEmpty()) {
            EXPECT_FALSE(previous.isEmpty()) << "two empty lines in a row";
        } else if (const auto date = dateOf(line)) {
            EXPECT_TRUE(previous.isEmpty())
                << "a date line that does not start an entry: " << line.toStdString();
            if (previousDate) {
                EXPECT_LE(*date, *previousDate) << "not newest first: " << line.toStdString();
            }
            previousDate = date;
        } else if (line.startsWith(u"- "_s)) {
            EXPECT_FALSE(previous.isEmpty()) << "an item without a date: " << line.toStdString();
        } else {
            EXPECT_TRUE(line.startsWith(u' '))
                << "neither date, item nor continuation: " << line.toStdString();
            EXPECT_FALSE(previous.isEmpty() || dateOf(previous)) << line.toStdString();
        }
        previous = line;
    }
    EXPECT_FALSE(lines.last().isEmpty());
}

TEST_F(DataModule, InternetUpdateChangesNothingAndShowsNothing)
{
    Options->SetLastNewsVersion(u"2.0.0.1"_s);
    Options->SetNewsPending(false);
    platform::rasstandin::AddEntry("Internet", {420, "2", "123456"});
    platform::rasstandin::Dial("Internet");
    MakeWindow(); // its menu command as well
    const QString log = Access().LogMemo()->toPlainText();
    const auto before = FileTree(sandbox.dir());

    ShownWindows shown;
    {
        TDm dm;
        EXPECT_EQ(TDm::Current(), &dm);
        QAction update(u"&Internet update"_s);
        QObject::connect(&update, &QAction::triggered, &dm, &TDm::InternetUpdate);
        for (int i = 0; i < 3; ++i) {
            dm.InternetUpdate();
            update.trigger();
            Access().IUpdate()->trigger();
        }
        QApplication::processEvents();
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
    EXPECT_EQ(TDm::Current(), nullptr);
    EXPECT_EQ(FileTree(sandbox.dir()), before);
    EXPECT_TRUE(boxes.calls.empty());
    EXPECT_TRUE(shown.names.empty());
    EXPECT_EQ(Access().LogMemo()->toPlainText(), log);
    EXPECT_EQ(Options->LastNewsVersion(), u"2.0.0.1"_s);
    EXPECT_FALSE(Options->NewsPending());
}

TEST_F(DataModule, ImageZeroMarksARecordWithANote)
{
    TDm dm;
    ASSERT_FALSE(dm.ImageList1.empty());
    const QIcon& note = dm.ImageList1[imgPwdWithNote];
    ASSERT_FALSE(note.isNull());
    const QImage image = note.pixmap(16, 16).toImage();
    ASSERT_FALSE(image.isNull());
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            opaque += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    EXPECT_GT(opaque, 30);
}
