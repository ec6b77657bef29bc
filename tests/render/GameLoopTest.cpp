// The timer-driven game loop: the frame tick's clock and the game timers.
#include <gtest/gtest.h>

#include <algorithm>

#include "render/RenderFixture.h"

using namespace kest2d;
using namespace kest2d::test;

namespace {
class GameLoop : public RenderFixture {};
}  // namespace

TEST_F(GameLoop, FrameClockStartsAtZeroAndIsClampedAfterAStall) {
    DrawingFrame* f = Start();
    platform::RunFor(15);
    ASSERT_EQ(1, f->drawScenes);
    EXPECT_EQ(0.0f, f->GetFrameDelta());
    platform::RunFor(10);
    ASSERT_EQ(2, f->drawScenes);
    EXPECT_FLOAT_EQ(0.010f, f->GetFrameDelta());
    // A long stall (the UI thread was busy for 2 s) passes 0.05 s.
    platform::AdvanceClock(2000);
    platform::PumpMessages();
    EXPECT_EQ(3, f->drawScenes);
    EXPECT_FLOAT_EQ(0.05f, f->GetFrameDelta());
    // 0.25 s exactly is still passed on.
    platform::AdvanceClock(250);
    platform::PumpMessages();
    EXPECT_FLOAT_EQ(0.25f, f->GetFrameDelta());
}

TEST_F(GameLoop, GameTimersReachTheHookAndTheLastPeriodWins) {
    DrawingFrame* f = Start();
    f->StartGameTimer(5, 100);
    platform::RunFor(205);
    EXPECT_EQ(2, std::count(f->gameTimers.begin(), f->gameTimers.end(), 5u));
    f->gameTimers.clear();
    f->StartGameTimer(7, 100);
    f->StartGameTimer(7, 30);
    platform::RunFor(100);
    EXPECT_EQ(3, std::count(f->gameTimers.begin(), f->gameTimers.end(), 7u));
    f->StopGameTimer(7);
    f->StopGameTimer(5);
    f->gameTimers.clear();
    platform::RunFor(200);
    EXPECT_TRUE(f->gameTimers.empty());
    // Engine timers never reach the game's hook, and frames went on all along.
    EXPECT_GT(f->drawScenes, 40);
}

TEST_F(GameLoop, PeriodsOfTwoToThe31MsOrMoreAreCutToTheLongestTimer) {
    DrawingFrame* f = Start();
    const DWORD day = 24u * 60 * 60 * 1000;
    for (unsigned period : {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
        const DWORD started = GetTickCount();
        f->StartGameTimer(9, period);
        f->gameTimers.clear();
        platform::RunFor(1000);
        platform::AdvanceClock(day);
        platform::RunFor(1000);
        EXPECT_TRUE(f->gameTimers.empty()) << period;
        // The longest period Windows keeps: about 24.8 days.
        platform::AdvanceClock(started + 0x7FFFFFFFu - GetTickCount());
        platform::PumpMessages();
        EXPECT_EQ(std::vector<unsigned>{9u}, f->gameTimers) << period;
        f->StopGameTimer(9);
    }
}
