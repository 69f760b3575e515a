#include "support/PlainFileBytes.h"
#include "support/Sandbox.h"
#include "ui/AppDir.h"
#include "ui/HelpEngine.h"
#include "ui/HelpFile.h"
#include "ui/HelpMacro.h"
#include "ui/HelpPopup.h"
#include "ui/HelpViewer.h"

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <gtest/gtest.h>

using namespace nuvex;
using namespace Qt::StringLiterals;

namespace {

const QString kLongTopic = QString(300, u'L');

const QString kSmallHelp = uR"(<!DOCTYPE html>
<!-- An example in a comment is no topic: <section id="InComment" data-context="1">x</section> -->
<html><head><meta charset="utf-8"><style>h1 { color: #7a0000; }</style></head><body>
<section id="Contents" data-context="10"><h1>Obsah &amp; rejstřík</h1><p>Vítejte v nápovědě.</p>
<p><a href="#DlgSetup">Nastavení</a></p></section>
<section id="DlgSetup" data-context="1000"><h1>Nastavení</h1><p>Text nastavení.</p></section>
<section id="DlgPwdManager" data-context="1100"><h1>Správce hesel</h1><p>Text správce.</p></section>
<section id="DlgSetup.AutoPwdEdit"><h1>Heslo</h1><p>Heslo pro automatické přihlášení.</p></section>
<section id="Alarm"><h1>Poplach</h1><p>Co dělat při poplachu.</p></section>
<section id=")"_s + kLongTopic +
                           uR"("><p>Dlouhé téma.</p></section>
</body></html>
)"_s;

quint32 Packed(int x, int y)
{
    return static_cast<quint32>(static_cast<quint16>(x)) | static_cast<quint32>(static_cast<quint16>(y))
                                                               << 16;
}

bool Macro(const QString& macro, const QString& helpFile = u"Nuvex.hlp"_s)
{
    return WinHelp({nullptr, helpFile, HELP_COMMAND, 0, macro});
}

class HelpViewerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        test::WritePlainBytes(program / "Nuvex.hlp", kSmallHelp.toStdString());
        SetAppDirForTesting(QString::fromStdString(program.string()));
    }
    void TearDown() override
    {
        CloseHelpWindows();
        SetAppDirForTesting(QString());
        SetApplicationHelpFile(u"Nuvex.hlp"_s);
    }

    static THelpViewer& Viewer(const QString& name = QString())
    {
        THelpViewer* viewer = OpenHelpViewer(name);
        if (!viewer)
            throw std::runtime_error("no help viewer is open");
        return *viewer;
    }

    test::Sandbox sandbox;
    std::filesystem::path program = sandbox.dir() / "program";
};

} // namespace

TEST_F(HelpViewerTest, ContentsCommandOpensTheContentsPage)
{
    ApplicationHelpCommand(HELP_CONTENTS, 0);
    THelpViewer& viewer = Viewer();
    EXPECT_TRUE(viewer.isVisible());
    EXPECT_EQ(viewer.CurrentTopic(), u"Contents"_s);
    EXPECT_TRUE(viewer.CurrentText().contains(u"Vítejte v nápovědě."_s));
    EXPECT_TRUE(viewer.windowTitle().startsWith(u"Obsah & rejstřík"_s)) << viewer.windowTitle().toStdString();
    EXPECT_FALSE(viewer.BackButton()->isEnabled());
    EXPECT_FALSE(viewer.ForwardButton()->isEnabled());
}

TEST_F(HelpViewerTest, ContextNumbersOpenTheirTopicsAndTheButtonsWalkTheHistory)
{
    ApplicationHelpContext(kHelpContextSetup);
    THelpViewer& viewer = Viewer();
    EXPECT_EQ(viewer.CurrentTopic(), u"DlgSetup"_s);
    EXPECT_TRUE(viewer.CurrentText().contains(u"Text nastavení."_s));
    ApplicationHelpContext(kHelpContextPwdManager);
    EXPECT_EQ(&Viewer(), &viewer); // one main help window
    EXPECT_EQ(viewer.CurrentTopic(), u"DlgPwdManager"_s);
    EXPECT_TRUE(viewer.CurrentText().contains(u"Text správce."_s));

    viewer.BackButton()->click();
    EXPECT_EQ(viewer.CurrentTopic(), u"DlgSetup"_s);
    EXPECT_TRUE(viewer.ForwardButton()->isEnabled());
    viewer.ForwardButton()->click();
    EXPECT_EQ(viewer.CurrentTopic(), u"DlgPwdManager"_s);

    // A new topic after going back drops the topics ahead.
    viewer.BackButton()->click();
    viewer.ContentsButton()->click();
    EXPECT_EQ(viewer.CurrentTopic(), u"Contents"_s);
    EXPECT_FALSE(viewer.ForwardButton()->isEnabled());
    viewer.BackButton()->click();
    EXPECT_EQ(viewer.CurrentTopic(), u"DlgSetup"_s);

    // A link inside the file jumps to its topic.
    viewer.ContentsButton()->click();
    emit viewer.Browser()->anchorClicked(QUrl(u"#DlgPwdManager"_s));
    EXPECT_EQ(viewer.CurrentTopic(), u"DlgPwdManager"_s);
}

TEST_F(HelpViewerTest, ContextStringOfAnyLengthJumpsIntoTheMainOrANamedWindow)
{
    EXPECT_TRUE(Macro(uR"(JI("Nuvex.hlp","dlgsetup.AUTOPWDEDIT"))"_s)); // any letter case
    EXPECT_EQ(Viewer().CurrentTopic(), u"DlgSetup.AutoPwdEdit"_s);
    EXPECT_TRUE(Viewer().CurrentText().contains(u"Heslo pro automatické přihlášení."_s));
    EXPECT_EQ(OpenHelpViewer(u"okno"_s), nullptr);

    EXPECT_TRUE(Macro(uR"(JI("Nuvex.hlp>okno","Alarm"))"_s));
    THelpViewer& secondary = Viewer(u"okno"_s);
    EXPECT_NE(&secondary, &Viewer());
    EXPECT_TRUE(secondary.isVisible());
    EXPECT_EQ(secondary.CurrentTopic(), u"Alarm"_s);
    EXPECT_TRUE(secondary.windowTitle().contains(u"[okno]"_s));
    EXPECT_EQ(Viewer().CurrentTopic(), u"DlgSetup.AutoPwdEdit"_s);

    EXPECT_TRUE(Macro(uR"(JumpId(`Nuvex.hlp>OKNO', `DlgSetup'))"_s));
    EXPECT_EQ(&Viewer(u"Okno"_s), &secondary);
    EXPECT_EQ(secondary.CurrentTopic(), u"DlgSetup"_s);

    // A macro longer than 255 characters is not cut.
    const QString macro = JumpIdMacro(u"Nuvex.hlp"_s, kLongTopic);
    ASSERT_GT(macro.size(), 255);
    EXPECT_TRUE(Macro(macro));
    EXPECT_EQ(Viewer().CurrentTopic(), kLongTopic);
    EXPECT_TRUE(Viewer().CurrentText().contains(u"Dlouhé téma."_s));
}

TEST_F(HelpViewerTest, PopupShowsTheTopicAtTheRememberedPositionOnce)
{
    EXPECT_TRUE(WinHelp({nullptr, u"Nuvex.hlp"_s, HELP_SETPOPUP_POS, Packed(130, 95), {}}));
    EXPECT_TRUE(Macro(uR"(PI("Nuvex.hlp","DlgSetup.AutoPwdEdit"))"_s));
    QPointer<THelpPopup> popup = OpenHelpPopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->windowType(), Qt::Popup);
    EXPECT_TRUE(popup->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(popup->pos(), QPoint(130, 95));
    EXPECT_TRUE(popup->Text().contains(u"Heslo pro automatické přihlášení."_s));
    EXPECT_EQ(OpenHelpViewer(), nullptr); // a pop-up is no help window

    // A click anywhere in it closes it.
    QMouseEvent click(QEvent::MouseButtonPress, QPointF(5, 5), popup->mapToGlobal(QPointF(5, 5)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(popup, &click);
    EXPECT_TRUE(!popup || !popup->isVisible());

    // Coordinates are signed: a point left of the screen stays on it, not at its right edge.
    WinHelp({nullptr, u"Nuvex.hlp"_s, HELP_SETPOPUP_POS, Packed(-20, 40), {}});
    Macro(uR"(PI("Nuvex.hlp","Alarm"))"_s);
    ASSERT_NE(OpenHelpPopup(), nullptr);
    EXPECT_EQ(OpenHelpPopup()->pos(), QPoint(0, 40));
    EXPECT_TRUE(OpenHelpPopup()->Text().contains(u"Co dělat při poplachu."_s));
}

TEST_F(HelpViewerTest, UnknownTopicsAndMacrosAreExplainedInTheViewer)
{
    ApplicationHelpContext(kHelpContextSetup);
    EXPECT_TRUE(Macro(uR"(JI("Nuvex.hlp","NeniTakove"))"_s));
    THelpViewer& viewer = Viewer();
    EXPECT_EQ(viewer.CurrentTopic(), QString());
    EXPECT_TRUE(viewer.CurrentText().contains(u"neobsahuje téma „NeniTakove“"_s))
        << viewer.CurrentText().toStdString();
    viewer.BackButton()->click(); // the message is a page of its own; back is the topic before
    EXPECT_EQ(viewer.CurrentTopic(), u"DlgSetup"_s);

    ApplicationHelpContext(4242);
    EXPECT_TRUE(viewer.CurrentText().contains(u"číslem kontextu 4242"_s))
        << viewer.CurrentText().toStdString();

    for (const QString& bad :
         {uR"(JI(Nuvex.hlp,Alarm))"_s, uR"(JI("Nuvex.hlp","Alarm")"_s, uR"(JI("Nuvex.hlp"))"_s,
          uR"(Contents())"_s, uR"(JI("Nuvex.hlp","Alarm");JI("Nuvex.hlp","DlgSetup"))"_s, QString()}) {
        EXPECT_FALSE(Macro(bad)) << bad.toStdString();
        EXPECT_EQ(viewer.CurrentTopic(), QString());
        EXPECT_TRUE(viewer.CurrentText().contains(u"nerozumí příkazu „"_s + bad + u"“"_s))
            << viewer.CurrentText().toStdString();
    }

    EXPECT_FALSE(WinHelp({nullptr, u"Nuvex.hlp"_s, 0x0999, 0, {}}));

    Macro(uR"(PI("Nuvex.hlp","NeniTakove"))"_s);
    ASSERT_NE(OpenHelpPopup(), nullptr);
    EXPECT_TRUE(OpenHelpPopup()->Text().contains(u"neobsahuje téma „NeniTakove“"_s));
}

TEST_F(HelpViewerTest, MissingOrBrokenHelpFilesAreExplainedInTheViewer)
{
    const QString programDir = GetAppDir();
    const auto contentsOf = [](const QString& helpFile) {
        SetApplicationHelpFile(helpFile);
        ApplicationHelpCommand(HELP_CONTENTS, 0);
        return Viewer().CurrentText();
    };

    EXPECT_TRUE(contentsOf(u"Chybi.hlp"_s).contains(programDir + u"Chybi.hlp“ nebyl nalezen"_s));

    test::WritePlainBytes(program / "Binarni.hlp", std::string("?_\x03\x00\xff\xfe\x80 old WinHelp", 20));
    EXPECT_TRUE(contentsOf(u"Binarni.hlp"_s).contains(u"není soubor nápovědy"_s));

    test::WritePlainBytes(program / "Prazdny.hlp", "<html><body><p>Bez témat.</p></body></html>");
    EXPECT_TRUE(contentsOf(u"Prazdny.hlp"_s).contains(u"nemá žádná témata"_s));

    test::WritePlainBytes(program / "Dvakrat.hlp",
                          "<section id=\"A\"><p>1</p></section><section id=\"a\"><p>2</p></section>");
    EXPECT_TRUE(contentsOf(u"Dvakrat.hlp"_s).contains(u"téma „a“ dvakrát"_s));

    std::filesystem::create_directories(program / "Slozka.hlp");
    EXPECT_TRUE(contentsOf(u"Slozka.hlp"_s).contains(u"je složka"_s));

    SetApplicationHelpFile(u"Chybi.hlp"_s);
    Macro(uR"(PI("Chybi.hlp","Alarm"))"_s, u"Chybi.hlp"_s);
    ASSERT_NE(OpenHelpPopup(), nullptr);
    EXPECT_TRUE(OpenHelpPopup()->Text().contains(u"nebyl nalezen"_s));
}

TEST_F(HelpViewerTest, BareNameLiesBesideTheProgramAndAPathIsTakenAsGiven)
{
    // Whatever the current directory, the bare name is found beside the program.
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(sandbox.dir());
    ApplicationHelpContext(kHelpContextSetup);
    std::filesystem::current_path(before);
    EXPECT_EQ(Viewer().CurrentTopic(), u"DlgSetup"_s);

    const auto other = sandbox.dir() / "jinde" / "Jina.hlp";
    test::WritePlainBytes(other,
                          "<section id=\"DlgSetup\" data-context=\"1000\"><p>Jiný soubor.</p></section>");
    const QString otherPath = QString::fromStdString(other.string());
    WinHelp({nullptr, otherPath, HELP_CONTEXT, 1000, {}});
    EXPECT_TRUE(Viewer().CurrentText().contains(u"Jiný soubor."_s));

    // A macro names its file without the folder: it is looked for beside the request's file.
    ApplicationHelpCommand(HELP_CONTENTS, 0);
    Macro(uR"(JI("Jina.hlp","DlgSetup"))"_s, otherPath);
    EXPECT_TRUE(Viewer().CurrentText().contains(u"Jiný soubor."_s));
    Macro(uR"(JI("","DlgSetup"))"_s, otherPath); // no name: the request's own file
    EXPECT_TRUE(Viewer().CurrentText().contains(u"Jiný soubor."_s));
}

TEST_F(HelpViewerTest, HelpOpenedFromAModalDialogIsNotBlockedByIt)
{
    struct BlockSpy : QObject
    {
        QSet<QString> blocked;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (watched->isWidgetType() && event->type() == QEvent::WindowBlocked)
                blocked.insert(watched->objectName());
            if (watched->isWidgetType() && event->type() == QEvent::WindowUnblocked)
                blocked.remove(watched->objectName());
            return false;
        }
    } spy;
    qApp->installEventFilter(&spy);

    QDialog dialog;
    QWidget other; // an ordinary window is blocked while the dialog is open
    other.setObjectName(u"Other"_s);
    QSet<QString> blockedWhileOpen;
    QTimer::singleShot(0, &dialog, [&] {
        other.show();
        ApplicationHelpContext(kHelpContextSetup);
        QApplication::processEvents();
        blockedWhileOpen = spy.blocked;
        dialog.accept();
    });
    dialog.exec();
    qApp->removeEventFilter(&spy);

    EXPECT_TRUE(blockedWhileOpen.contains(u"Other"_s)); // the check itself works
    EXPECT_FALSE(blockedWhileOpen.contains(u"HelpViewer"_s));
    EXPECT_EQ(Viewer().CurrentTopic(), u"DlgSetup"_s);
}

TEST(HelpMacro, ParsesTheShortAndLongFormsAndRejectsTheRest)
{
    auto macro = ParseHelpMacro(uR"(JI("Nuvex.hlp>okno","DlgSetup.AutoPwdEdit"))"_s);
    ASSERT_TRUE(macro);
    EXPECT_EQ(macro->kind, THelpMacro::Kind::Jump);
    EXPECT_EQ(macro->file, u"Nuvex.hlp"_s);
    EXPECT_EQ(macro->window, u"okno"_s);
    EXPECT_EQ(macro->topic, u"DlgSetup.AutoPwdEdit"_s);

    macro = ParseHelpMacro(uR"(  jumpid ( "Nuvex.hlp" , "Alarm" ) )"_s);
    ASSERT_TRUE(macro);
    EXPECT_EQ(macro->kind, THelpMacro::Kind::Jump);
    EXPECT_EQ(macro->window, QString());

    for (const QString& popup : {uR"(PI("Nuvex.hlp","X"))"_s, uR"(PopupId(`Nuvex.hlp',`X'))"_s}) {
        macro = ParseHelpMacro(popup);
        ASSERT_TRUE(macro) << popup.toStdString();
        EXPECT_EQ(macro->kind, THelpMacro::Kind::Popup);
        EXPECT_EQ(macro->topic, u"X"_s);
    }

    const QString topic = QString(400, u'T');
    macro = ParseHelpMacro(JumpIdMacro(u"Nuvex.hlp>w"_s, topic));
    ASSERT_TRUE(macro);
    EXPECT_EQ(macro->topic, topic);
    EXPECT_EQ(PopupIdMacro(u"Nuvex.hlp"_s, u"A.B"_s), uR"(PI("Nuvex.hlp","A.B"))"_s);

    for (const QString& bad : {uR"(JI("Nuvex.hlp"))"_s, uR"(JI("a","b")"_s, uR"(JI("a","b");JI("a","c"))"_s,
                               uR"(XI("a","b"))"_s, uR"(JI("a","b"c"))"_s, uR"(JI('a','b'))"_s, u""_s})
        EXPECT_FALSE(ParseHelpMacro(bad)) << bad.toStdString();
}

TEST(HelpFileFormat, ReadsTopicsNumbersTitlesAndStyle)
{
    const THelpFile help = THelpFile::Parse(kSmallHelp, u"Nuvex.hlp"_s);
    EXPECT_EQ(help.Topics().size(), 6u); // the one in the comment is not a topic
    EXPECT_EQ(help.FindTopic(u"InComment"_s), nullptr);
    EXPECT_EQ(help.Contents().contextString, u"Contents"_s);
    EXPECT_EQ(help.Contents().title, u"Obsah & rejstřík"_s);
    EXPECT_EQ(help.FindTopic(u"Alarm"_s)->contextNumber, 0);
    EXPECT_EQ(help.FindContext(1100)->contextString, u"DlgPwdManager"_s);
    EXPECT_EQ(help.FindTopic(kLongTopic)->title, kLongTopic); // no heading: the context string
    EXPECT_EQ(help.FindContext(0), nullptr);
    EXPECT_EQ(help.FindContext(-1000), nullptr);
    EXPECT_EQ(help.FindContext(4294968296LL), nullptr); // 1000 beyond 32 bits
    EXPECT_TRUE(help.StyleSheet().contains(u"#7a0000"_s));

    // Without a topic "Contents" the first topic is the contents page.
    const THelpFile noContents = THelpFile::Parse(
        u"<section id=\"Prvni\"><p>1</p></section><section id=\"Druhe\"></section>"_s, u"x"_s);
    EXPECT_EQ(noContents.Contents().contextString, u"Prvni"_s);
}

TEST(HelpFileFormat, RefusesWhatItCannotServeWithACzechReason)
{
    const auto reason = [](const QString& text) {
        try {
            THelpFile::Parse(text, u"Test.hlp"_s);
        } catch (const EHelpFileError& error) {
            return QString::fromUtf8(error.what());
        }
        return u"accepted"_s;
    };
    EXPECT_EQ(reason(u"<p>nic</p>"_s),
              u"Soubor „Test.hlp“ není soubor nápovědy tohoto programu (nemá žádná témata)."_s);
    EXPECT_TRUE(reason(u"<section><p>bez id</p></section>"_s).contains(u"prázdný kontextový řetězec"_s));
    EXPECT_TRUE(reason(u"<section id=\"A\"><section id=\"B\"></section></section>"_s).contains(u"vnořené"_s));
    for (const QString& number : {u"abc"_s, u"0"_s, u"-5"_s, u"1e3"_s, u"12345678901"_s})
        EXPECT_TRUE(reason(u"<section id=\"A\" data-context=\""_s + number + u"\"></section>"_s)
                        .contains(u"neplatné číslo kontextu"_s))
            << number.toStdString();
    EXPECT_TRUE(
        reason(
            u"<section id=\"A\" data-context=\"5\"></section><section id=\"B\" data-context=\"5\"></section>"_s)
            .contains(u"stejné číslo kontextu 5"_s));
}

// The help file the build puts beside the program.
TEST(RealHelpFile, ParsesAndServesEveryTopicTheProgramUses)
{
    const QString path = GetAppDir() + u"Nuvex.hlp"_s;
    std::unique_ptr<THelpFile> help;
    try {
        help = std::make_unique<THelpFile>(THelpFile::Load(path));
    } catch (const EHelpFileError& error) {
        FAIL() << error.what();
    }
    EXPECT_EQ(help->Contents().contextString, u"Contents"_s);

    // The dialogs' button bars open these by number.
    EXPECT_EQ(help->FindContext(kHelpContextSetup)->contextString, u"DlgSetup"_s);
    EXPECT_EQ(help->FindContext(kHelpContextPwdManager)->contextString, u"DlgPwdManager"_s);
    for (int number : {10, 100, 110, 120, 130, 140, 150, 200, 300, 400, 600, 700, 800, 1110, 1120})
        EXPECT_NE(help->FindContext(number), nullptr) << number;

    // Topics named after windows and their controls, for context help.
    const QStringList controls =
        QString::fromUtf8(
            "FrmNuvex FrmNuvex.ListView FrmNuvex.LogMemo FrmNuvex.HintBar Alarm Guard Tray Menu "
            "Files DlgFrekvence DlgFrekvence.DateEdit DlgFrekvence.RbDen DlgFrekvence.RbMesic "
            "DlgFrekvence.RbRok DlgFrekvence.ConList DlgFrekvence.TimeLabel DlgPwdManager.PwdList "
            "DlgPwdManager.BitBtn1 DlgPwdManager.BitBtn2 DlgPwdManager.BitBtn3 "
            "DlgPwdManager.BitBtn4 DlgPwdManager.BitBtn5 DlgPwdManager.BitBtn6 DlgPwdRecord "
            "MasterPassword DlgSetup.ChxAskClose DlgSetup.ChxAskDeleteRecords DlgSetup.ChxAppHide "
            "DlgSetup.RbBytesRec DlgSetup.RbConnSpeed DlgSetup.RbConnTime DlgSetup.CheckBox1 "
            "DlgSetup.AutoPwdEdit DlgSetup.Button1 DlgNovinky DlgSetup.qnDialogButtons1 "
            "DlgPwdManager.qnDialogButtons1 AboutBox")
            .split(u' ');
    for (const QString& topic : controls)
        EXPECT_NE(help->FindTopic(topic), nullptr) << topic.toStdString();

    // Every link leads to a topic, and every picture is one the program carries.
    static const QRegularExpression link(u"href=\"#([^\"]*)\""_s);
    static const QRegularExpression picture(u"<img[^>]*src=\"([^\"]*)\""_s);
    THelpViewer viewer{QString()};
    for (const THelpTopic& topic : help->Topics()) {
        EXPECT_FALSE(topic.title.isEmpty());
        for (auto it = link.globalMatch(topic.html); it.hasNext();) {
            const QString target = it.next().captured(1);
            EXPECT_NE(help->FindTopic(target), nullptr)
                << topic.contextString.toStdString() << " -> " << target.toStdString();
        }
        for (auto it = picture.globalMatch(topic.html); it.hasNext();) {
            const QUrl source(it.next().captured(1));
            const QVariant data =
                viewer.Browser()->document()->resource(QTextDocument::ImageResource, source);
            // The document keeps a picture it could decode as a pixmap, else the raw bytes.
            const bool decoded = data.typeId() == QMetaType::QPixmap
                                     ? !data.value<QPixmap>().isNull()
                                     : !QImage::fromData(data.toByteArray()).isNull();
            EXPECT_TRUE(decoded) << source.toString().toStdString();
        }
    }
}
