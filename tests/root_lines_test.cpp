// What a front end may ask of the root beyond its best move: several best
// lines with exact scores, a search that ends at a mate of a given length,
// a ply-0 list cut down to some of the moves, the deepest ply reached and
// the root move being searched.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "search/search_internal.h"
#include "test_support.h"

namespace {

using SearchLines = EngineTest;

// White to move takes the undefended queen with the rook, the knight or the
// bishop; every other move leaves white a queen down.
const char* const QUEEN_TAKEN_THREE_WAYS = "6k1/5ppp/8/3q4/5N2/1B6/5PPP/3R2K1 w - - 0 1";
// White mates in two: 1. Rh1 Kf8 2. Rh8.
const char* const MATE_IN_TWO = "6k1/8/5K2/8/8/8/8/R7 w - - 0 1";

// Limits of a search to the depth, asking the rest of the caller.
SearchLimits depth_limits(int depth) {
    SearchLimits limits{};
    limits.start_ms = now_ms();
    limits.depth = depth;
    limits.poll_mask = 4095;
    return limits;
}

// Searches the position from a cleared table and history.
void search_fresh(const char* fen, const SearchLimits& limits) {
    setup(fen);
    hash_clear();
    clear_search_tables();
    generate_root_moves();
    search_move(limits);
}

std::string line_move(int k) { return move_text(root_lines[k].moves[0]); }

// The root moves announced before they are searched: their numbers by
// iteration, and the moves.
std::vector<std::vector<int>> announced_numbers;
std::vector<Move> announced_moves;
void record_root_move(int event) {
    if (event != PROGRESS_ROOT_MOVE) return;
    if (announced_numbers.size() < size_t(root_depth)) announced_numbers.resize(size_t(root_depth));
    announced_numbers[size_t(root_depth - 1)].push_back(current_root_move_number);
    announced_moves.push_back(current_root_move);
}

}  // namespace

TEST_F(SearchLines, SeveralLinesBestFirst) {
    SearchLimits limits = depth_limits(6);
    limits.lines = 3;
    search_fresh(QUEEN_TAKEN_THREE_WAYS, limits);
    ASSERT_EQ(root_line_count, 3);
    EXPECT_EQ(std::set<std::string>({line_move(0), line_move(1), line_move(2)}),
              std::set<std::string>({"d1d5", "f4d5", "b3d5"}));
    EXPECT_EQ(root_lines[0].moves[0], pv[0][0]);
    EXPECT_EQ(root_lines[0].score, root_score);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(root_lines[k].depth, 6) << k;
        EXPECT_EQ(completed_depth, 6);
        EXPECT_GT(root_lines[k].score, 500) << k;
        if (k > 0) {
            EXPECT_LE(root_lines[k].score, root_lines[k - 1].score) << k;
        }
    }
    // A fourth line is one of the moves that leave the queen: far below,
    // and still an exact score (the window came down to let it in).
    limits.lines = 4;
    search_fresh(QUEEN_TAKEN_THREE_WAYS, limits);
    ASSERT_EQ(root_line_count, 4);
    EXPECT_LT(root_lines[3].score, root_lines[2].score - 500);
    // Each line's score is that of its move searched alone to the same depth.
    const int fourth_score = root_lines[3].score;
    const Move fourth = root_lines[3].moves[0];
    setup(QUEEN_TAKEN_THREE_WAYS);
    hash_clear();
    clear_search_tables();
    generate_root_moves();
    for (int i = first_move[0]; i < last_move[0]; ++i)
        if (move_list[i].move == fourth) move_list[first_move[0]] = move_list[i];
    last_move[0] = first_move[0] + 1;
    SearchLimits alone = depth_limits(6);
    alone.restricted_root = 1;
    search_move(alone);
    EXPECT_EQ(root_score, fourth_score);

    // More lines than legal moves: one line per move.
    limits.lines = 5;
    search_fresh("7k/8/8/8/8/8/8/K7 w - - 0 1", limits);
    EXPECT_EQ(root_line_count, 3);
    // One line asked: the table of lines stays empty.
    limits.lines = 1;
    search_fresh(QUEEN_TAKEN_THREE_WAYS, limits);
    EXPECT_EQ(root_line_count, 0);
}

TEST_F(SearchLines, MateLimitEndsTheSearchOnceFound) {
    // Without a mate limit a mate is final one iteration after it was found.
    search_fresh(MATE_IN_TWO, depth_limits(MAX_ITERATION - 1));
    EXPECT_EQ(root_score, MATE - 3);
    const int final_depth = completed_depth;
    SearchLimits limits = depth_limits(MAX_ITERATION - 1);
    limits.mate_moves = 2;
    search_fresh(MATE_IN_TWO, limits);
    EXPECT_EQ(root_score, MATE - 3);
    EXPECT_EQ(completed_depth, final_depth - 1);
    // A mate in two is no mate in one: that limit does not end the search.
    limits.mate_moves = 1;
    search_fresh(MATE_IN_TWO, limits);
    EXPECT_EQ(completed_depth, final_depth);
}

TEST_F(SearchLines, PartOfTheListTakesNothingFromTheWholePosition) {
    // The whole position searched first leaves an exact score at the root.
    search_fresh(QUEEN_TAKEN_THREE_WAYS, depth_limits(5));
    ASSERT_STREQ(move_text(pv[0][0]), "d1d5");
    const int whole_score = root_score;
    // Then only g1f1, a move that lets the queen go: neither the
    // table's answer nor its bound is taken, the one move is searched to
    // the last iteration, and the root keeps only a lower bound.
    generate_root_moves();
    const Move only = find_move("g1f1");
    ASSERT_NE(only, 0u);
    move_list[first_move[0]].move = only;
    last_move[0] = first_move[0] + 1;
    SearchLimits limits = depth_limits(4);
    limits.restricted_root = 1;
    search_move(limits);
    EXPECT_EQ(pv[0][0], only);
    EXPECT_EQ(completed_depth, 4);
    EXPECT_LT(root_score, whole_score - 500);
    EXPECT_GT(nodes, 1);
    compute_hash_key();
    ASSERT_TRUE(hash_hit());
    EXPECT_EQ(hash_type(), HASH_LOWER);
}

TEST_F(SearchLines, DeepestPlyAndRootMoves) {
    announced_numbers.clear();
    announced_moves.clear();
    progress_hook = record_root_move;
    search_fresh("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", depth_limits(4));
    progress_hook = nullptr;
    // Every iteration announces the twenty moves, numbered in list order.
    std::vector<int> one_to_twenty(20);
    for (int n = 0; n < 20; ++n) one_to_twenty[size_t(n)] = n + 1;
    ASSERT_EQ(announced_numbers.size(), 4u);
    for (const std::vector<int>& numbers : announced_numbers) EXPECT_EQ(numbers, one_to_twenty);
    EXPECT_EQ(std::set<Move>(announced_moves.begin(), announced_moves.end()).size(), 20u);
    // The quiescence search reaches past the last iteration's depth.
    const int deep = sel_depth;
    EXPECT_GT(deep, 4);
    EXPECT_LT(deep, PV_ROWS);
    // A new search counts afresh.
    search_fresh("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", depth_limits(1));
    EXPECT_GE(sel_depth, 1);
    EXPECT_LT(sel_depth, deep);
}
