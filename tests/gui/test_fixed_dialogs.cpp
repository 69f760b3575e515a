#include "PwdTestSupport.h"
#include "news/Dlg_Novinky.h"
#include "passwords/Dlg_ChangePwd.h"
#include "passwords/Dlg_PwdManager.h"
#include "passwords/Dlg_PwdMh.h"
#include "passwords/Dlg_PwdRecord.h"
#include "settings/Dlg_Setup.h"
#include "status/Dlg_Frekvence.h"
#include "ui/Dlg_About.h"
#include "ui/Dlg_Quorin.h"
#include "ui/FixedDialog.h"
#include "ui/Placement.h"

#include <QFrame>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <functional>
#include <memory>

using namespace nuvex;
using namespace Qt::StringLiterals;

namespace {

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

} // namespace

TEST(FixedDialog, IsCentredAtTheFirstShowOnlyAndKeepsWhereItWasMoved)
{
    test::Sandbox sandbox;
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
}

TEST(FixedDialog, ADialogPlacedBeforeItsFirstShowStaysThere)
{
    test::Sandbox sandbox;
    CountingDialog dialog;
    dialog.move(30, 40);
    dialog.show();
    EXPECT_EQ(dialog.pos(), QPoint(30, 40));
    EXPECT_EQ(dialog.firstShows, 1);
}

TEST(FixedDialog, BarLiesAlongTheBottomWithItsButtonsAndTopic)
{
    test::Sandbox sandbox;
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

TEST(FixedDialog, FixingTheSizeTakesTheMaximiseBoxAndKeepsTheOtherBoxes)
{
    test::Sandbox sandbox;
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

namespace {

class EveryDialog : public test::PwdFixture
{};

} // namespace

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
