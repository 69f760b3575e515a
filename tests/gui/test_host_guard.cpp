// The guard on this computer: the first start, and a hang-up the system refuses.

#include "MainWindowFixture.h"
#include "app/HostStart.h"
#include "platform/RasService.h"
#include "support/HostRoot.h"
#include "watch/CheckNumberStore.h"
#include "watch/RasError.h"

#include <QProcess>
#include <QProcessEnvironment>

using namespace nuvex;
using namespace Qt::StringLiterals;
namespace standin = platform::rasstandin;
namespace ras = platform::ras;

namespace {

class HostFirstStart : public test::MainWindowFixture
{
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        root.Write("etc/ppp/peers/provider",
                   "connect \"/usr/sbin/chat -v -f /etc/chatscripts/pap -T 0212345678\"\n");
        root.Write("etc/chatscripts/pap", "'' ATZ\nOK ATDT\\T\nCONNECT ''\n");
        root.Write("etc/ppp/peers/silent", "noauth\n");
        ras::SelectMachineForTesting(ras::Machine::Host);
    }
    void TearDown() override
    {
        ras::SelectMachineForTesting(ras::Machine::Emulated);
        MainWindowFixture::TearDown();
    }
    test::HostRoot root{sandbox};
};

TEST_F(HostFirstStart, YesTrustsEveryPresentNumberAndTheQuestionComesOnceOnTheHostOnly)
{
    ras::SelectMachineForTesting(ras::Machine::Emulated); // never asked
    EXPECT_FALSE(AskTrustOnFirstStart());
    EXPECT_TRUE(boxes.calls.empty());
    ras::SelectMachineForTesting(ras::Machine::Host);

    boxes.Answer(true);
    EXPECT_TRUE(AskTrustOnFirstStart());
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_TRUE(boxes.calls[0].text.contains(u"provider: 0212345678"_s)) << boxes.calls[0].text.toStdString();
    EXPECT_TRUE(boxes.calls[0].text.contains(u"silent: (bez čísla)"_s));
    EXPECT_EQ(TCheckNumberStore::SectionNames(), (QStringList{u"provider"_s, u"silent"_s}));
    EXPECT_EQ(TCheckNumberStore::ReadCheckNumber(u"provider"_s), u"0212345678"_s);

    MakeWindow();
    window->Timer1Timer();
    EXPECT_FALSE(Access().AlarmRaised());
    EXPECT_FALSE(AskTrustOnFirstStart()); // the store is no longer empty
    EXPECT_EQ(boxes.calls.size(), 1u);
}

TEST_F(HostFirstStart, NoLeavesTheAlarmAndIsNotAskedAgain)
{
    boxes.Answer(false);
    EXPECT_TRUE(AskTrustOnFirstStart());
    EXPECT_TRUE(TCheckNumberStore::SectionNames().isEmpty());
    MakeWindow();
    window->Timer1Timer();
    EXPECT_TRUE(Access().AlarmRaised());
    EXPECT_FALSE(AskTrustOnFirstStart());
    EXPECT_EQ(boxes.calls.size(), 1u);
}

TEST_F(HostFirstStart, AHangUpTheSystemRefusesIsACzechErrorNamingTheLinkAndTheCommand)
{
    QProcess pppd;
    pppd.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    pppd.start(QString::fromUtf8(NUVEX_STANDIN_PPPD), {u"call"_s, u"provider"_s, u"--up"_s});
    ASSERT_TRUE(pppd.waitForStarted(10000));
    ASSERT_TRUE(pppd.waitForReadyRead(10000));
    const auto pid = static_cast<ras::HRASCONN>(pppd.processId());
    test::OpenToOthers(sandbox);

    if (::geteuid() == 0) {
        EXPECT_TRUE(test::RunAsOrdinaryUser([pid] {
            ras::SelectMachineForTesting(ras::Machine::Host);
            TRasConnectionsList links;
            for (int i = 0; i < links.Count(); ++i) {
                if (links.Items(i).Handle() != pid)
                    continue;
                try {
                    links.Items(i).HangUp(0);
                } catch (const ERasError& error) {
                    const QString text = error.Message();
                    return error.ErrorCode == 5 && text.contains(u"Přístup byl odepřen."_s) &&
                           text.contains(u"patří jinému uživateli"_s) &&
                           text.contains(u"sudo poff provider"_s);
                }
            }
            return false;
        }));
    }
    // The owner may: SIGTERM ends it, and the wait sees it gone.
    TRasConnectionsList links;
    ASSERT_EQ(links.Count(), 1);
    EXPECT_EQ(links.Items(0).EntryName(), u"provider"_s);
    EXPECT_EQ(links.Items(0).GetConnectStatus().rasconnstate, ras::RASCS_Connected);
    links.Items(0).HangUp(0);
    EXPECT_EQ(links.Count(), 0);
    EXPECT_TRUE(pppd.waitForFinished(5000));
}

} // namespace
