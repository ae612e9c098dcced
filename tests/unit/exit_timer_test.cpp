// SPDX-License-Identifier: MIT
// The exit timer's state table, against a recording timer service: arming,
// re-arming, disarming, expiries of its own and of foreign timers, and
// destruction.
#include "core/app/exit_timer.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace vexlan {
namespace {

// A timer service that keeps the set of running timers and counts Exit.
class FakeTimerHost : public ITimerHost {
public:
    UINT SetTimer(UINT nIDEvent, UINT nElapseMs) override
    {
        ++setCalls;
        lastElapse = nElapseMs;
        if (failCreate)
            return 0;
        running.insert(nIDEvent);
        return nIDEvent;
    }
    void KillTimer(UINT nIDEvent) override
    {
        kills.push_back(nIDEvent);
        running.erase(nIDEvent);
    }
    void PostExitCommand() override { ++exitsPosted; }

    bool failCreate = false;
    int setCalls = 0;
    UINT lastElapse = 0;
    std::set<UINT> running;
    std::vector<UINT> kills;
    int exitsPosted = 0;
};

TEST(ExitTimer, StartsDisarmed)
{
    FakeTimerHost host;
    CExitTimer timer(host);
    EXPECT_EQ(timer.GetTimerId(), 0u);
    EXPECT_FALSE(timer.IsArmed());
}

TEST(ExitTimer, ArmStartsOneMillisecondTimer111)
{
    FakeTimerHost host;
    CExitTimer timer(host);
    timer.SetExitTimer(true);
    EXPECT_EQ(timer.GetTimerId(), EXIT_TIMER_ID);
    EXPECT_EQ(EXIT_TIMER_ID, 111u);
    EXPECT_EQ(host.lastElapse, 1u);
    EXPECT_EQ(host.running, std::set<UINT>{111});
}

TEST(ExitTimer, TwoArmsLeaveOneTimer)
{
    FakeTimerHost host;
    CExitTimer timer(host);
    timer.SetExitTimer(true);
    timer.SetExitTimer(true);
    EXPECT_EQ(host.setCalls, 2);
    EXPECT_EQ(host.kills, std::vector<UINT>{111}); // the first was restarted
    EXPECT_EQ(host.running, std::set<UINT>{111});
    EXPECT_EQ(timer.GetTimerId(), 111u);
}

TEST(ExitTimer, DisarmWhenDisarmedDoesNothing)
{
    FakeTimerHost host;
    CExitTimer timer(host);
    timer.SetExitTimer(false);
    EXPECT_TRUE(host.kills.empty());
    EXPECT_EQ(host.setCalls, 0);
    EXPECT_EQ(timer.GetTimerId(), 0u);
}

TEST(ExitTimer, DisarmKillsArmedTimer)
{
    FakeTimerHost host;
    CExitTimer timer(host);
    timer.SetExitTimer(true);
    timer.SetExitTimer(false);
    EXPECT_TRUE(host.running.empty());
    EXPECT_EQ(timer.GetTimerId(), 0u);
}

// Expiries: which identifiers post Exit, from which state.
struct ExpiryCase {
    const char* name;
    bool armed;
    UINT nIDEvent;
    bool expectHandled;
};

class ExitTimerExpiry : public ::testing::TestWithParam<ExpiryCase> {};

TEST_P(ExitTimerExpiry, PostsExitOnlyForTheArmedTimer)
{
    const ExpiryCase& c = GetParam();
    FakeTimerHost host;
    CExitTimer timer(host);
    if (c.armed)
        timer.SetExitTimer(true);
    const UINT before = timer.GetTimerId();

    EXPECT_EQ(timer.OnTimer(c.nIDEvent), c.expectHandled);
    if (c.expectHandled) {
        EXPECT_EQ(host.exitsPosted, 1);
        EXPECT_EQ(timer.GetTimerId(), 0u);
        EXPECT_TRUE(host.running.empty()); // one-shot: killed on expiry
    } else {
        EXPECT_EQ(host.exitsPosted, 0);
        EXPECT_EQ(timer.GetTimerId(), before);
        EXPECT_EQ(host.running.size(), c.armed ? 1u : 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    States, ExitTimerExpiry,
    ::testing::Values(ExpiryCase{"ArmedOwnId", true, 111, true},
                      ExpiryCase{"ArmedForeignId", true, 112, false},
                      ExpiryCase{"ArmedZeroId", true, 0, false},
                      ExpiryCase{"DisarmedOwnId", false, 111, false},
                      ExpiryCase{"DisarmedZeroId", false, 0, false}),
    [](const ::testing::TestParamInfo<ExpiryCase>& info) { return std::string(info.param.name); });

TEST(ExitTimer, SecondExpiryAfterExitPostsNothing)
{
    FakeTimerHost host;
    CExitTimer timer(host);
    timer.SetExitTimer(true);
    ASSERT_TRUE(timer.OnTimer(111));
    EXPECT_FALSE(timer.OnTimer(111)); // an expiry already queued before the kill
    EXPECT_EQ(host.exitsPosted, 1);
}

TEST(ExitTimer, DestroyKillsArmedTimer)
{
    FakeTimerHost host;
    CExitTimer timer(host);
    timer.SetExitTimer(true);
    timer.OnDestroy();
    EXPECT_TRUE(host.running.empty());
    EXPECT_EQ(timer.GetTimerId(), 0u);
    EXPECT_EQ(host.exitsPosted, 0);
}

TEST(ExitTimer, DestroyWhenDisarmedKillsNothing)
{
    FakeTimerHost host;
    CExitTimer timer(host);
    timer.OnDestroy();
    EXPECT_TRUE(host.kills.empty());
}

TEST(ExitTimer, TimerThatCannotBeCreatedStaysDisarmed)
{
    FakeTimerHost host;
    host.failCreate = true;
    CExitTimer timer(host);
    timer.SetExitTimer(true);
    EXPECT_EQ(timer.GetTimerId(), 0u);
    // No expiry matches a timer that does not exist, not even identifier 0.
    EXPECT_FALSE(timer.OnTimer(0));
    EXPECT_EQ(host.exitsPosted, 0);
}

} // namespace
} // namespace vexlan
