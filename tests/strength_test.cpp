// The strength limit: its knobs move one way with the rating, a game's seed gives the same move again, the move
// is one of the search's lines within the level's margin and leaves no queen to be taken, the top of the range
// is full strength, the natural time is a share of the full search's, and a limited search on several threads is
// the main thread's alone. (The options of both front ends are tested with theirs; matches measure the ratings.)
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "search/search_internal.h"
#include "test_support.h"
#include "tools/tools.h"

namespace {

using Strength = EngineTest;
using Threads = EngineTest;

// The move played at the rating with the seed, from a cleared table and history.
Move limited_move(const char* fen, int elo, uint64_t seed) {
    setup(fen);
    hash_clear();
    clear_search_tables();
    search_position(MAX_ITERATION - 1, 0, 1, elo, seed);
    return search.pv[0][0];
}

TEST_F(Strength, KnobsMoveOneWayWithTheRating) {
    EXPECT_TRUE(limited_elo(0) == 0 && limited_elo(-5) == 0 && limited_elo(STRENGTH_MAX_ELO) == 0 &&
                limited_elo(1) == STRENGTH_MIN_ELO && limited_elo(STRENGTH_MAX_ELO - 1) == STRENGTH_MAX_ELO - 1);
    StrengthKnobs last = strength_knobs(STRENGTH_MIN_ELO);
    EXPECT_TRUE(last.lines > 1 && last.margin > 0 && last.noise > 0 && last.depth >= 2);  // the bottom chooses
    for (int elo = STRENGTH_MIN_ELO + 1; elo < STRENGTH_MAX_ELO; ++elo) {
        const StrengthKnobs k = strength_knobs(elo);
        EXPECT_TRUE(k.nodes >= last.nodes && k.depth >= last.depth && k.lines <= last.lines &&
                    k.margin <= last.margin && k.noise <= last.noise && k.margin <= STRENGTH_MAX_MARGIN)
            << elo;
        last = k;
    }
    EXPECT_GT(last.nodes, 100 * strength_knobs(STRENGTH_MIN_ELO).nodes);
    const StrengthKnobs full = strength_knobs(STRENGTH_MAX_ELO);
    EXPECT_TRUE(full.nodes == 0 && full.depth == MAX_ITERATION - 1 && full.lines == 1 && !full.margin && !full.noise);
    // The top of the range is the search without a limit, node for node.
    setup(BENCH_FENS[7]);
    search_position(5, 0);
    const int64_t nodes = search.nodes;
    const Move move = search.pv[0][0];
    for (int elo : {0, STRENGTH_MAX_ELO}) {
        setup(BENCH_FENS[7]);
        hash_clear();
        clear_search_tables();
        search_position(5, 0, 1, elo, 3);
        EXPECT_TRUE(search.nodes == nodes && search.pv[0][0] == move) << elo;
    }
}

// At the bottom of the range, on positions of every phase: each seed gives the same move twice, a line of the
// search whose score the search reports; the seeds do not all give the same move.
TEST_F(Strength, TheSeedPicksAmongTheLinesWithinTheMargin) {
    std::set<Move> played;
    for (int p : {2, 7, 10, 21}) {
        for (uint64_t seed = 1; seed <= 6; ++seed) {
            const Move m = limited_move(BENCH_FENS[p], STRENGTH_MIN_ELO, seed);
            int score = NO_SCORE;
            for (int i = 0; i < search.root_line_count; ++i)
                if (search.root_lines[i].moves[0] == m) score = search.root_lines[i].score;
            EXPECT_TRUE(score > NO_SCORE && search.root_score == score) << p << " " << seed;
            EXPECT_EQ(limited_move(BENCH_FENS[p], STRENGTH_MIN_ELO, seed), m) << p << " " << seed;
            played.insert(m);
        }
    }
    EXPECT_GT(played.size(), 5u);
    // Lines made up: over many seeds the choice takes each line within the margin and none beyond it, nor
    // one of the first iteration (which saw no reply); a mate is always played, and a stalemate.
    const StrengthKnobs k = strength_knobs(STRENGTH_MIN_ELO);
    const struct {
        int score, depth;
    } lines[] = {{0, 2}, {-k.margin / 2, 2}, {-k.margin - 10, 3}, {80, 1}};
    SearchLimits l{};
    l.elo = STRENGTH_MIN_ELO;
    int picked[4] = {0, 0, 0, 0};
    const auto choose = [&](int mate_line) {
        search.root_line_count = 4;
        search.completed_depth = 2;
        for (int i = 0; i < 4; ++i) search.root_lines[i] = RootLine{lines[i].score, lines[i].depth, 1, {Move(i + 1)}};
        if (mate_line >= 0) search.root_lines[mate_line].score = MATE - 5;
        search.pv[0][0] = 0;  // the search's own move, which a mate keeps
        choose_limited_line(l);
        return int(search.pv[0][0]);
    };
    for (l.seed = 0; l.seed < 3000; ++l.seed) {
        ++picked[choose(-1) - 1];
        EXPECT_EQ(choose(1), 0);
    }
    EXPECT_TRUE(picked[0] > 0 && picked[1] > 0 && picked[2] == 0 && picked[3] == 0)
        << picked[0] << " " << picked[1] << " " << picked[2] << " " << picked[3];
    search.root_result = RESULT_STALEMATE;  // the search's stalemating move, which xboard declares, stands
    EXPECT_EQ(choose(-1), 0);
    // The queen on e3 is attacked by the pawn: no seed plays a move after which a reply takes her.
    for (uint64_t seed = 1; seed <= 24; ++seed) {
        const Move m = limited_move("k7/8/8/8/3p4/4Q3/8/4K3 w - - 0 1", STRENGTH_MIN_ELO, seed);
        ASSERT_TRUE(make_legal_move(m));
        const int queen = move_from(m) == sq("e3") ? move_to(m) : sq("e3");
        for (Move reply : legal_moves()) EXPECT_NE(move_to(reply), queen) << move_text(m) << " seed " << seed;
        unmake_move();
    }
}

// A level plays the same with 3 s left on its clock as without a clock: no rule of the clock between
// iterations cuts its few nodes short (a clock of 3 s or less would stop a full search after each). The
// whole clock is the budget, so that only a search stalled for 2.5 s meets the clock's hard stop.
TEST_F(Strength, TheLevelIsTheSameAtAnyClock) {
    const Move free = limited_move(BENCH_FENS[8], 1200, 9);
    const int64_t nodes = search.nodes;
    setup(BENCH_FENS[8]);
    hash_clear();
    clear_search_tables();
    generate_root_moves();
    SearchLimits l{};
    l.start_ms = now_ms();
    l.clock_rules = 1;
    l.clock_ms = 3000;
    l.budget_ms = 3000;
    l.depth = MAX_ITERATION - 1;
    l.poll_mask = 255;
    l.elo = 1200;
    l.seed = 9;
    search_move(l);
    EXPECT_TRUE(search.pv[0][0] == free && search.nodes == nodes) << search.nodes << " " << nodes;
}

TEST_F(Strength, NaturalTimeIsAShareOfTheBudget) {
    SearchLimits l{};
    l.elo = 1000;
    l.clock_rules = 1;
    l.clock_ms = 60000;
    l.budget_ms = 4000;
    int least = 4000, most = 0;
    for (l.seed = 1; l.seed <= 50; ++l.seed) {
        const int ms = natural_move_ms(l);
        least = ms < least ? ms : least;
        most = ms > most ? ms : most;
    }
    EXPECT_TRUE(least >= 1200 && most <= 2800 && most - least >= 800) << least << " " << most;
    l.movetime_ms = 1000;  // the sooner of the two
    EXPECT_LE(natural_move_ms(l), 700);
    l.clock_rules = 0;
    EXPECT_GE(natural_move_ms(l), 300);
    l.movetime_ms = 0;  // a depth, nodes, or infinite: no wait
    EXPECT_EQ(natural_move_ms(l), 0);
    l.optimum_ms = 2000;  // the UCI clock: a share of its optimum
    EXPECT_TRUE(natural_move_ms(l) >= 600 && natural_move_ms(l) <= 1400) << natural_move_ms(l);
    l.optimum_ms = 0;
    l.clock_rules = 1;
    l.clock_ms = 3000;  // short of time: no wait
    EXPECT_EQ(natural_move_ms(l), 0);
    l.clock_ms = 60000;
    l.elo = 0;
    EXPECT_EQ(natural_move_ms(l), 0);
}

// A limited search is the main thread's alone, whatever an earlier search of four threads left: the same
// nodes and move as on one thread, and the node count its own.
TEST_F(Threads, LimitedSearchIsTheMainThreadsAlone) {
    const Move one = limited_move(BENCH_FENS[11], 1400, 5);
    const int64_t nodes = search.nodes;
    set_search_threads(4);
    setup(BENCH_FENS[11]);
    search_position(6, 0);
    EXPECT_EQ(limited_move(BENCH_FENS[11], 1400, 5), one);
    EXPECT_TRUE(search.nodes == nodes && nodes_searched() == nodes) << nodes << " " << nodes_searched();
    set_search_threads(1);
}

}  // namespace
