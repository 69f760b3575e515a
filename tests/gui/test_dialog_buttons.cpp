#include "support/Sandbox.h"
#include "ui/ContextHelp.h"
#include "ui/Dlg_Quorin.h"
#include "ui/HelpEngine.h"
#include "ui/qnDialogButtons.h"

#include <QApplication>
#include <QDialog>
#include <QFrame>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <gtest/gtest.h>

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
        QWidget* target = dialog.focusWidget() ? dialog.focusWidget() : &dialog;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &dialog, [&dialog] { dialog.done(-1); });
    guard.start(patienceMs);
    return dialog.exec();
}

constexpr TqndbButtons kEveryKind =
    ButtonSet({bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll});

} // namespace

TEST(DialogButtons, CreatesEveryKindInFixedOrderWithCaptionsGlyphsAndSize)
{
    test::Sandbox sandbox;
    QWidget parent;
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

TEST(DialogButtons, EmptyOrCustomOnlySetsLeaveNoButtonsAndAnUnchangedSetKeepsThem)
{
    test::Sandbox sandbox;
    QWidget parent;
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

TEST(DialogButtons, ChangingTheSetFromOneOfItsOwnButtonsIsSafe)
{
    test::Sandbox sandbox;
    QWidget parent;
    TqnDialogButtons bar(&parent);
    QObject::connect(bar.Button(bkOK), &QPushButton::clicked, &bar, [&bar] {
        bar.SetButtons(ButtonSet({bkYes, bkNo}));
    });
    bar.Button(bkOK)->click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Captions(bar), (QStringList{u"Ano"_s, u"Ne"_s}));
}

TEST(DialogButtons, HorizontalGeometryAlongTheBottom)
{
    test::Sandbox sandbox;
    QWidget parent;
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

TEST(DialogButtons, VerticalGeometryAlongTheRightEdge)
{
    test::Sandbox sandbox;
    QWidget parent;
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

TEST(DialogButtons, ALayoutThatHoldsTheBarKeepsItsThickness)
{
    test::Sandbox sandbox;
    QWidget parent;
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

TEST(DialogButtons, SeparatorLineAtTheTopOrLeftTwoPixelsWhenShown)
{
    test::Sandbox sandbox;
    QWidget parent;
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

TEST(DialogButtons, EnterAndEscEndTheDialogWithTheDefaultAndCancelResults)
{
    test::Sandbox sandbox;
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

TEST(DialogButtons, ClicksEndTheDialogWithTheKindsResultsAndCloseClosesTheWindow)
{
    test::Sandbox sandbox;
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

TEST(DialogButtons, HelpButtonOpensTheBarsContextAndNothingForZero)
{
    test::Sandbox sandbox;
    std::vector<THelpRequest> requests;
    SetHelpRequestObserver([&requests](const THelpRequest& request) { requests.push_back(request); });
    QDialog dialog;
    auto* bar = new TqnDialogButtons(&dialog);
    dialog.show();
    bar->Button(bkHelp)->click();
    EXPECT_TRUE(requests.empty());

    bar->SetHelpContext(1000);
    bar->Button(bkHelp)->click();
    SetHelpRequestObserver({});
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].command, unsigned{HELP_CONTEXT});
    EXPECT_EQ(requests[0].data, 1000u);
    // The same number marks the bar for the dialog's context help.
    EXPECT_EQ(HelpContextOf(bar), 1000);
    EXPECT_TRUE(dialog.isVisible());
}

TEST(BaseDialog, CarriesItsBarAndContextHelp)
{
    test::Sandbox sandbox;
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
