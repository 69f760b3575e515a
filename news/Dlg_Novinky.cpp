#include "news/Dlg_Novinky.h"

#include "news/ShadowLabel.h"
#include "news/VersionInfo.h"
#include "ui/Pictures.h"
#include "ui/Placement.h"
#include "ui/qnDialogButtons.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>
#include <qdrawutil.h>

using namespace Qt::StringLiterals;

namespace nuvex {

namespace {

constexpr QSize kClientSize(391, 236);
constexpr QRect kPanel1Geometry(8, 9, 376, 194);
constexpr int kPanel1Edge = 2; // the sunken edge of Panel1, as wide as a client edge
constexpr int kStripWidth = 41;
constexpr int kSpacerHeight = 30;
constexpr int kShapeHeight = 4;
constexpr int kIconSize = 32;
constexpr QRect kChxNoShowGeometry(9, 211, 168, 17);

void FillWith(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// Fonts were sized in pixels at 96 dpi; the window's pixel layout depends on them.
QFont ArialPixels(int pixels, bool bold)
{
    QFont font;
    // Arial, or a font with the same metrics where it is missing.
    font.setFamilies({u"Arial"_s, u"Liberation Sans"_s, u"Nimbus Sans"_s, u"Arimo"_s, u"Helvetica"_s});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

} // namespace

TDlgNovinky::TDlgNovinky(QWidget* parent) : TFixedDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(u"DlgNovinky"_s);
    // Kept for the task bar and window lists, though the window shows no title bar.
    setWindowTitle(u"Novinky po posledním update"_s);
    FixWindowSize(this, kClientSize);

    CreatePanels();
    CreateStrip();
    CreateNewsArea();
    CreateButtons();
}

TDlgNovinky::~TDlgNovinky() = default;

void TDlgNovinky::CreatePanels()
{
    Panel1 = new QFrame(this);
    Panel1->setObjectName(u"Panel1"_s);
    Panel1->setGeometry(kPanel1Geometry);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(kPanel1Edge);
    FillWith(Panel1, palette().color(QPalette::Window));

    const QRect inside = Panel1->contentsRect();
    Panel2 = new QWidget(Panel1);
    Panel2->setObjectName(u"Panel2"_s);
    Panel2->setGeometry(inside.x(), inside.y(), kStripWidth, inside.height());

    Panel3 = new QWidget(Panel1);
    Panel3->setObjectName(u"Panel3"_s);
    Panel3->setGeometry(inside.x() + kStripWidth, inside.y(), inside.width() - kStripWidth, inside.height());
    FillWith(Panel3, palette().color(QPalette::Base));
}

void TDlgNovinky::CreateStrip()
{
    PaintBox1 = new TNewsStripBox(Panel2);
    PaintBox1->setObjectName(u"PaintBox1"_s);
    PaintBox1->setGeometry(Panel2->rect());
    PaintBox1->SetBuildText(BuildText());

    // Created after the strip, so it lies on top of it.
    Image1 = new QLabel(Panel2);
    Image1->setObjectName(u"Image1"_s);
    Image1->setGeometry(3, 3, kIconSize, kIconSize);
    Image1->setPixmap(ProgramIconPixmap(kIconSize));
}

void TDlgNovinky::CreateNewsArea()
{
    const int width = Panel3->width();
    // The spacer above the red line keeps the heading's room.
    Shape1 = new QFrame(Panel3);
    Shape1->setObjectName(u"Shape1"_s);
    Shape1->setGeometry(0, kSpacerHeight, width, kShapeHeight);
    FillWith(Shape1, QColor(255, 0, 0));

    const int memoTop = kSpacerHeight + kShapeHeight;
    Memo1 = new QPlainTextEdit(Panel3);
    Memo1->setObjectName(u"Memo1"_s);
    Memo1->setGeometry(0, memoTop, width, Panel3->height() - memoTop);
    Memo1->setFrameShape(QFrame::NoFrame);
    Memo1->setFont(ArialPixels(11, false));
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setTabChangesFocus(true);

    RxLabel1 = new TShadowLabel(u"Co je nového ..."_s, Panel3);
    RxLabel1->setObjectName(u"RxLabel1"_s);
    RxLabel1->setFont(ArialPixels(19, true));
    RxLabel1->SetShadow(palette().color(QPalette::Button), 2);
    RxLabel1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The heading keeps to the spacer above the red line, whatever the font's line height.
    const QSize heading = RxLabel1->sizeHint();
    RxLabel1->setGeometry(5, 4, heading.width(), std::min(heading.height(), kSpacerHeight - 4));
}

void TDlgNovinky::CreateButtons()
{
    qnDialogButtons1 = AddButtonBar(ButtonSet({bkOK}), 0);

    // Lies over the empty left part of the bar, so it is created after it.
    ChxNoShow = new QCheckBox(u"&Beru to na vědomí"_s, this);
    ChxNoShow->setObjectName(u"ChxNoShow"_s);
    ChxNoShow->setGeometry(kChxNoShowGeometry);
    ChxNoShow->setChecked(false);
    ChxNoShow->raise();

    if (QPushButton* ok = qnDialogButtons1->Button(bkOK)) {
        setTabOrder(ok, ChxNoShow);
        setTabOrder(ChxNoShow, Memo1);
    }
}

QString TDlgNovinky::Title() const
{
    return PaintBox1->Title();
}

void TDlgNovinky::SetTitle(const QString& title)
{
    PaintBox1->SetTitle(title);
}

void TDlgNovinky::SetNews(const QStringList& news)
{
    Memo1->setPlainText(news.join(u'\n'));
}

void TDlgNovinky::FirstShown()
{
    // The button bar has the focus: Enter and the space bar both press "OK".
    if (QPushButton* ok = qnDialogButtons1->Button(bkOK))
        ok->setFocus();
}

void TDlgNovinky::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    // Without a title bar the window loses its frame too; a raised edge inside the client
    // area keeps it apart from what lies behind it.
    QPainter painter(this);
    qDrawWinPanel(&painter, rect(), palette(), false);
}

void ShowNewsWindow(bool& show, const QString& title, const QStringList& news)
{
    if (!show)
        return;
    TDlgNovinky dialog;
    dialog.SetTitle(title);
    dialog.SetNews(news);
    dialog.exec();
    // However the window was closed (OK, Esc, or the system's close), only the box counts.
    show = !dialog.ChxNoShow->isChecked();
}

} // namespace nuvex
