// The search driven through the root as the engine drives it: mates,
// stalemate, repetition, ordering tie rules and the quiescence draw test.
#include <gtest/gtest.h>

#include <climits>

#include "xboard/xboard.h"
#include "search/search_internal.h"
#include "tools/tools.h"
#include "test_support.h"

namespace {

using Search = EngineTest;

// A fixed-depth search from the position, as the engine's turn runs it,
// with a cleared table and history so that searches within a test do not
// depend on each other.
void search_to_depth(const char* fen, int depth) {
    setup(fen);
    hash_clear();
    clear_search_tables();
    search_position(depth, 0);
}

}  // namespace

TEST_F(Search, MatesAndStalemates) {
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

TEST_F(Search, WinsMaterialAndKeepsThePositionIntact) {
    const char* fen = "4k3/8/8/3q4/8/8/3R4/3RK3 w - - 0 1";
    search_to_depth(fen, 5);
    EXPECT_STREQ(move_text(pv[0][0]), "d2d5");
    EXPECT_GT(root_score, 500);
    EXPECT_EQ(ply, 0);
    EXPECT_EQ(history_count, 0);
    EXPECT_TRUE(board_is_ok());
    EXPECT_EQ(position_key(), hash_key);
}

TEST_F(Search, RepetitionWalk) {
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

TEST_F(Search, OrderingTieRules) {
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

TEST_F(Search, InsufficientMaterialIsADraw) {
    // King and knight cannot mate: even a deep search scores it 0.
    search_to_depth("4k3/8/8/8/8/8/8/4KN2 w - - 0 1", 6);
    EXPECT_EQ(root_score, 0);
    // A rook is enough to play for a win.
    search_to_depth("4k3/8/8/8/8/8/8/4KR2 w - - 0 1", 4);
    EXPECT_GT(root_score, 300);
}

namespace {

struct Tactic {
    const char* fen;
    const char* best;
    int least_score;
};

// Hand-checked: a back-rank mate in one; a mate in two (Kb6 Kb8 Rh8, no
// mate in one since Rh8+ lets the king out to a7); a knight fork of king and
// queen (a pawn kept so that the ending is not a dead draw); a skewer of king
// and queen along the fifth rank.
const Tactic TACTICS[] = {
    {"6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", "d1d8", MATE - 1},
    {"k7/8/2K5/8/8/8/8/7R w - - 0 1", "c6b6", MATE - 3},
    {"3q3k/8/8/4N3/8/8/P7/4K3 w - - 0 1", "e5f7", 300},
    {"8/8/8/q2k4/8/8/6K1/7R w - - 0 1", "h1h5", 400},
};

constexpr int TACTIC_DEPTH = 5;

void set_all_options(int value) {
    for (const SearchOption& o : search_options) *o.flag = value;
}

void expect_tactics_found(const char* label) {
    for (const Tactic& t : TACTICS) {
        search_to_depth(t.fen, TACTIC_DEPTH);
        EXPECT_STREQ(move_text(pv[0][0]), t.best) << label << " " << t.fen;
        EXPECT_GE(root_score, t.least_score) << label << " " << t.fen;
        if (t.least_score >= MATE_BOUND) {
            EXPECT_EQ(root_score, t.least_score) << label << " " << t.fen;
        }
        EXPECT_EQ(ply, 0);
        EXPECT_EQ(history_count, 0);
    }
}

int kiwipete_nodes() {
    search_to_depth("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", TACTIC_DEPTH);
    return nodes;
}

}  // namespace

TEST_F(Search, TacticsWithEveryOptionSetting) {
    set_all_options(1);
    expect_tactics_found("all on");
    const int all_on = kiwipete_nodes();
    for (const SearchOption& o : search_options) {
        *o.flag = 0;
        expect_tactics_found(o.name);
        const int without = kiwipete_nodes();
        // The scout windows and the null move each change the tree of a
        // middlegame; the others may leave a shallow one alone.
        if (o.flag == &nega_scout || o.flag == &nullmove) {
            EXPECT_NE(without, all_on) << o.name;
        }
        *o.flag = 1;
    }
    set_all_options(0);
    expect_tactics_found("all off");
    set_all_options(1);
    EXPECT_EQ(kiwipete_nodes(), all_on);  // nothing of the option runs is left behind
}

TEST_F(Search, TimedSearchStopsAndRestoresThePosition) {
    const char* fen = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";
    setup(fen);
    compute_hash_key();
    const uint64_t key = hash_key;
    const int white = material[WHITE], black = material[BLACK];
    const int start = now_ms();
    constexpr int BUDGET = 300;
    search_position(MAX_ITERATION - 1, BUDGET);
    const int elapsed = now_ms() - start;
    EXPECT_NE(pv[0][0], 0u);
    EXPECT_GE(root_depth, 2);
    // The hard limit is five budgets; the rest is room for a loaded machine.
    EXPECT_LT(elapsed, 5 * BUDGET + 2000);
    EXPECT_EQ(ply, 0);
    EXPECT_EQ(history_count, 0);
    EXPECT_EQ(hash_key, key);
    EXPECT_EQ(position_key(), key);
    EXPECT_EQ(material[WHITE], white);
    EXPECT_EQ(material[BLACK], black);
    EXPECT_TRUE(board_is_ok());
}

// An upper bound at the root from an earlier search makes the first
// iteration a deep one; with 400 ms on the clock the first clock test stops
// it before any root move has a score. The engine must still play a legal
// move rather than read its empty answer as being mated.
TEST_F(Search, TimeOutBeforeAnyScorePlaysALegalMove) {
    setup("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
    hash_clear();
    clear_search_tables();
    compute_hash_key();
    hash_store(HASH_UPPER, 20, 0, 0);
    generate_root_moves();
    engine_clock = 400;
    command_time = now_ms();
    time_mode = TIME_SUDDEN_DEATH;
    opponent_clock = 1000;
    search_move(allocate_time());  // a budget of 400 / 60 ms
    EXPECT_EQ(time_out, 1);
    EXPECT_EQ(root_depth, 21);
    EXPECT_EQ(root_score, NO_SCORE);
    const Move played = pv[0][0];
    ASSERT_NE(played, 0u);
    ASSERT_TRUE(make_move(played));
    EXPECT_EQ(find_checker(side), 0);
    unmake_move();
    EXPECT_EQ(ply, 0);
    EXPECT_TRUE(board_is_ok());
}

TEST_F(Search, RootReusesTheLineAndTheTable) {
    // After the expected reply the next search starts at depth 2 on the old line.
    search_to_depth("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3", 4);
    ASSERT_GE(pv_length[0], 3);
    const Move mine = pv[0][0], reply = pv[0][1], next = pv[0][2];
    for (Move m : {mine, reply}) {
        ASSERT_TRUE(make_move(m));
        update_hash_key(m);
    }
    ply = 0;
    search_position(1, 0);  // a last iteration of 1 lies below the start depth
    EXPECT_EQ(root_depth, 2);
    EXPECT_EQ(pv[0][0], next);
    EXPECT_EQ(nodes, 1);
    while (history_count) unmake_move();
    ply = 0;

    // A stalemate stored at the root ends the next search of it at once.
    search_to_depth("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", 4);
    EXPECT_EQ(root_result, RESULT_STALEMATE);
    search_position(4, 0);
    EXPECT_EQ(root_result, RESULT_STALEMATE);
    EXPECT_EQ(root_score, 0);
    EXPECT_EQ(nodes, 1);
}

TEST_F(Search, FiftyMoveRuleInsideTheSearch) {
    // Every reply is a quiet move past the hundredth half-move: the nodes
    // below the root score 0 once their loop is done.
    search_to_depth("4k3/8/8/8/8/8/8/R3K3 w - - 100 80", 4);
    EXPECT_EQ(root_score, 0);
    search_to_depth("4k3/8/8/8/8/8/8/R3K3 w - - 0 80", 4);
    EXPECT_GT(root_score, 300);
}
