#include "support/MessageBoxRecorder.h"
#include "ui/Translations.h"
#include "ui/qnForms.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace nuvex;
using namespace Qt::StringLiterals;

namespace {

// Runs action on the next modal message box the program opens.
void OnNextBox(std::function<void(QMessageBox&)> action)
{
    // The timers hold the poll; it holds itself only weakly, so nothing outlives it.
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [weak = std::weak_ptr(poll), action] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            action(*box);
            return;
        }
        if (auto self = weak.lock())
            QTimer::singleShot(10, [self] { (*self)(); });
    };
    QTimer::singleShot(0, [poll] { (*poll)(); });
}

void PressEnter(QWidget& widget)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
}

} // namespace

TEST(MessageBoxes, SeamAnswersAndRecordsCaptionsAndTexts)
{
    test::MessageBoxRecorder boxes;
    boxes.Answer(true);
    boxes.Answer(false);
    EXPECT_TRUE(AskYesNo(u"Opravdu?"_s));
    EXPECT_FALSE(AskYesNo(u"Opravdu?"_s, true));
    ShowInformation(u"Hotovo."_s);
    ShowCaptionedInformation(u"Vlastní"_s, u"Text"_s);
    ASSERT_EQ(boxes.calls.size(), 4u);
    EXPECT_EQ(boxes.calls[0].caption, u"Otázka..."_s);
    EXPECT_EQ(boxes.calls[0].kind, TMessageBoxCall::Kind::YesNo);
    EXPECT_FALSE(boxes.calls[0].defaultNo);
    EXPECT_TRUE(boxes.calls[1].defaultNo);
    EXPECT_EQ(boxes.calls[2].caption, u"Informace..."_s);
    EXPECT_EQ(boxes.calls[2].text, u"Hotovo."_s);
    EXPECT_EQ(boxes.calls[3].caption, u"Vlastní"_s);
}

TEST(MessageBoxes, RealQuestionSpeaksCzechAndEnterTakesTheDefault)
{
    InstallCzechTranslation(*QCoreApplication::instance());
    QString yesText;
    QString caption;
    OnNextBox([&](QMessageBox& box) {
        yesText = box.button(QMessageBox::Yes)->text();
        caption = box.windowTitle();
        EXPECT_EQ(box.windowModality(), Qt::ApplicationModal);
        PressEnter(box);
    });
    EXPECT_TRUE(AskYesNo(u"Ukončit?"_s)); // Yes is the default
    EXPECT_EQ(caption, u"Otázka..."_s);
    EXPECT_EQ(yesText.remove(u'&'), u"Ano"_s);

    OnNextBox([](QMessageBox& box) { PressEnter(box); });
    EXPECT_FALSE(AskYesNo(u"Ukončit?"_s, true)); // with default-no, Enter answers No

    OnNextBox([](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); });
    EXPECT_TRUE(AskYesNo(u"Ukončit?"_s, true));
}

TEST(MessageBoxes, TimersKeepRunningWhileABoxIsOpen)
{
    int ticks = 0;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, &timer, [&] { ++ticks; });
    timer.start();
    // The box is closed once the timer has ticked under it, or at a deadline.
    OnNextBox([&](QMessageBox& box) {
        auto* check = new QTimer(&box);
        QElapsedTimer open;
        open.start();
        QObject::connect(check, &QTimer::timeout, &box, [&box, &ticks, open] {
            if (ticks >= 5 || open.hasExpired(10000))
                box.accept();
        });
        check->start(10);
    });
    ShowInformation(u"Počkejte."_s);
    EXPECT_GE(ticks, 5);
}

TEST(AppDir, IsTheProgramsFolderWhateverTheCurrentDirectory)
{
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path("/");
    const QString dir = GetAppDir();
    std::filesystem::current_path(before);
    const auto exe = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(dir, QString::fromStdString(exe.parent_path().string()) + u'/');
    EXPECT_FALSE(dir.endsWith(u"//"_s));
}

TEST(RightJustifiedMenu, ItemMovesToTheRightEdgeOfTheMenuBar)
{
    QMainWindow window;
    QMenuBar* bar = window.menuBar();
    bar->addMenu(u"Př&ipojení"_s);
    bar->addMenu(u"&Ostatní"_s);
    QAction* help = bar->addAction(u"&Pomoc"_s);
    int triggered = 0;
    QObject::connect(help, &QAction::triggered, &window, [&] { ++triggered; });
    RightJustifyMenuItem(bar, help); // as the main window does when it is created
    window.resize(442, 300);
    window.show();
    QApplication::processEvents();

    EXPECT_FALSE(bar->actions().contains(help));
    auto* corner = qobject_cast<QMenuBar*>(bar->cornerWidget(Qt::TopRightCorner));
    ASSERT_NE(corner, nullptr);
    ASSERT_TRUE(corner->actions().contains(help));
    const QRect item = corner->actionGeometry(help).translated(corner->pos());
    EXPECT_GE(item.right(), bar->width() - 12);
    EXPECT_GT(item.left(), bar->actionGeometry(bar->actions().last()).right());
    help->trigger();
    EXPECT_EQ(triggered, 1);
}
