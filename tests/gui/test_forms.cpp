// Message boxes, the error report, the program's folder and the menu bar's right-hand item.

#include "gui/UserActions.h"
#include "passwords/PwdRecords.h"
#include "passwords/Windows1250.h"
#include "platform/IniDocument.h"
#include "platform/Registry.h"
#include "settings/qnOptions.h"
#include "support/MessageBoxRecorder.h"
#include "ui/ExceptionReport.h"
#include "ui/Translations.h"
#include "ui/qnForms.h"
#include "watch/RasError.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <filesystem>
#include <stdexcept>

using namespace nuvex;
using namespace Qt::StringLiterals;

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
    test::WhenModal<QMessageBox>([&](QMessageBox& box) {
        yesText = box.button(QMessageBox::Yes)->text();
        caption = box.windowTitle();
        EXPECT_EQ(box.windowModality(), Qt::ApplicationModal);
        test::SendKey(&box, Qt::Key_Return);
    });
    EXPECT_TRUE(AskYesNo(u"Ukončit?"_s)); // Yes is the default
    EXPECT_EQ(caption, u"Otázka..."_s);
    EXPECT_EQ(yesText.remove(u'&'), u"Ano"_s);

    test::WhenModal<QMessageBox>([](QMessageBox& box) { test::SendKey(&box, Qt::Key_Return); });
    EXPECT_FALSE(AskYesNo(u"Ukončit?"_s, true)); // with default-no, Enter answers No

    test::WhenModal<QMessageBox>([](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); });
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
    test::WhenModal<QMessageBox>([&](QMessageBox& box) {
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

namespace {

template <typename E> void Throw(const char* message)
{
    throw E(message);
}

void ThrowRasError(const char* message)
{
    throw ERasError(QString::fromUtf8(message), 621);
}

void ThrowWindows1250Error(const char*)
{
    throw EWindows1250Error(3);
}

} // namespace

TEST(ExceptionReport, TheProgramsErrorsAreReportedWithTheirOwnMessage)
{
    const std::pair<const char*, void (*)(const char*)> errors[] = {
        {"Soubor registru je poškozený (řádek 3).", &Throw<platform::registry::RegistryError>},
        {"Zápis do souboru nelze provést.", &Throw<platform::ProfileError>},
        {"Hodnota „AskBeforeQuit“ má jiný typ.", &Throw<ERegistryException>},
        {"Soubor s hesly je poškozený.", &Throw<EPwdFileError>},
        {"RAS Error code: 621.", &ThrowRasError},
        {"Text obsahuje znak, který nelze zapsat v kódování Windows-1250.", &ThrowWindows1250Error},
    };
    for (const auto& [text, raise] : errors) {
        const QString message = QString::fromUtf8(text);
        SCOPED_TRACE(text);
        testing::internal::CaptureStderr(); // what the report writes
        EXPECT_FALSE(ReportFailure(nullptr, [raise, text] { raise(text); }));
        EXPECT_EQ(test::TakeOpenMessageBox(), message);
        const QString written = QString::fromStdString(testing::internal::GetCapturedStderr());
        EXPECT_TRUE(written.contains(message)) << written.toStdString();
        EXPECT_FALSE(written.contains(u"výjimka typu"_s)) << written.toStdString();
    }
}

TEST(ExceptionReport, AnyOtherExceptionIsTheLastResortShownWithItsTextAndItsType)
{
    testing::internal::CaptureStderr();
    EXPECT_FALSE(ReportFailure(nullptr, [] { throw std::out_of_range("Záznam 7 neexistuje."); }));
    EXPECT_EQ(test::TakeOpenMessageBox(), u"Záznam 7 neexistuje."_s);
    const QString written = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_TRUE(written.contains(u"Záznam 7 neexistuje."_s)) << written.toStdString();
    EXPECT_TRUE(written.contains(u"výjimka typu"_s) && written.contains(u"out_of_range"_s))
        << written.toStdString();
}

TEST(ExceptionReport, WorkThatRunsThroughOpensNoBox)
{
    int runs = 0;
    EXPECT_TRUE(ReportFailure(nullptr, [&runs] { ++runs; }));
    EXPECT_TRUE(ShowFailure(nullptr, [&runs] { ++runs; }));
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(ExceptionReport, ShowFailureWaitsForTheBoxToBeClosed)
{
    QString shown;
    test::WhenModal<QMessageBox>([&shown](QMessageBox& box) {
        shown = box.text();
        box.accept();
    });
    EXPECT_FALSE(
        ShowFailure(nullptr, [] { throw platform::registry::RegistryError("Do klíče nelze zapisovat."); }));
    EXPECT_EQ(shown, u"Do klíče nelze zapisovat."_s); // closed before ShowFailure returned
}
