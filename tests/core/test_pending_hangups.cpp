#include "watch/PendingHangUps.h"

#include <gtest/gtest.h>

using namespace nuvex;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

TEST(PendingHangUps, AwaitsOneLineUntilItGoesOrTheLimitSetsItAside)
{
    TPendingHangUps hangUps(30s, 30s);
    const auto t0 = TPendingHangUps::Clock::time_point{} + 1h;
    EXPECT_FALSE(hangUps.Awaited());
    hangUps.Start(7, u"Internet"_s, t0);
    ASSERT_TRUE(hangUps.Awaited());
    EXPECT_EQ(hangUps.Awaited()->Name, u"Internet"_s);
    EXPECT_EQ(hangUps.Poll(false, t0 + 29s), TPendingHangUps::TPoll::Waiting);
    EXPECT_EQ(hangUps.Poll(true, t0 + 29s), TPendingHangUps::TPoll::Gone);
    EXPECT_FALSE(hangUps.Awaited());
    EXPECT_FALSE(hangUps.Failed(7));

    hangUps.Start(8, u"Práce"_s, t0);
    EXPECT_EQ(hangUps.Poll(false, t0 + 30s), TPendingHangUps::TPoll::Failed);
    EXPECT_FALSE(hangUps.Awaited()); // the next line is not held up
    EXPECT_TRUE(hangUps.Failed(8));
    EXPECT_FALSE(hangUps.Failed(7));
}

TEST(PendingHangUps, AFailedLineIsTriedAgainAtItsPaceAndForgottenWhenItLeavesTheList)
{
    TPendingHangUps hangUps(1s, 30s);
    const auto t0 = TPendingHangUps::Clock::time_point{} + 1h;
    hangUps.Start(8, u"Práce"_s, t0);
    ASSERT_EQ(hangUps.Poll(false, t0 + 1s), TPendingHangUps::TPoll::Failed);
    EXPECT_FALSE(hangUps.RetryDue(8, t0 + 2s));
    EXPECT_FALSE(hangUps.RetryDue(9, t0 + 60s)); // not a failed line
    EXPECT_TRUE(hangUps.RetryDue(8, t0 + 31s));
    EXPECT_FALSE(hangUps.RetryDue(8, t0 + 32s)); // the next try is 30 s later
    EXPECT_TRUE(hangUps.RetryDue(8, t0 + 61s));

    EXPECT_TRUE(hangUps.Gone({8, 9}).isEmpty());
    EXPECT_EQ(hangUps.Gone({9}), QStringList{u"Práce"_s});
    EXPECT_FALSE(hangUps.Failed(8));
    EXPECT_TRUE(hangUps.Gone({}).isEmpty()); // said once
}
