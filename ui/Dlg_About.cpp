#include "ui/Dlg_About.h"

#include "ui/Pictures.h"
#include "ui/Placement.h"
#include "ui/ShellOpen.h"

#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <algorithm>

namespace nuvex {

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QPoint at)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(at);
    label->adjustSize();
    return label;
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent)
    : TFixedDialog(parent,
                   Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("O programu"));
    FixWindowSize(this, {298, 158});
    // The layout is in pixels for an 8-point font at 96 dpi: keep the text that size.
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setGeometry(8, 8, 281, 118);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setLineWidth(2);

    Image1 = new QLabel(panel);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(52, 11, 32, 32);
    Image1->setPixmap(ProgramIconPixmap(32));

    ProgramIcon = new QLabel(panel);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(164, 7, 70, 40);
    ProgramIcon->setPixmap(RenderPicture(QStringLiteral(":/images/logo.svg"), QSize(70, 40)));

    RxLabel2 =
        MakeLabel(panel, "RxLabel2", QStringLiteral("Nuvex - hlídač telefonického připojení"), {21, 50});
    QFont title(QStringLiteral("Arial"));
    title.setBold(true);
    title.setPixelSize(13);
    RxLabel2->setFont(title);
    RxLabel2->adjustSize();
    RxLabel1 = MakeLabel(panel, "RxLabel1", QStringLiteral("Copyright © 2026"), {78, 73});
    RxLabel3 = MakeLabel(panel, "RxLabel3", QStringLiteral("Vývojáři programu Nuvex"), {27, 93});
    RxLabel4 = MakeLabel(panel, "RxLabel4", kMakerMail, {165, 93});
    QPalette blue = RxLabel4->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    RxLabel4->setPalette(blue);
    RxLabel4->setCursor(Qt::PointingHandCursor);
    RxLabel4->installEventFilter(this);
    // The two labels of the bottom line share it, centred: the address goes on from the
    // name. A font wider than the one the layout was made for widens the window, so that
    // the address is never cut at the panel's edge.
    constexpr int kGap = 6;
    constexpr int kMargin = 8;
    const int line = RxLabel3->width() + kGap + RxLabel4->width();
    const int grow = std::max(0, line + 2 * kMargin - panel->width());
    if (grow > 0) {
        FixWindowSize(this, {width() + grow, height()});
        panel->resize(panel->width() + grow, panel->height());
        ProgramIcon->move(ProgramIcon->x() + grow / 2, ProgramIcon->y());
        Image1->move(Image1->x() + grow / 2, Image1->y());
        RxLabel1->move(RxLabel1->x() + grow / 2, RxLabel1->y());
        RxLabel2->move(RxLabel2->x() + grow / 2, RxLabel2->y());
    }
    const int left = std::min(RxLabel3->x(), (panel->width() - line) / 2);
    RxLabel3->move(left, RxLabel3->y());
    RxLabel4->move(left + RxLabel3->width() + kGap, RxLabel4->y());

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry((width() - 75) / 2, 130, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, [this] { done(1); });

    // Centred before the window exists, as it always was (see TDlgSetup).
    CentreOnScreen(this);
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == RxLabel4 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        RxLabel4Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutBox::RxLabel4Click()
{
    ShellOpen(u"mailto:" + RxLabel4->text(), QString(), QString(), SW_SHOW);
}

void ShowAboutBox()
{
    TAboutBox box;
    box.exec();
}

} // namespace nuvex
