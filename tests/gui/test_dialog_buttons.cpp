// The button bar, and the dialogs built on it: their fixed size, place and border.

#include "gui/PwdTestSupport.h"
#include "news/Dlg_Novinky.h"
#include "passwords/Dlg_ChangePwd.h"
#include "passwords/Dlg_PwdManager.h"
#include "passwords/Dlg_PwdMh.h"
#include "passwords/Dlg_PwdRecord.h"
#include "settings/Dlg_Setup.h"
#include "status/Dlg_Frekvence.h"
#include "ui/ContextHelp.h"
#include "ui/Dlg_About.h"
#include "ui/Dlg_Quorin.h"
#include "ui/FixedDialog.h"
#include "ui/Placement.h"

#include <QFrame>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>
#include <memory>

using namespace nuvex;
using namespace Qt::StringLiterals;

namespace {

QStringList Captions(const TqnDialogButtons& bar)
{
    QStringList captions;
    for (const QPushButton* button : bar.ButtonList())
        captions << button->text();
    return captions;
}

std::vector<QPoint> Positions(const TqnDialogButtons& bar)
{
    std::vector<QPoint> positions;
    for (const QPushButton* button : bar.ButtonList())
        positions.push_back(button->pos());
    return positions;
}

// Runs the dialog modally and presses key in it once its loop runs, the way a user
// would: at the focused control, from where an unhandled key goes up to the dialog.
// A dialog the key does not end is ended with -1 so that the test cannot hang.
int ExecPressing(QDialog& dialog, Qt::Key key, int patienceMs = 5000)
{
    QTimer::singleShot(0, &dialog, [&dialog, key] {
        test::SendKey(dialog.focusWidget() ? dialog.focusWidget() : &dialog, key);
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &dialog, [&dialog] { dialog.done(-1); });
    guard.start(patienceMs);
    return dialog.exec();
}

constexpr TqndbButtons kEveryKind =
    ButtonSet({bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll});

class DialogButtons : public ::testing::Test
{
protected:
    test::Sandbox sandbox;
    QWidget parent;
};
using BaseDialog = DialogButtons;
using FixedDialog = DialogButtons;
using EveryDialog = test::PwdFixture;

TEST_F(DialogButtons, CreatesEveryKindInFixedOrderWithCaptionsGlyphsAndSize)
{
    TqnDialogButtons bar(&parent);
    EXPECT_EQ(bar.Buttons(), ButtonSet({bkOK, bkCancel, bkHelp}));
    EXPECT_EQ(Captions(bar), (QStringList{u"OK"_s, u"Storno"_s, u"Pomoc"_s}));
    EXPECT_EQ(bar.Orientation(), dboHorizontalRight);
    EXPECT_FALSE(bar.ShowSeparator());
    EXPECT_EQ(bar.HelpContext(), 0);
    EXPECT_EQ(bar.height(), 32);

    bar.SetButtons(kEveryKind);
    EXPECT_EQ(Captions(bar), (QStringList{u"Vše"_s, u"OK"_s, u"Ano"_s, u"Ne"_s, u"Zavřít"_s, u"Přerušit"_s,
                                          u"Znovu"_s, u"Ignorovat"_s, u"Storno"_s, u"Pomoc"_s}));
    for (QPushButton* button : bar.ButtonList()) {
        EXPECT_EQ(button->size(), QSize(75, 25)) << button->text().toStdString();
        EXPECT_FALSE(button->icon().isNull()) << button->text().toStdString();
        EXPECT_EQ(button->parentWidget(), &bar);
    }
    EXPECT_EQ(bar.Button(bkNo)->text(), u"Ne"_s);
    EXPECT_EQ(bar.Button(bkCustom), nullptr);
    // Only one default per dialog: OK comes before Ano.
    EXPECT_TRUE(bar.Button(bkOK)->isDefault());
    EXPECT_FALSE(bar.Button(bkYes)->isDefault());
}

TEST_F(DialogButtons, EmptyOrCustomOnlySetsLeaveNoButtonsAndAnUnchangedSetKeepsThem)
{
    TqnDialogButtons bar(&parent);
    const std::vector<QPushButton*> before = bar.ButtonList();
    before[1]->setEnabled(false);
    bar.SetButtons(ButtonSet({bkHelp, bkCancel, bkOK}));
    EXPECT_EQ(bar.ButtonList(), before);
    EXPECT_FALSE(bar.ButtonList()[1]->isEnabled());

    bar.SetButtons(0);
    EXPECT_TRUE(bar.ButtonList().empty());
    bar.SetButtons(ButtonSet({bkCustom}));
    EXPECT_TRUE(bar.ButtonList().empty());
    EXPECT_EQ(bar.Button(bkOK), nullptr);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(bar.findChildren<QPushButton*>().isEmpty());
}

TEST_F(DialogButtons, ChangingTheSetFromOneOfItsOwnButtonsIsSafe)
{
    TqnDialogButtons bar(&parent);
    QObject::connect(bar.Button(bkOK), &QPushButton::clicked, &bar, [&bar] {
        bar.SetButtons(ButtonSet({bkYes, bkNo}));
    });
    bar.Button(bkOK)->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Captions(bar), (QStringList{u"Ano"_s, u"Ne"_s}));
}

TEST_F(DialogButtons, HorizontalGeometryAlongTheBottom)
{
    parent.resize(364, 277);
    TqnDialogButtons bar(&parent);
    parent.show();
    EXPECT_EQ(bar.geometry(), QRect(0, 245, 364, 32));
    EXPECT_EQ(Positions(bar), (std::vector<QPoint>{{124, 5}, {204, 5}, {284, 5}}));
    EXPECT_EQ(bar.ButtonList().back()->geometry().right() + 1, 364 - 5);

    bar.SetOrientation(dboHorizontalLeft);
    EXPECT_EQ(Positions(bar), (std::vector<QPoint>{{5, 5}, {85, 5}, {165, 5}}));

    // The bar follows its parent and keeps its own height.
    bar.SetOrientation(dboHorizontalRight);
    bar.resize(bar.width(), 30);
    parent.resize(400, 300);
    EXPECT_EQ(bar.geometry(), QRect(0, 270, 400, 30));
    EXPECT_EQ(bar.ButtonList().front()->pos(), QPoint(160, 5));

    // No clipping: what does not fit lies outside the bar.
    parent.resize(100, 300);
    EXPECT_EQ(bar.ButtonList().front()->x(), 100 - 240);
}

TEST_F(DialogButtons, VerticalGeometryAlongTheRightEdge)
{
    parent.resize(364, 240);
    TqnDialogButtons bar(&parent);
    bar.SetButtons(ButtonSet({bkOK, bkCancel}));
    parent.show();
    bar.SetOrientation(dboVerticalBottom);
    EXPECT_EQ(bar.geometry(), QRect(364 - 82, 0, 82, 240));
    EXPECT_EQ(Positions(bar), (std::vector<QPoint>{{5, 180}, {5, 210}}));

    bar.SetOrientation(dboVerticalTop);
    EXPECT_EQ(Positions(bar), (std::vector<QPoint>{{5, 5}, {5, 35}}));

    parent.resize(300, 400);
    EXPECT_EQ(bar.geometry(), QRect(300 - 82, 0, 82, 400));
    bar.SetOrientation(dboVerticalBottom);
    EXPECT_EQ(Positions(bar), (std::vector<QPoint>{{5, 340}, {5, 370}}));

    bar.SetOrientation(dboHorizontalRight);
    EXPECT_EQ(bar.geometry(), QRect(0, 400 - 32, 300, 32));
}

TEST_F(DialogButtons, ALayoutThatHoldsTheBarKeepsItsThickness)
{
    auto* layout = new QVBoxLayout(&parent);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QWidget(&parent), 1);
    auto* bar = new TqnDialogButtons(&parent);
    layout->addWidget(bar);
    bar->resize(bar->width(), 30);
    parent.resize(364, 277);
    parent.show();
    EXPECT_EQ(bar->geometry(), QRect(0, 247, 364, 30));
    EXPECT_EQ(bar->ButtonList().front()->pos(), QPoint(124, 5));
    parent.resize(400, 300);
    QApplication::sendPostedEvents();
    EXPECT_EQ(bar->geometry(), QRect(0, 270, 400, 30));
}

TEST_F(DialogButtons, SeparatorLineAtTheTopOrLeftTwoPixelsWhenShown)
{
    parent.resize(364, 240);
    TqnDialogButtons bar(&parent);
    parent.show();
    QFrame* separator = bar.Separator();
    EXPECT_FALSE(separator->isVisible());
    EXPECT_EQ(separator->height(), 0);

    bar.SetShowSeparator(true);
    EXPECT_TRUE(separator->isVisible());
    EXPECT_EQ(separator->geometry(), QRect(0, 0, 364, 2));
    EXPECT_EQ(separator->frameShape(), QFrame::HLine);

    bar.SetOrientation(dboVerticalTop);
    EXPECT_EQ(separator->geometry(), QRect(0, 0, 2, 240));
    EXPECT_EQ(separator->frameShape(), QFrame::VLine);

    bar.SetShowSeparator(false);
    EXPECT_FALSE(separator->isVisible());
    EXPECT_EQ(separator->width(), 0);
}

TEST_F(DialogButtons, EnterAndEscEndTheDialogWithTheDefaultAndCancelResults)
{
    {
        QDialog dialog;
        new TqnDialogButtons(&dialog);
        EXPECT_EQ(ExecPressing(dialog, Qt::Key_Return), mrOk);
        EXPECT_EQ(ExecPressing(dialog, Qt::Key_Escape), mrCancel);
    }
    {
        QDialog dialog;
        auto* bar = new TqnDialogButtons(&dialog);
        bar->SetButtons(ButtonSet({bkYes, bkNo}));
        EXPECT_EQ(ExecPressing(dialog, Qt::Key_Return), mrYes);
        EXPECT_EQ(ExecPressing(dialog, Qt::Key_Escape), mrNo);
    }
    {
        // No cancel button: Esc is the dialog's own business.
        QDialog dialog;
        auto* bar = new TqnDialogButtons(&dialog);
        bar->SetButtons(ButtonSet({bkOK}));
        EXPECT_EQ(ExecPressing(dialog, Qt::Key_Escape), QDialog::Rejected);
    }
    {
        // A disabled cancel button keeps the dialog open.
        QDialog dialog;
        auto* bar = new TqnDialogButtons(&dialog);
        bar->Button(bkCancel)->setEnabled(false);
        EXPECT_EQ(ExecPressing(dialog, Qt::Key_Escape, 300), -1);
    }
}

TEST_F(DialogButtons, ClicksEndTheDialogWithTheKindsResultsAndCloseClosesTheWindow)
{
    const std::vector<std::pair<TBitBtnKind, int>> cases{
        {bkAll, mrAll},     {bkOK, mrOk},       {bkYes, mrYes},       {bkNo, mrNo},
        {bkAbort, mrAbort}, {bkRetry, mrRetry}, {bkIgnore, mrIgnore}, {bkCancel, mrCancel}};
    for (const auto& [kind, result] : cases) {
        QDialog dialog;
        auto* bar = new TqnDialogButtons(&dialog);
        bar->SetButtons(kEveryKind);
        dialog.show();
        bar->Button(kind)->click();
        EXPECT_FALSE(dialog.isVisible()) << kind;
        EXPECT_EQ(dialog.result(), result) << kind;
        EXPECT_EQ(TqnDialogButtons::ModalResultOf(kind), result);
    }

    QWidget window;
    auto* bar = new TqnDialogButtons(&window);
    bar->SetButtons(ButtonSet({bkClose, bkOK}));
    window.show();
    bar->Button(bkOK)->click(); // not a dialog: nothing to end
    EXPECT_TRUE(window.isVisible());
    bar->Button(bkClose)->click();
    EXPECT_FALSE(window.isVisible());
}

TEST_F(DialogButtons, HelpButtonOpensTheBarsContextAndNothingForZero)
{
    test::HelpRequests requests;
    QDialog dialog;
    auto* bar = new TqnDialogButtons(&dialog);
    dialog.show();
    bar->Button(bkHelp)->click();
    EXPECT_TRUE(requests.empty());

    bar->SetHelpContext(1000);
    bar->Button(bkHelp)->click();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].command, unsigned{HELP_CONTEXT});
    EXPECT_EQ(requests[0].data, 1000u);
    // The same number marks the bar for the dialog's context help.
    EXPECT_EQ(HelpContextOf(bar), 1000);
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(BaseDialog, CarriesItsBarAndContextHelp)
{
    TDlg dialog;
    EXPECT_EQ(dialog.objectName(), u"Dlg"_s);
    EXPECT_EQ(dialog.windowTitle(), u"Dlg"_s);
    EXPECT_EQ(dialog.size(), QSize(364, 277));

    TqnDialogButtons* bar = dialog.qnDialogButtons1;
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->geometry(), QRect(0, 247, 364, 30));
    EXPECT_EQ(Captions(*bar), (QStringList{u"OK"_s, u"Storno"_s, u"Pomoc"_s}));
    EXPECT_EQ(Positions(*bar), (std::vector<QPoint>{{124, 5}, {204, 5}, {284, 5}}));
    EXPECT_EQ(bar->Orientation(), dboHorizontalRight);
    EXPECT_FALSE(bar->ShowSeparator());
    EXPECT_EQ(bar->HelpContext(), 0);

    ASSERT_NE(dialog.ContextHelp1, nullptr);
    EXPECT_EQ(dialog.ContextHelp1->ShowType(), stMain);
    EXPECT_FALSE(dialog.ContextHelp1->TestMode());
    EXPECT_FALSE(dialog.ContextHelp1->UsePrefix());

    dialog.show();
    EXPECT_EQ(bar->geometry(), QRect(0, 247, 364, 30));
    EXPECT_EQ(ExecPressing(dialog, Qt::Key_Return), mrOk);
    // The close box ends it as Storno does.
    dialog.show();
    dialog.close();
    EXPECT_EQ(dialog.result(), mrCancel);
}

// A dialog of the kind the program builds: fixed size, a bar, a first-show step counted.
class CountingDialog : public TFixedDialog
{
public:
    explicit CountingDialog(Qt::WindowFlags border = {}) : TFixedDialog(nullptr, border)
    {
        FixWindowSize(this, {300, 200});
        bar = AddButtonBar(ButtonSet({bkOK, bkCancel, bkHelp}), 1100);
    }
    TqnDialogButtons* bar = nullptr;
    int firstShows = 0;

protected:
    void FirstShown() override { ++firstShows; }
};

int DistanceFromScreenCentre(const QWidget& window)
{
    return (window.frameGeometry().center() - window.screen()->availableGeometry().center())
        .manhattanLength();
}

// What every fixed-size window must say, to the toolkit and, once shown, to the window
// system: a size the user cannot change and no maximise box.
void ExpectFixedWithoutMaximise(QWidget& window)
{
    SCOPED_TRACE(window.objectName().toStdString());
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_EQ(window.size(), window.minimumSize());
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint));

    window.show();
    ASSERT_NE(window.windowHandle(), nullptr);
    EXPECT_FALSE(window.windowHandle()->flags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(window.windowHandle()->minimumSize(), window.windowHandle()->maximumSize());
    // Within a few pixels: the settings and About windows are centred before they exist.
    EXPECT_LE(DistanceFromScreenCentre(window), 4);
    window.hide();
}

TEST_F(FixedDialog, IsCentredAtTheFirstShowOnlyUnlessPlacedAndKeepsWhereItWasMoved)
{
    CountingDialog dialog;
    EXPECT_EQ(dialog.firstShows, 0);
    dialog.show();
    EXPECT_LE(DistanceFromScreenCentre(dialog), 2);
    EXPECT_EQ(dialog.firstShows, 1);

    dialog.move(10, 20);
    dialog.hide();
    dialog.show();
    EXPECT_EQ(dialog.pos(), QPoint(10, 20));
    EXPECT_EQ(dialog.firstShows, 1);

    CountingDialog placed; // placed before its first show: stays there
    placed.move(30, 40);
    placed.show();
    EXPECT_EQ(placed.pos(), QPoint(30, 40));
    EXPECT_EQ(placed.firstShows, 1);
}

TEST_F(FixedDialog, BarLiesAlongTheBottomWithItsButtonsAndTopic)
{
    CountingDialog dialog;
    ASSERT_NE(dialog.bar, nullptr);
    EXPECT_EQ(dialog.bar->objectName(), u"qnDialogButtons1"_s);
    EXPECT_EQ(dialog.bar->geometry(), QRect(0, 170, 300, 30));
    EXPECT_FALSE(dialog.bar->ShowSeparator());
    EXPECT_FALSE(dialog.bar->Separator()->isVisibleTo(&dialog));
    EXPECT_EQ(dialog.bar->HelpContext(), 1100);
    ASSERT_EQ(dialog.bar->ButtonList().size(), 3u);
    // Right-aligned: the last button ends 5 pixels from the edge.
    EXPECT_EQ(dialog.bar->ButtonList().back()->geometry().right() + 1, 300 - 5);
    dialog.show();
    EXPECT_EQ(dialog.bar->geometry(), QRect(0, 170, 300, 30));
}

TEST_F(FixedDialog, FixingTheSizeTakesTheMaximiseBoxAndKeepsTheOtherBoxes)
{
    QWidget window(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                                Qt::WindowCloseButtonHint);
    FixWindowSize(&window, {320, 240});
    EXPECT_EQ(window.size(), QSize(320, 240));
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowTitleHint));
    EXPECT_EQ(window.windowType(), Qt::Window);

    // A frameless window stays frameless.
    QWidget frameless(nullptr, Qt::Dialog | Qt::FramelessWindowHint);
    FixWindowSize(&frameless, {100, 50});
    EXPECT_TRUE(frameless.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(frameless.windowType(), Qt::Dialog);

    // Shown, then made larger by the program: the new size is fixed as well.
    window.show();
    FixWindowSize(&window, {400, 240});
    EXPECT_EQ(window.size(), QSize(400, 240));
    EXPECT_EQ(window.windowHandle()->maximumSize(), QSize(400, 240));
    EXPECT_TRUE(window.isVisible());
}

TEST_F(EveryDialog, HasAFixedSizeAndNoMaximiseBox)
{
    const std::vector<std::function<std::unique_ptr<QWidget>()>> makers{
        [] { return std::make_unique<TDlg>(); },           [] { return std::make_unique<TDlgChangePwd>(); },
        [] { return std::make_unique<TDlgPwdMh>(); },      [] { return std::make_unique<TDlgPwdRecord>(); },
        [] { return std::make_unique<TDlgPwdManager>(); }, [] { return std::make_unique<TDlgSetup>(); },
        [] { return std::make_unique<TDlgFrekvence>(); },  [] { return std::make_unique<TDlgNovinky>(); },
        [] { return std::make_unique<TAboutBox>(); },
    };
    QStringList names;
    for (const auto& make : makers) {
        const std::unique_ptr<QWidget> window = make();
        names.append(window->objectName());
        ExpectFixedWithoutMaximise(*window);
    }
    EXPECT_EQ(names,
              (QStringList{u"Dlg"_s, u"DlgChangePwd"_s, u"DlgPwdMh"_s, u"DlgPwdRecord"_s, u"DlgPwdManager"_s,
                           u"DlgSetup"_s, u"DlgFrekvence"_s, u"DlgNovinky"_s, u"AboutBox"_s}));
}

} // namespace
