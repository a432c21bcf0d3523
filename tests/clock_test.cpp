// The time budget of each move and how often the search looks at the clock.
#include <gtest/gtest.h>

#include "driver/driver.h"
#include "search/search.h"
#include "test_support.h"

namespace {

// The budget for a clock of `clock_ms` after `full_moves` moves of each side.
int budget_at(int clock_ms, int full_moves, int opponent_ms = 0) {
    engine_clock = clock_ms;
    opponent_clock = opponent_ms;
    history_count = 2 * full_moves;
    allocate_time();
    history_count = 0;
    return move_budget;
}

}  // namespace

TEST(Clock, MovesPerControl) {
    init_test_tables();
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

TEST(Clock, IncrementSuddenDeathAndMissingLevel) {
    init_test_tables();
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

TEST(Clock, PollMask) {
    init_test_tables();
    parse_level("level 0 5 0\n");
    nps_estimate = 50000;
    EXPECT_EQ(budget_at(15000, 0), 1000);
    EXPECT_EQ(poll_mask, 4095);  // n = 4166, p = 8192
    EXPECT_EQ(budget_at(14, 0), 0);
    EXPECT_EQ(poll_mask, 0);  // n <= 1: every node
    nps_estimate = 24000;
    EXPECT_EQ(budget_at(15, 0), 1);
    EXPECT_EQ(poll_mask, 1);  // n = 2, p = 2: every second node
    // A long budget at a high speed must not overflow the product.
    nps_estimate = 20000000;
    budget_at(1500000000, 0);
    EXPECT_GT(poll_mask, 0);
    nps_estimate = 50000;
}
