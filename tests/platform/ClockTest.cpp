#include "Clock.h"

#include <gtest/gtest.h>

TEST(ClockTest, VirtualClockMovesOnlyWhenSleptOrAdvanced) {
    VirtualClock clock(1000);
    EXPECT_EQ(clock.NowMs(), 1000u);
    clock.SleepMs(3000);
    clock.Advance(5);
    EXPECT_EQ(clock.NowMs(), 4005u);
}

TEST(ClockTest, CurrentClockCanBeReplacedAndRestored) {
    VirtualClock clock(42);
    Clock* old = SetCurrentClock(&clock);
    EXPECT_EQ(CurrentClock().NowMs(), 42u);
    SetCurrentClock(nullptr);
    EXPECT_NE(&CurrentClock(), &clock);
    EXPECT_EQ(old, &CurrentClock());
}

TEST(ClockTest, SteadyClockIsMonotonic) {
    SteadyClock clock;
    auto a = clock.NowMs();
    clock.SleepMs(2);
    EXPECT_GE(clock.NowMs(), a + 2);
}
