// The search driven through the root as the engine drives it: mates,
// stalemate, repetition, ordering tie rules and the quiescence draw test.
#include <gtest/gtest.h>

#include <climits>

#include "driver/driver.h"
#include "search/search.h"
#include "test_support.h"

namespace {

// A fixed-depth search with a clock that never interferes.
void search_to_depth(const char* fen, int depth) {
    setup(fen);
    if (!hash_table) hash_init(8);
    in_check_flag = find_checker(xside);
    generate_root_moves();
    engine_clock = INT_MAX / 4;
    opponent_clock = 0;
    moves_per_control = 0;
    time_mode = TIME_SUDDEN_DEATH;
    allocate_time();
    move_budget = INT_MAX / 16;
    command_time = now_ms();
    last_iteration = depth;
    ++hash_age;
    root_search();
    last_iteration = MAX_ITERATION - 1;
}

}  // namespace

TEST(Search, MatesAndStalemates) {
    // The back-rank mate in one ends the search with the mate score.
    search_to_depth("6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", 6);
    EXPECT_STREQ(move_text(pv[0][0]), "a1a8");
    EXPECT_EQ(root_score, MATE - 1);
    EXPECT_EQ(ply, 0);

    // Found again with the king boxed in by its opposite number.
    search_to_depth("k7/8/1K6/8/8/8/8/7R w - - 0 1", 6);
    EXPECT_STREQ(move_text(pv[0][0]), "h1h8");
    EXPECT_EQ(root_score, MATE - 1);

    // Checkmated at the root: no move and the losing score.
    search_to_depth("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1", 4);
    EXPECT_EQ(pv[0][0], 0u);
    EXPECT_EQ(root_score, NO_SCORE);

    // Stalemated at the root.
    search_to_depth("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", 4);
    EXPECT_EQ(pv[0][0], 0u);
    EXPECT_EQ(root_result, RESULT_STALEMATE);
    EXPECT_EQ(root_score, 0);

    // A single legal move is returned after one iteration.
    search_to_depth("k7/8/8/8/8/8/1R6/K7 b - - 0 1", 10);
    EXPECT_STREQ(move_text(pv[0][0]), "a8a7");
    EXPECT_EQ(root_depth, 1);
}

TEST(Search, WinsMaterialAndKeepsThePositionIntact) {
    const char* fen = "4k3/8/8/3q4/8/8/3R4/3RK3 w - - 0 1";
    search_to_depth(fen, 5);
    EXPECT_STREQ(move_text(pv[0][0]), "d2d5");
    EXPECT_GT(root_score, 500);
    EXPECT_EQ(ply, 0);
    EXPECT_EQ(history_count, 0);
    EXPECT_TRUE(board_is_ok());
    EXPECT_EQ(position_key(), hash_key);
}

TEST(Search, RepetitionWalk) {
    setup("4k1n1/8/8/8/8/8/8/4K1N1 w - - 0 1");
    const char* moves[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(is_repetition(), 0) << i;
        generate_root_moves();
        const Move m = find_move(moves[i]);
        ASSERT_NE(m, 0u) << moves[i];
        ASSERT_TRUE(make_move(m));
    }
    EXPECT_EQ(is_repetition(), 1);  // four reversible half-moves back to the start
    EXPECT_EQ(is_threefold(), 0);   // once is not three times
    while (history_count) unmake_move();
    ply = 0;
}

TEST(Search, OrderingTieRules) {
    setup("4k3/8/8/8/8/8/8/4K2R w K - 0 1");
    generate_root_moves();
    const int first = first_move[0];
    for (int i = first; i < last_move[0]; ++i) move_list[i].score = 7;
    const Move second = move_list[first + 1].move;
    move_list[first + 1].score = 9;
    move_list[first + 2].score = 9;
    pick_best(first);
    EXPECT_EQ(move_list[first].move, second);  // the nearer of two equals
    EXPECT_EQ(boost_move(make_move_word(A1, A8, 0, 0)), 0);
    EXPECT_EQ(boost_move(second), 1);
    EXPECT_EQ(move_list[first].score, FIRST_SCORE);
}

TEST(Search, InsufficientMaterialIsADraw) {
    // King and knight cannot mate: even a deep search scores it 0.
    search_to_depth("4k3/8/8/8/8/8/8/4KN2 w - - 0 1", 6);
    EXPECT_EQ(root_score, 0);
    // A rook is enough to play for a win.
    search_to_depth("4k3/8/8/8/8/8/8/4KR2 w - - 0 1", 4);
    EXPECT_GT(root_score, 300);
}
