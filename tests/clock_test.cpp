// The time budget of each move and how often the search looks at the clock.
#include <gtest/gtest.h>

#include "xboard/xboard.h"
#include "search/search.h"
#include "test_support.h"

namespace {

using Clock = EngineTest;

int poll_mask_planned;  // the poll mask of the limits budget_at made last

// The budget for a clock of `clock` milliseconds after `full_moves` moves of each side.
int budget_at(int clock, int full_moves, int opponent_ms = 0) {
    engine_clock = clock;
    opponent_clock = opponent_ms;
    history_count = 2 * full_moves;
    const SearchLimits limits = allocate_time();
    history_count = 0;
    EXPECT_EQ(limits.budget_ms, move_budget);
    poll_mask_planned = limits.poll_mask;
    return move_budget;
}

}  // namespace

TEST_F(Clock, MovesPerControl) {
    nps_estimate = 50000;
    parse_level("level 40 5 0\n");
    EXPECT_EQ(time_mode, TIME_MOVES);
    EXPECT_EQ(moves_per_control, 40);
    EXPECT_EQ(budget_at(300000, 0), 10000);   // 40 moves left: a thirtieth
    EXPECT_EQ(budget_at(300000, 39), 100000); // the last move of the control: a third
    EXPECT_EQ(budget_at(300000, 35), 30000);  // 5 left: a tenth
    EXPECT_EQ(budget_at(300000, 29), 10000);  // 11 left: still a thirtieth
    EXPECT_EQ(budget_at(300000, 30), 30000);  // 10 left: a tenth
    EXPECT_EQ(budget_at(300000, 40), 10000);  // a new control begins

    parse_level("level 100 5 0\n");
    EXPECT_EQ(budget_at(300000, 0), 7500);  // more than 70 left: a fortieth

    // Fewer than 7 moves: 14 percent of the clock whatever the move.
    parse_level("level 5 1 0\n");
    EXPECT_EQ(budget_at(60000, 0), 8400);
    EXPECT_EQ(budget_at(60000, 4), 8400);
    EXPECT_EQ(budget_at(12345, 3), 7 * 12345 / 5 / 10);
}

TEST_F(Clock, IncrementSuddenDeathAndMissingLevel) {
    parse_level("level 0 2 12\n");
    EXPECT_EQ(time_mode, TIME_INCREMENT);
    EXPECT_EQ(increment_ms, 12000);
    EXPECT_EQ(budget_at(70000, 10), 10000);

    parse_level("level 0 5 0\n");
    EXPECT_EQ(time_mode, TIME_SUDDEN_DEATH);
    EXPECT_EQ(budget_at(60000, 3, 30000), 4000);  // ahead on the clock
    EXPECT_EQ(budget_at(60000, 3, 60000), 1000);  // level or behind
    EXPECT_EQ(budget_at(60000, 3, 90000), 1000);

    // Minutes and seconds: the seconds field "08" is eight, the increment 0.
    parse_level("level 0 5:08 0\n");
    EXPECT_EQ(time_mode, TIME_SUDDEN_DEATH);
    EXPECT_EQ(increment_ms, 0);
    parse_level("level 40 0:30 2\n");
    EXPECT_EQ(time_mode, TIME_MOVES);
    EXPECT_EQ(increment_ms, 2000);

    // A short line leaves nothing of the previous one behind.
    parse_level("level 0 5 3\n");
    parse_level("level\n");
    EXPECT_EQ(moves_per_control, 0);
    EXPECT_EQ(increment_ms, 0);
    EXPECT_EQ(time_mode, TIME_SUDDEN_DEATH);

    // Before any "level" there is no move count to divide by.
    moves_per_control = 0;
    time_mode = TIME_MOVES;
    EXPECT_EQ(budget_at(60000, 0, 0), 4000);
}

TEST_F(Clock, PollMask) {
    parse_level("level 0 5 0\n");
    nps_estimate = 50000;
    EXPECT_EQ(budget_at(15000, 0), 1000);
    EXPECT_EQ(poll_mask_planned, 4095);  // n = 4166, p = 8192
    EXPECT_EQ(budget_at(14, 0), 0);
    EXPECT_EQ(poll_mask_planned, 0);  // n <= 1: every node
    nps_estimate = 24000;
    EXPECT_EQ(budget_at(15, 0), 1);
    EXPECT_EQ(poll_mask_planned, 1);  // n = 2, p = 2: every second node
    // A long budget at a high speed must not overflow the product.
    nps_estimate = 20000000;
    budget_at(1500000000, 0);
    EXPECT_GT(poll_mask_planned, 0);
    nps_estimate = 50000;
}

// Whatever numbers a front end sends, the clock words and the budgets built
// from them stay well defined and keep their meaning.
TEST_F(Clock, OutOfRangeNumbers) {
    int v = 0;
    EXPECT_STREQ(read_number(" 42 x", 10, &v), " x");
    EXPECT_EQ(v, 42);
    EXPECT_NE(read_number("99999999999999999999", 10, &v), nullptr);
    EXPECT_EQ(v, 2147483647);
    read_number("-99999999999", 10, &v);
    EXPECT_EQ(v, -2147483647 - 1);
    EXPECT_EQ(read_number("  x1", 10, &v), nullptr);
    read_number("0x14", 0, &v);
    EXPECT_EQ(v, 20);
    read_number("010", 0, &v);
    EXPECT_EQ(v, 8);
    EXPECT_EQ(clock_ms(2147483647, 10), CLOCK_LIMIT_MS);
    EXPECT_EQ(clock_ms(-2147483647, 1000), -CLOCK_LIMIT_MS);
    EXPECT_EQ(clock_ms(12345, 10), 123450);

    // An increment too large for milliseconds saturates instead of wrapping
    // negative (which would turn an increment game into sudden death).
    parse_level("level 0 5 99999999999\n");
    EXPECT_EQ(increment_ms, CLOCK_LIMIT_MS);
    EXPECT_EQ(time_mode, TIME_INCREMENT);
    parse_level("level 99999999999 5 0\n");
    EXPECT_EQ(moves_per_control, 2147483647);
    // Fields are read up to the first that is missing or not a number.
    parse_level("level 40 x 7\n");
    EXPECT_EQ(moves_per_control, 40);
    EXPECT_EQ(increment_ms, 0);
    parse_level("level 0 1:\n");
    EXPECT_EQ(time_mode, TIME_SUDDEN_DEATH);
    // A line that does not open with the word reads no field.
    parse_level("  level 40 5 0\n");
    EXPECT_EQ(moves_per_control, 0);

    // 7 * clock overflows 32 bits for long clocks with few moves per control.
    parse_level("level 5 1 0\n");
    EXPECT_EQ(budget_at(CLOCK_LIMIT_MS, 0), 140000000);
    parse_level("level 40 5 0\n");
    EXPECT_EQ(budget_at(-CLOCK_LIMIT_MS, 0), -CLOCK_LIMIT_MS / 30);
    EXPECT_EQ(poll_mask_planned, 0);
}

TEST_F(Clock, ElapsedTimeAcrossTheWrap) {
    // A reading taken just before the 32-bit millisecond count wraps.
    const int start = int(uint32_t(now_ms()) - 5000u);
    const int elapsed = elapsed_since(start);
    EXPECT_GE(elapsed, 5000);
    EXPECT_LT(elapsed, 6000);
}
