// The clock of a game (the "level" line and the numbers of the protocol, the budget of each move,
// how often the search looks at the clock, when it stops) and its end through the xboard
// protocol: every result the engine announces itself, and a game of a thousand half-moves.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "search/search_internal.h"
#include "test_support.h"
#include "xboard/xboard.h"

namespace {

using Clock = EngineTest;
using Adjudication = EngineTest;
using LongGame = EngineTest;

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
        history_count = 2 * c.full_moves;
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
    // The rule on a clock read in the same millisecond as start_ms was set
    // `elapsed` before (tried again when the clock ticks in between).
    const auto stops_after = [](int elapsed, auto rule) {
        for (;;) {
            const int now = now_ms();
            search_limits.start_ms = now - elapsed;
            const bool stop = rule();
            if (now_ms() == now) return stop;
        }
    };
    for (const auto& c : cases) {
        search_limits = SearchLimits{};
        search_limits.clock_rules = c.clock > 0;
        search_limits.clock_ms = c.clock;
        search_limits.budget_ms = c.budget;
        search_limits.movetime_ms = c.movetime;
        root_score = c.score;
        late_stop_armed = c.armed;
        SCOPED_TRACE(testing::Message() << "row " << &c - cases);
        EXPECT_EQ(stops_after(c.elapsed, clock_says_stop), c.between);
        EXPECT_EQ(stops_after(c.elapsed, limits_reached), c.within);
    }
}

// The next move of a walk through positions not seen before that leaves the other side a move:
// a quiet piece move, or, once eighty half-moves have passed without one and when allowed, a
// pawn move or a capture. 0 when there is none.
Move next_walk_move(std::mt19937& rng, std::set<uint64_t>& seen, bool irreversible_allowed) {
    std::vector<Move> quiet, irreversible;
    generate_root_moves();
    for (int i = first_move[0]; i < last_move[0]; ++i) {
        const Move m = move_list[i].move;
        if (!make_legal_move(m)) continue;
        if (!seen.count(position_key()) && !legal_moves().empty())
            (move_flags(m) & (MOVE_PAWN | MOVE_DOUBLE | MOVE_CAPTURE) ? irreversible : quiet).push_back(m);
        unmake_move();
    }
    if (!irreversible_allowed) irreversible.clear();
    std::vector<Move>& first = fifty >= 80 && !irreversible.empty() ? irreversible : quiet;
    std::vector<Move>& pool = first.empty() ? irreversible : first;
    if (pool.empty()) return 0;
    const Move m = pool[rng() % pool.size()];
    make_move(m);
    seen.insert(position_key());
    return m;
}

// One session, one game after another, each from a new game in force mode: the engine's whole
// answer to the lines sent is the result line, after its move when it mates, and it plays
// neither side afterwards.
TEST_F(Adjudication, EveryGameEndInOneSession) {
    const std::vector<std::string> back_rank = edit_lines({"Kg1", "Ra1"}, {"Kg8", "Pf7", "Pg7", "Ph7"});  // Ra8#
    // A hundred reversible half-moves of rooks and kings, the last one black's
    // and the engine playing white: the draw instead of a move.
    setup("6k1/r7/8/8/8/8/7R/1K6 w - - 0 1");
    std::mt19937 rng(7);
    std::set<uint64_t> seen = {position_key()};
    std::vector<std::string> hundred;
    for (int i = 0; i < 100; ++i) {
        const Move m = next_walk_move(rng, seen, false);
        ASSERT_NE(m, 0u) << i;
        if (i == 99) hundred.push_back("black");
        hundred.push_back(long_algebraic(m));
    }
    const struct {
        std::vector<std::string> position, sent;
        const char* answer;
    } games[] = {
        {back_rank, {"white", "a1a8"}, "\n1-0 {Vexmoth Lost - Mate}\n"},
        {edit_lines({"Kf7", "Qg5"}, {"Kh8"}), {"white", "g5g6"}, "\n1/2-1/2 {Vexmoth draws, Stalemate}\n"},
        // The mating move is printed but not made: white is still on move.
        {back_rank, {"go", "a1a8"}, "move a1a8\n\n1-0 {Vexmoth Mate}\n"},
        // The knights out and back twice is a threefold repetition, and not before.
        {{}, {"g1f3", "g8f6", "f3g1", "f6g8", "g1f3", "g8f6", "f3g1", "f6g8"},
         "\n1/2-1/2 {Vexmoth draws, 3 Repetition}\n"},
        {edit_lines({"Kb1", "Rh2"}, {"Kg8", "Ra7"}), hundred, "\n1/2-1/2 {Vexmoth draws, Fifty}\n"},
    };
    EngineProcess e;
    start_session(e);
    for (const auto& g : games) {
        send_lines(e, {"new", "force"});
        send_lines(e, g.position);
        send_lines(e, QUICK_CLOCK);
        EXPECT_EQ(answer_to(e, g.sent), g.answer);
    }
    EXPECT_EQ(wait_exit(e), 0);
}

// A game of a thousand half-moves sent in force mode, without a repetition or a fifty-move draw:
// every move is accepted in silence, and at the limit the game ends in order.
TEST_F(LongGame, AThousandHalfMovesWithoutRepetitionReachTheLimit) {
    EngineProcess engine;
    start_session(engine);
    send_lines(engine, {"xboard", "new", "force"});
    output_until_synced(engine, 30000);  // the empty line "xboard" answers
    std::mt19937 rng(20261207);
    std::set<uint64_t> seen = {position_key()};
    while (history_count < GAME_HISTORY_LIMIT) {
        const Move m = next_walk_move(rng, seen, true);
        ASSERT_NE(m, 0u) << "the walk is stuck at half-move " << history_count;
        send_line(engine, long_algebraic(m));
    }
    EXPECT_EQ(output_until_synced(engine, 30000), "");
    EXPECT_LT(fifty, 100);  // the walk is the game it claims to be
    // One half-move more is refused; asked to play, the engine ends the game.
    const Move extra = next_walk_move(rng, seen, true);
    ASSERT_NE(extra, 0u);
    const std::string extra_text = long_algebraic(extra);
    send_lines(engine, {extra_text, "go"});
    EXPECT_TRUE(expect_output(engine, "Error (game too long): " + extra_text + "\n", 30000));
    EXPECT_TRUE(expect_output(engine, "\n1/2-1/2 {Vexmoth draws, game too long}\n"));
    // The last move can still be taken back and played again, and a new game started.
    unmake_move();
    send_lines(engine, {"force", "undo", long_algebraic(history[history_count - 1].move)});
    EXPECT_EQ(output_until_synced(engine, 30000), "");
    send_lines(engine, {"new"});
    send_lines(engine, QUICK_CLOCK);
    send_lines(engine, {"e2e4"});
    EXPECT_TRUE(expect_output(engine, "move "));
    EXPECT_EQ(wait_exit(engine), 0);
}

}  // namespace
