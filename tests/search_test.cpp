// The search through the root as the front ends drive it: hand-worked
// positions under every option setting, the root's reuse of its line and
// table, searches given up, several lines, a mate limit and part of the
// list, the search threads, and the bench signature.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "play_out_starts.h"
#include "search/search_internal.h"
#include "test_support.h"
#include "tools/tools.h"
#include "xboard/xboard.h"

namespace {

using Search = EngineTest;
using SearchLines = EngineTest;
using Threads = EngineTest;
using Bench = EngineTest;

void set_up_fresh(const char* fen) {
    setup(fen);
    hash_clear();
    clear_search_tables();
}

// The tool's search: to the depth, the clock far off, from a cleared table and history.
void search_fresh(const char* fen, int depth, int lines = 1) {
    set_up_fresh(fen);
    search_position(depth, 0, lines);
}

// A search to the depth alone as a front end may ask: with a mate limit, or
// of one move as part of the list (the ply-0 list cut down to it).
void search_limited(int depth, int mate_moves, const std::string& only_move = "") {
    generate_root_moves();
    SearchLimits limits{};
    limits.start_ms = now_ms();
    limits.depth = depth;
    limits.poll_mask = 4095;
    limits.mate_moves = mate_moves;
    if (!only_move.empty()) {
        const Move m = find_move(only_move.c_str());
        ASSERT_NE(m, 0u) << only_move;
        move_list[first_move[0]].move = m;
        last_move[0] = first_move[0] + 1;
        limits.restricted_root = 1;
    }
    search_move(limits);
}

bool is_legal(Move m) {
    const std::vector<Move> legal = legal_moves();
    return std::find(legal.begin(), legal.end(), m) != legal.end();
}

// Back at the root with the position as it was set up.
void expect_root_intact() {
    EXPECT_EQ(ply, 0);
    EXPECT_EQ(history_count, 0);
    EXPECT_TRUE(board_is_ok());
    EXPECT_EQ(position_key(), hash_key);
}

// Hand-checked: the move ("" none, null any), the score's bounds, the iterations searched (0 any).
const struct Worked {
    const char* fen;
    int depth;
    const char* best;
    int low, high, iterations;
} WORKED[] = {
    {"6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", 6, "a1a8", MATE - 1, MATE - 1, 0},      // back-rank mate
    {"6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", 5, "d1d8", MATE - 1, MATE - 1, 0},  // the same, own pawns
    {"k7/8/1K6/8/8/8/8/7R w - - 0 1", 6, "h1h8", MATE - 1, MATE - 1, 0},  // boxed in by the other king
    {"k7/8/2K5/8/8/8/8/7R w - - 0 1", 5, "c6b6", MATE - 3, MATE - 3, 0},  // Kb6 Kb8 Rh8, not Rh8+ Ka7
    {"R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1", 4, "", NO_SCORE, NO_SCORE, 0},  // mated
    {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", 4, "", 0, 0, 0},                   // stalemated
    {"4k3/8/8/3q4/8/8/3R4/3RK3 w - - 0 1", 5, "d2d5", 500, MATE_BOUND, 0},  // the rook takes the queen
    {"3q3k/8/8/4N3/8/8/P7/4K3 w - - 0 1", 5, "e5f7", 300, MATE_BOUND, 0},   // a knight fork, king and queen
    {"8/8/8/q2k4/8/8/6K1/7R w - - 0 1", 5, "h1h5", 400, MATE_BOUND, 0},     // a skewer on the fifth rank
    {"4k3/8/8/8/8/8/8/4KN2 w - - 0 1", 6, nullptr, 0, 0, 0},                 // king and knight cannot mate
    {"4k3/8/8/8/8/8/8/4KR2 w - - 0 1", 4, nullptr, 300, MATE_BOUND, 0},      // a rook can
    {"4k3/8/8/8/8/8/8/R3K3 w - - 100 80", 4, nullptr, 0, 0, 0},  // fifty moves: every quiet reply a draw
    {"4k3/8/8/8/8/8/8/R3K3 w - - 0 80", 4, nullptr, 300, MATE_BOUND, 0},
    {"k7/8/8/8/8/8/1R6/K7 b - - 0 1", 10, "a8a7", -MATE_BOUND, MATE_BOUND, 1},  // one legal move: one iteration
};

void expect_worked(const char* label) {
    for (const Worked& w : WORKED) {
        SCOPED_TRACE(testing::Message() << label << " " << w.fen);
        search_fresh(w.fen, w.depth);
        const std::string played = pv[0][0] ? move_text(pv[0][0]) : "";
        EXPECT_TRUE(!w.best || played == w.best) << played;
        EXPECT_TRUE(root_score >= w.low && root_score <= w.high) << root_score;
        EXPECT_EQ(root_result == RESULT_STALEMATE, w.best && !*w.best && !w.low);
        EXPECT_TRUE(!w.iterations || root_depth == w.iterations);
        expect_root_intact();
    }
}

TEST_F(Search, HandWorkedPositionsWithEveryOptionSetting) {
    const auto kiwipete_nodes = [] {
        search_fresh(PLAY_OUT_STARTS[1], 5);
        return nodes;
    };
    expect_worked("all on");
    const int64_t all_on = kiwipete_nodes();
    for (const SearchOption& o : search_options) {
        *o.flag = 0;
        expect_worked(o.name);
        // The scout windows and the null move each change a middlegame's tree.
        EXPECT_TRUE((o.flag != &nega_scout && o.flag != &nullmove) || kiwipete_nodes() != all_on) << o.name;
        *o.flag = 1;
    }
    for (const SearchOption& o : search_options) *o.flag = 0;
    expect_worked("all off");
    for (const SearchOption& o : search_options) *o.flag = 1;
    EXPECT_EQ(kiwipete_nodes(), all_on);  // nothing of the option runs is left behind
}

TEST_F(Search, RootReusesTheLineAndTheTable) {
    // After the expected reply the next search starts at depth 2 on the old line.
    search_fresh("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3", 4);
    ASSERT_GE(pv_length[0], 3);
    const Move next = pv[0][2];
    for (Move m : {pv[0][0], pv[0][1]}) {
        ASSERT_TRUE(make_move(m));
        update_hash_key(m);
    }
    ply = 0;
    search_position(1, 0);  // a last iteration of 1 lies below the start depth
    EXPECT_EQ(root_depth, 2);
    EXPECT_EQ(pv[0][0], next);
    EXPECT_EQ(nodes, 1);
    // A stalemate stored at the root ends the next search of it at once.
    search_fresh("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", 4);
    search_position(4, 0);
    EXPECT_EQ(root_result, RESULT_STALEMATE);
    EXPECT_EQ(root_score, 0);
    EXPECT_EQ(nodes, 1);
}

// A search given up before any root move has a score still plays the first
// legal entry (no move would read as being mated) and leaves the position as it was.
TEST_F(Search, GivingUpStillPlaysALegalMove) {
    // An upper bound at the root from an earlier search makes the first
    // iteration a deep one; the first clock test, with 400 ms left, stops it.
    setup(PLAY_OUT_STARTS[1]);
    hash_store(HASH_UPPER, 20, 0, 0);
    generate_root_moves();
    engine_clock = 400;
    opponent_clock = 1000;
    time_mode = TIME_SUDDEN_DEATH;
    search_move(allocate_time());
    EXPECT_EQ(time_out, 1);
    EXPECT_EQ(root_depth, 21);
    EXPECT_EQ(root_score, NO_SCORE);
    EXPECT_TRUE(is_legal(pv[0][0]));
    expect_root_intact();

    // The move stack run full: the ply-0 list ends at the limit, so every
    // node at ply 1 finds it full, or one short of it, so that a quiescence
    // search fills it with a capture. The principal-variation searches (full
    // width, then quiescence) give up the whole search; plain alpha-beta
    // (the root's without the scout windows) warns and goes on.
    static int warnings;
    warning_hook = [](const char* text) {
        EXPECT_STREQ(text, "stack fails");
        ++warnings;
    };
    const struct {
        int scout, short_of_limit;
        const char* failure;
    } cases[] = {{1, 0, "move stack fails"}, {1, 1, "stack fails"}, {0, 0, nullptr}, {0, 1, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << &c - cases);
        setup("rnbqkbnr/ppp1pppp/8/3p4/4P3/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 2");
        nega_scout = c.scout;
        warnings = 0;
        generate_root_moves();
        first_move[0] = MOVE_STACK_LIMIT - c.short_of_limit - (last_move[0] - first_move[0]);
        search_position(3, 0);
        ASSERT_EQ(first_move[1], MOVE_STACK_LIMIT - c.short_of_limit);
        EXPECT_STREQ(search_failure, c.failure);
        EXPECT_EQ(warnings > 0, !c.failure);
        EXPECT_EQ(completed_depth, c.failure ? 0 : 3);
        EXPECT_TRUE(is_legal(pv[0][0]));
        expect_root_intact();
    }
}

// White takes the undefended queen with the rook, the knight or the bishop;
// every other move leaves white a queen down.
const char* const QUEEN_TAKEN_THREE_WAYS = "6k1/5ppp/8/3q4/5N2/1B6/5PPP/3R2K1 w - - 0 1";

std::string line_move(int k) { return move_text(root_lines[k].moves[0]); }

TEST_F(SearchLines, SeveralLinesBestFirst) {
    search_fresh(QUEEN_TAKEN_THREE_WAYS, 6, 3);
    ASSERT_EQ(root_line_count, 3);
    EXPECT_EQ(std::set<std::string>({line_move(0), line_move(1), line_move(2)}),
              std::set<std::string>({"d1d5", "f4d5", "b3d5"}));
    EXPECT_EQ(root_lines[0].moves[0], pv[0][0]);
    EXPECT_EQ(root_lines[0].score, root_score);
    EXPECT_EQ(completed_depth, 6);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(root_lines[k].depth, 6) << k;
        EXPECT_GT(root_lines[k].score, 500) << k;
        EXPECT_TRUE(k == 0 || root_lines[k].score <= root_lines[k - 1].score) << k;
    }
    // A fourth line is one of the moves that leave the queen: far below, and
    // still exact (the window came down to let it in), the score of its move
    // searched alone to the same depth.
    search_fresh(QUEEN_TAKEN_THREE_WAYS, 6, 4);
    ASSERT_EQ(root_line_count, 4);
    EXPECT_LT(root_lines[3].score, root_lines[2].score - 500);
    const int fourth_score = root_lines[3].score;
    set_up_fresh(QUEEN_TAKEN_THREE_WAYS);
    search_limited(6, 0, line_move(3));
    EXPECT_EQ(root_score, fourth_score);
    // More lines than legal moves: one line per move; one line asked: none kept.
    search_fresh("7k/8/8/8/8/8/8/K7 w - - 0 1", 6, 5);
    EXPECT_EQ(root_line_count, 3);
    search_fresh(QUEEN_TAKEN_THREE_WAYS, 6, 1);
    EXPECT_EQ(root_line_count, 0);
}

TEST_F(SearchLines, MateLimitEndsTheSearchOnceFound) {
    // Without a mate limit a mate is final one iteration after it was found.
    const char* mate_in_two = "6k1/8/5K2/8/8/8/8/R7 w - - 0 1";  // 1. Rh1 Kf8 2. Rh8
    search_fresh(mate_in_two, MAX_ITERATION - 1);
    EXPECT_EQ(root_score, MATE - 3);
    const int final_depth = completed_depth;
    for (const int moves : {2, 1}) {  // a mate in two is no mate in one
        set_up_fresh(mate_in_two);
        search_limited(MAX_ITERATION - 1, moves);
        EXPECT_EQ(root_score, MATE - 3);
        EXPECT_EQ(completed_depth, moves == 2 ? final_depth - 1 : final_depth);
    }
}

TEST_F(SearchLines, PartOfTheListTakesNothingFromTheWholePosition) {
    // The whole position searched first leaves an exact score at the root.
    search_fresh(QUEEN_TAKEN_THREE_WAYS, 5);
    ASSERT_STREQ(move_text(pv[0][0]), "d1d5");
    const int whole_score = root_score;
    // Then only g1f1, which lets the queen go: neither the table's answer
    // nor its bound is taken, the one move is searched to the last
    // iteration, and the root keeps only a lower bound.
    search_limited(4, 0, "g1f1");
    EXPECT_STREQ(move_text(pv[0][0]), "g1f1");
    EXPECT_EQ(completed_depth, 4);
    EXPECT_LT(root_score, whole_score - 500);
    EXPECT_GT(nodes, 1);
    compute_hash_key();
    ASSERT_TRUE(hash_hit());
    EXPECT_EQ(hash_type(), HASH_LOWER);
}

TEST_F(SearchLines, DeepestPlyAndRootMoves) {
    // Every iteration announces the twenty moves, numbered in list order.
    static std::vector<std::vector<Move>> announced;  // by iteration
    progress_hook = [](int event) {
        if (event != PROGRESS_ROOT_MOVE) return;
        announced.resize(size_t(root_depth));
        EXPECT_EQ(current_root_move_number, int(announced.back().size()) + 1);
        announced.back().push_back(current_root_move);
    };
    search_fresh(PLAY_OUT_STARTS[0], 4);
    progress_hook = nullptr;
    ASSERT_EQ(announced.size(), 4u);
    for (const std::vector<Move>& moves : announced)
        EXPECT_EQ(std::set<Move>(moves.begin(), moves.end()).size(), 20u);
    // The quiescence search reaches past the last iteration's depth; a new search counts afresh.
    const int deep = sel_depth;
    EXPECT_GT(deep, 4);
    EXPECT_LT(deep, PV_ROWS);
    search_fresh(PLAY_OUT_STARTS[0], 1);
    EXPECT_GE(sel_depth, 1);
    EXPECT_LT(sel_depth, deep);
}

// A search of the FEN after some random moves, for time_ms on the threads the test set: a
// legal move, a score on the scale, a line that replays legally, the position as it was.
void expect_sound_search(const char* fen, int time_ms, int random_plies = 0) {
    setup(fen);
    for (; random_plies > 0 && !legal_moves().empty(); --random_plies) {
        const std::vector<Move> legal = legal_moves();
        make_move(legal[next_random() % legal.size()]);
    }
    ply = 0;
    compute_hash_key();
    const Snapshot before = take_snapshot();
    const bool any = !legal_moves().empty();
    search_position(MAX_ITERATION - 1, time_ms);
    EXPECT_TRUE(same(take_snapshot(), before)) << fen;
    if (!any) return;
    EXPECT_TRUE(root_score > -MATE && root_score < MATE) << fen << ": " << root_score;
    int made = 0;
    while (made < pv_length[0] && is_legal(pv[0][made])) make_move(pv[0][made++]);
    EXPECT_EQ(made, pv_length[0]) << fen << ": move " << made << " of the line is not legal";
    while (made--) unmake_move();
}

// Whatever the helpers did, the main thread plays a legal move with a line
// that replays legally and leaves its position as it found it.
TEST_F(Threads, SearchesOnOneToFourThreadsAreSound) {
    for (int threads = 1; threads <= 4; ++threads) {
        set_search_threads(threads);
        ASSERT_EQ(search_threads(), threads);
        // Short searches, so that the sanitizer builds do as many as the Release build.
        for (const char* fen : PLAY_OUT_STARTS) expect_sound_search(fen, 25);
        for (const char* fen : BENCH_FENS) expect_sound_search(fen, 25);
    }
    // The helpers' nodes are counted with the main thread's (from an empty
    // table, which has no early answer at the root).
    set_search_threads(2);
    hash_clear();
    expect_sound_search(PLAY_OUT_STARTS[1], 100);
    EXPECT_GT(nodes_searched(), nodes);
    // The count is clamped to what the engine takes.
    set_search_threads(0);
    EXPECT_EQ(search_threads(), 1);
    set_search_threads(MAX_THREADS + 1);
    EXPECT_EQ(search_threads(), MAX_THREADS);
}

// The smallest table with four threads, every slot fought over.
TEST_F(Threads, SmallestTableWithFourThreads) {
    ASSERT_GT(hash_init(5), 0);
    set_search_threads(4);
    for (int round = 0; round < 60; ++round)
        expect_sound_search(PLAY_OUT_STARTS[round % PLAY_OUT_START_COUNT], 15, int(next_random() % 8));
}

// A slot whose lock and data come from two different stores (one thread
// writing while another reads) reads as a miss, as a slot of another position does.
TEST_F(Threads, MixedSlotIsAMiss) {
    hash_store(HASH_EXACT, 5, 40, 0);
    EXPECT_TRUE(hash_hit());
    hash_entry->info ^= 1u << 12;  // another store's move, under this store's lock
    EXPECT_FALSE(hash_hit());
    hash_entry->info ^= 1u << 12;
    hash_entry->score_bound ^= 4;  // another store's score
    EXPECT_FALSE(hash_hit());
}

// The node total of the built-in bench positions at a small depth: any
// change to generation order, scoring, evaluation or search moves it; a
// change that alters the search on purpose updates it here, in the same
// commit, with the reason. A second run from cleared tables gives the same.
TEST_F(Bench, SignatureIsStable) {
    EXPECT_EQ(run_bench(4, false), 900803);
    EXPECT_EQ(run_bench(4, false), 900803);
}

}  // namespace
