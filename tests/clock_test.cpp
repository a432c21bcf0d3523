// The clock of a game: the "level" line and the numbers of the protocol, the budget of each move,
// how often the search looks at the clock, and when it stops.
#include <gtest/gtest.h>

#include <string>

#include "search/search_internal.h"
#include "test_support.h"
#include "xboard/xboard.h"

namespace {

using Clock = EngineTest;

// The rule on a clock read in the same millisecond as start_ms was set `elapsed` before (tried again when
// the clock ticks in between).
template <typename Rule>
bool stops_after(int elapsed, Rule rule) {
    for (;;) {
        const int now = now_ms();
        search.search_limits.start_ms = now - elapsed;
        const bool stop = rule();
        if (now_ms() == now) return stop;
    }
}

TEST_F(Clock, LevelLinesAndNumbers) {
    // Numbers saturate (an increment wrapping negative would make sudden death); fields are read
    // up to the first that is missing or no number, only after the word at the start of the line;
    // "08" is eight; a short line keeps nothing of the one before ("level 0 5 3").
    const struct {
        const char* line;
        int mode, moves, increment;
    } levels[] = {
        {"level 40 5 0", TIME_MOVES, 40, 0},         {"level 0 2 12", TIME_INCREMENT, 0, 12000},
        {"level 0 5:08 0", TIME_SUDDEN_DEATH, 0, 0}, {"level 40 0:30 2", TIME_MOVES, 40, 2000},
        {"level", TIME_SUDDEN_DEATH, 0, 0},          {"level 40 x 7", TIME_MOVES, 40, 0},
        {"  level 40 5 0", TIME_SUDDEN_DEATH, 0, 0}, {"level 99999999999 5 0", TIME_MOVES, 2147483647, 0},
        {"level 0 5 99999999999", TIME_INCREMENT, 0, CLOCK_LIMIT_MS},
    };
    for (const auto& l : levels) {
        parse_level("level 0 5 3\n");
        parse_level((std::string(l.line) + "\n").c_str());
        EXPECT_EQ(time_mode, l.mode) << l.line;
        EXPECT_EQ(moves_per_control, l.moves) << l.line;
        EXPECT_EQ(increment_ms, l.increment) << l.line;
    }
    // Numbers saturate at the int range; base 0 reads hexadecimal and octal.
    const struct {
        const char *text, *rest;  // rest null: no number
        int base, value;
    } numbers[] = {{" 42 x", " x", 10, 42}, {"  x1", nullptr, 10, 42}, {"0x14", "", 0, 20}, {"010", "", 0, 8},
                   {"99999999999999999999", "", 10, 2147483647}, {"-99999999999", "", 10, -2147483647 - 1}};
    int v = 42;
    for (const auto& n : numbers) {
        const char* rest = read_number(n.text, n.base, &v);
        EXPECT_STREQ(rest, n.rest) << n.text;
        EXPECT_EQ(v, n.value) << n.text;
    }
    EXPECT_EQ(clock_ms(2147483647, 10), CLOCK_LIMIT_MS);
    EXPECT_EQ(clock_ms(-2147483647, 1000), -CLOCK_LIMIT_MS);
    EXPECT_EQ(clock_ms(12345, 10), 123450);
    // A reading taken just before the 32-bit millisecond count wraps.
    const int elapsed = elapsed_since(int(uint32_t(now_ms()) - 5000u));
    EXPECT_TRUE(elapsed >= 5000 && elapsed < 6000) << elapsed;
}

// The budget of a move and the poll mask planned with it (-1: not checked). Moves per control: a
// thirtieth with 11 to 70 moves left, a fortieth with more, a tenth with 2 to 10, a third for the
// last; 14 per cent of the clock with fewer than 7 moves a control (without overflow for long
// clocks). An increment: a seventh. Sudden death: a fifteenth when ahead on the clock, else a
// sixtieth. About 12 to 24 polls within the budget.
TEST_F(Clock, BudgetsAndPollMasks) {
    const struct {
        const char* level;
        int clock, full_moves, opponent, nps, budget, mask;
    } cases[] = {
        {"level 40 5 0", 300000, 0, 0, 50000, 10000, -1},   {"level 40 5 0", 300000, 39, 0, 50000, 100000, -1},
        {"level 40 5 0", 300000, 29, 0, 50000, 10000, -1},  {"level 40 5 0", 300000, 30, 0, 50000, 30000, -1},
        {"level 40 5 0", 300000, 40, 0, 50000, 10000, -1},  {"level 100 5 0", 300000, 0, 0, 50000, 7500, -1},
        {"level 5 1 0", 60000, 4, 0, 50000, 8400, -1},      {"level 5 1 0", 12345, 3, 0, 50000, 1728, -1},
        {"level 5 1 0", CLOCK_LIMIT_MS, 0, 0, 50000, 140000000, -1},
        {"level 40 5 0", -CLOCK_LIMIT_MS, 0, 0, 50000, -CLOCK_LIMIT_MS / 30, 0},
        {"level 0 2 12", 70000, 10, 0, 50000, 10000, -1},   {"level 0 5 0", 60000, 3, 30000, 50000, 4000, -1},
        {"level 0 5 0", 60000, 3, 60000, 50000, 1000, -1},
        {"level 0 5 0", 15000, 0, 0, 50000, 1000, 4095},    // 4166 nodes: 8192, polled every 4096
        {"level 0 5 0", 14, 0, 0, 50000, 0, 0},             // every node
        {"level 0 5 0", 15, 0, 0, 24000, 1, 1},             // every second node
    };
    for (const auto& c : cases) {
        parse_level((std::string(c.level) + "\n").c_str());
        engine_clock = c.clock;
        opponent_clock = c.opponent;
        nps_estimate = c.nps;
        pos.history_count = 2 * c.full_moves;
        const int mask = allocate_time().poll_mask;
        EXPECT_EQ(move_budget, c.budget) << c.level << " clock " << c.clock << " after " << c.full_moves;
        EXPECT_TRUE(c.mask < 0 || mask == c.mask) << c.clock << ": " << mask;
    }
    // Before any "level" there is no move count to divide by: sudden death.
    EXPECT_EQ(time_budget(TIME_MOVES, 0, 0, 60000, 0), 4000);
    // A long budget at a high speed must not overflow the product.
    EXPECT_GT(poll_mask_for(1500000000 / 60, 20000000), 0);
}

// Between iterations (clock_says_stop): no new iteration with 3000 ms or less on the clock, nor
// after 60 per cent of the budget unless the score is below 0, nor after 70 per cent unless it is
// -30 or worse. Within an iteration under the clock rules (limits_reached): 500 ms left, five
// budgets once a root move has a score, five sixths of the budget once a second root move was
// searched (armed); and the move time.
TEST_F(Clock, StopRules) {
    const struct {
        int clock, budget, movetime, elapsed, score, armed;
        bool between, within;
    } cases[] = {
        {3000, 1000000, 0, 0, 50, 0, true, false},          {3001, 1000000, 0, 0, 50, 0, false, false},
        {5000, 1000000, 0, 2000, 50, 0, true, false},       {5001, 1000000, 0, 2000, 50, 0, false, false},
        {100000, 1000, 0, 599, 0, 0, false, false},         {100000, 1000, 0, 600, 0, 0, true, false},
        {100000, 1000, 0, 600, -1, 0, false, false},        {100000, 1000, 0, 699, -29, 0, false, false},
        {100000, 1000, 0, 700, -29, 0, true, false},        {100000, 1000, 0, 700, -30, 0, false, false},
        {100000, 1000, 0, 5000, -30, 0, false, true},       {100000, 1000, 0, 5000, -29, 0, true, true},
        {600, 1000, 0, 100, NO_SCORE, 0, true, true},       {601, 1000, 0, 100, NO_SCORE, 0, true, false},
        {100000, 100, 0, 499, 0, 0, true, false},           {100000, 100, 0, 500, 0, 0, true, true},
        {100000, 100, 0, 500, NO_SCORE, 0, false, false},   {100000, 600, 0, 499, 0, 1, true, false},
        {100000, 600, 0, 500, 0, 1, true, true},            {100000, 600, 0, 500, NO_SCORE, 1, false, false},
        {0, 0, 300, 299, 0, 0, true, false},                {0, 0, 300, 300, 0, 0, true, true},
    };
    for (const auto& c : cases) {
        search.search_limits = SearchLimits{};
        search.search_limits.clock_rules = c.clock > 0;
        search.search_limits.clock_ms = c.clock;
        search.search_limits.budget_ms = c.budget;
        search.search_limits.movetime_ms = c.movetime;
        search.root_score = c.score;
        search.late_stop_armed = c.armed;
        SCOPED_TRACE(testing::Message() << "row " << &c - cases);
        EXPECT_EQ(stops_after(c.elapsed, clock_says_stop), c.between);
        EXPECT_EQ(stops_after(c.elapsed, limits_reached), c.within);
    }
}

// The time policy (an optimum of 1000 ms, a maximum of 4000): no new iteration after half of the optimum,
// the optimum half as long again after a change of best move and up to 1.6 times after a fall of the score,
// about half when the best move has stayed three iterations and took 70 per cent of the nodes or more;
// none that would not end before the maximum, judged by three times the last one. Within an iteration only
// the maximum stops it. Without an optimum the policy never stops.
TEST_F(Clock, TimePolicy) {
    const struct {
        int optimum, elapsed, last, changes, stable, share, fall;
        bool between, within;
    } cases[] = {
        {1000, 499, 0, 0, 0, 0, 0, false, false},      {1000, 500, 0, 0, 0, 0, 0, true, false},
        {1000, 749, 0, 16, 0, 0, 0, false, false},     {1000, 750, 0, 16, 0, 0, 0, true, false},
        {1000, 799, 0, 0, 0, 0, 120, false, false},    {1000, 800, 0, 0, 0, 0, 500, true, false},
        {1000, 300, 0, 0, 3, 700, 0, true, false},     {1000, 300, 0, 0, 2, 700, 0, false, false},
        {1000, 300, 0, 0, 3, 699, 0, false, false},    {1000, 375, 0, 0, 3, 699, 0, true, false},
        {1000, 100, 1300, 0, 0, 0, 0, false, false},   {1000, 100, 1301, 0, 0, 0, 0, true, false},
        {1000, 3999, 0, 160, 0, 0, 0, true, false},    {1000, 4000, 0, 160, 0, 0, 0, true, true},
        {0, 100000, 100000, 0, 0, 0, 0, false, false},
    };
    for (const auto& c : cases) {
        search.search_limits = SearchLimits{};
        search.search_limits.optimum_ms = c.optimum;
        search.search_limits.maximum_ms = c.optimum ? 4000 : 0;
        search.last_iteration_ms = c.last;
        search.move_instability = c.changes;
        search.completed_depth = 10;
        search.best_move_depth = 10 - c.stable;
        search.best_node_share = c.share;
        search.iteration_scores[0] = -c.fall;
        search.iteration_scores[1] = search.iteration_scores[2] = 0;
        SCOPED_TRACE(testing::Message() << "row " << &c - cases);
        EXPECT_EQ(stops_after(c.elapsed, time_policy_says_stop), c.between);
        EXPECT_EQ(stops_after(c.elapsed, limits_reached), c.within);
    }
}

}  // namespace
